// Removal to the desktop Trash, in a Trash of the test's own: HOME and
// XDG_DATA_HOME point into the scratch folder for the test's duration.
#include "platform/posix/trash_recycler.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <regex>

#include "engine/copy_engine.h"
#include "engine/job_roots.h"
#include "platform/posix/posix_file_system.h"
#include "tests/engine/engine_fixture.h"

namespace mirtel {
namespace {

class SavedEnv {
 public:
  explicit SavedEnv(const char* name) : name_(name) {
    if (const char* v = ::getenv(name)) value_ = v;
  }
  ~SavedEnv() {
    if (value_) {
      ::setenv(name_, value_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  SavedEnv(const SavedEnv&) = delete;
  SavedEnv& operator=(const SavedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> value_;
};

class TrashTest : public ::testing::Test {
 protected:
  TrashTest() {
    tmp_.Dir("home");
    ::setenv("HOME", tmp_.P("home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", tmp_.P("home/data").c_str(), 1);
  }

  bool InTrash(std::string_view name) const {
    return tmp_.Exists("home/data/Trash/files/" + std::string(name)) &&
           tmp_.Exists("home/data/Trash/info/" + std::string(name) + ".trashinfo");
  }

  SavedEnv home_{"HOME"};
  SavedEnv data_{"XDG_DATA_HOME"};
  ScratchFolder tmp_;
  PosixFileSystem fs_;
  TrashRecycler trash_{&fs_};
};

TEST_F(TrashTest, FilesAndFoldersGoToTheTrashEvenBeforeItsFolderExists) {
  ASSERT_FALSE(tmp_.Exists("home/data"));
  tmp_.Write("w/a.txt", "keep me");
  tmp_.Write("w/dir/inner.txt");
  trash_.MoveToRecycleBin(tmp_.P("w/a.txt"));
  trash_.MoveToRecycleBin(tmp_.P("w/dir") + "/");
  EXPECT_FALSE(tmp_.Exists("w/a.txt"));
  EXPECT_FALSE(tmp_.Exists("w/dir"));
  EXPECT_TRUE(InTrash("a.txt"));
  EXPECT_TRUE(InTrash("dir"));
  EXPECT_EQ(tmp_.Read("home/data/Trash/files/a.txt"), "keep me");
  EXPECT_TRUE(tmp_.Exists("home/data/Trash/files/dir/inner.txt"));
  EXPECT_FALSE(std::filesystem::exists("files"));
}

TEST_F(TrashTest, ALinkGoesItselfAndWhatItLeadsToStays) {
  tmp_.Write("target/x.txt");
  tmp_.Dir("w");
  std::filesystem::create_directory_symlink(tmp_.N("target"), tmp_.N("w/link"));
  trash_.MoveToRecycleBin(tmp_.P("w/link"));
  EXPECT_FALSE(tmp_.Exists("w/link"));
  EXPECT_TRUE(std::filesystem::is_symlink(tmp_.N("home/data/Trash/files/link")));
  EXPECT_TRUE(tmp_.Exists("target/x.txt"));
}

TEST_F(TrashTest, AMissingItemIsAnError) {
  try {
    trash_.MoveToRecycleBin(tmp_.P("w/none"));
    ADD_FAILURE() << "moved";
  } catch (const FsError& e) {
    EXPECT_EQ(e.kind(), FsErrorKind::NotFound);
  }
}

TEST_F(TrashTest, ALinkThatLeadsNowhereGoesToTheTrashToo) {
  tmp_.Dir("w");
  std::filesystem::create_symlink(tmp_.N("w/none"), tmp_.N("w/broken"));
  tmp_.Dir("home/data/Trash/files/broken");  // an earlier item of that name
  trash_.MoveToRecycleBin(tmp_.P("w/broken"));
  EXPECT_FALSE(tmp_.Exists("w/broken"));
  EXPECT_TRUE(std::filesystem::is_symlink(tmp_.N("home/data/Trash/files/broken.2")));
  EXPECT_TRUE(tmp_.Exists("home/data/Trash/files/broken"));
  const std::string info = tmp_.Read("home/data/Trash/info/broken.2.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + tmp_.P("w/broken") + "\nDeletionDate=", 0), 0u);
}

TEST_F(TrashTest, NoTrashFolderMeansTheItemStays) {
  tmp_.Write("home/plain-file");
  ::setenv("XDG_DATA_HOME", tmp_.P("home/plain-file/data").c_str(), 1);
  tmp_.Write("w/a.txt", "stay");
  try {
    trash_.MoveToRecycleBin(tmp_.P("w/a.txt"));
    ADD_FAILURE() << "moved";
  } catch (const FsError& e) {
    EXPECT_EQ(e.kind(), FsErrorKind::NoRecycleBin);
  }
  EXPECT_EQ(tmp_.Read("w/a.txt"), "stay");
  EXPECT_FALSE(std::filesystem::exists("files"));
}

TEST_F(TrashTest, NamesAlreadyTakenGetNumbersAndEveryInfoKeepsTheExactPlace) {
  // The same name from three folders, one of them a byte string that is no
  // UTF-8; the first number is taken by a leftover without its info file.
  const std::string odd = "w3/\xff\xfe name";
  tmp_.Write("w1/日本 語.txt", "1");
  tmp_.Write("w2/日本 語.txt", "2");
  tmp_.Write("w3/日本 語.txt", "3");
  tmp_.Write(odd, "odd");
  tmp_.Write("home/data/Trash/files/日本 語.txt.2", "leftover");
  for (const char* w : {"w1", "w2", "w3"}) {
    trash_.MoveToRecycleBin(tmp_.P(std::string(w) + "/日本 語.txt"));
  }
  trash_.MoveToRecycleBin(tmp_.P(odd));

  EXPECT_EQ(tmp_.Read("home/data/Trash/files/日本 語.txt"), "1");
  EXPECT_EQ(tmp_.Read("home/data/Trash/files/日本 語.txt.2"), "leftover");
  EXPECT_EQ(tmp_.Read("home/data/Trash/files/日本 語.txt.3"), "2");
  EXPECT_EQ(tmp_.Read("home/data/Trash/files/日本 語.txt.4"), "3");
  EXPECT_FALSE(tmp_.Exists("home/data/Trash/info/日本 語.txt.2.trashinfo"));
  EXPECT_EQ(tmp_.Read("home/data/Trash/files/\xff\xfe name"), "odd");

  const std::regex info(
      "\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
  std::smatch m;
  const std::string second = tmp_.Read("home/data/Trash/info/日本 語.txt.3.trashinfo");
  ASSERT_TRUE(std::regex_match(second, m, info)) << second;
  EXPECT_EQ(m[1].str(), tmp_.P("w2") + "/%E6%97%A5%E6%9C%AC%20%E8%AA%9E.txt");
  const std::string third = tmp_.Read("home/data/Trash/info/\xff\xfe name.trashinfo");
  ASSERT_TRUE(std::regex_match(third, m, info)) << third;
  EXPECT_EQ(m[1].str(), tmp_.P("w3") + "/%FF%FE%20name");
}

TEST_F(TrashTest, ATrashRemovedBetweenTwoItemsIsMadeAgain) {
  tmp_.Write("w/a.txt");
  tmp_.Write("w/b.txt");
  trash_.MoveToRecycleBin(tmp_.P("w/a.txt"));
  std::filesystem::remove_all(tmp_.N("home/data/Trash"));
  trash_.MoveToRecycleBin(tmp_.P("w/b.txt"));
  EXPECT_TRUE(InTrash("b.txt"));
  EXPECT_FALSE(tmp_.Exists("w/b.txt"));
}

TEST_F(TrashTest, WhatCannotLeaveItsFolderStaysAndTheTrashHoldsNoInfoForIt) {
  tmp_.Write("w/locked/a.txt", "a");
  std::filesystem::permissions(
      tmp_.N("w/locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::access(tmp_.P("w/locked").c_str(), W_OK) == 0) {
    GTEST_SKIP() << "this user may write into any folder";
  }
  try {
    trash_.MoveToRecycleBin(tmp_.P("w/locked/a.txt"));
    ADD_FAILURE() << "moved";
  } catch (const FsError& e) {
    EXPECT_EQ(e.kind(), FsErrorKind::AccessDenied);
  }
  EXPECT_EQ(tmp_.Read("w/locked/a.txt"), "a");
  EXPECT_TRUE(tmp_.Names("home/data/Trash/info").empty());
}

TEST_F(TrashTest, AFolderHoldingTheTrashItselfStays) {
  tmp_.Write("home/data/keep.txt", "keep");
  tmp_.Write("w/a.txt");
  trash_.MoveToRecycleBin(tmp_.P("w/a.txt"));
  EXPECT_THROW(trash_.MoveToRecycleBin(tmp_.P("home")), FsError);
  EXPECT_EQ(tmp_.Read("home/data/keep.txt"), "keep");
  EXPECT_EQ(tmp_.Names("home/data/Trash/info"), std::vector<std::string>{"a.txt.trashinfo"});
}

// An item on another volume than the data folder goes to the Trash at the
// top of its own volume (here /dev/shm, when it is one), never across.
TEST_F(TrashTest, AnItemOnAnotherVolumeGoesToThatVolumesTrash) {
  struct stat shm {};
  struct stat here {};
  const std::string top = "/dev/shm";
  const std::string own = top + "/.Trash-" + std::to_string(::getuid());
  if (::stat(top.c_str(), &shm) != 0 || ::stat(tmp_.P("").c_str(), &here) != 0 ||
      shm.st_dev == here.st_dev || ::access(top.c_str(), W_OK) != 0) {
    GTEST_SKIP() << "needs a writable /dev/shm on a volume of its own";
  }
  struct stat before {};
  const bool hadTrash = ::lstat(own.c_str(), &before) == 0;
  const std::string folder = top + "/mirtel-trash-test-" + std::to_string(::getpid());
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/far.txt") << "far";
  const std::string name = "mirtel-trash-test-" + std::to_string(::getpid()) + ".txt";
  std::filesystem::rename(folder + "/far.txt", folder + "/" + name);

  EXPECT_NO_THROW(trash_.MoveToRecycleBin(folder + "/" + name));
  EXPECT_FALSE(std::filesystem::exists(folder + "/" + name));
  std::ifstream in(own + "/files/" + name);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "far");
  EXPECT_TRUE(std::filesystem::exists(own + "/info/" + name + ".trashinfo"));
  EXPECT_FALSE(tmp_.Exists("home/data/Trash/files/" + name));

  std::error_code ignored;
  std::filesystem::remove(own + "/files/" + name, ignored);
  std::filesystem::remove(own + "/info/" + name + ".trashinfo", ignored);
  if (!hadTrash) std::filesystem::remove_all(own, ignored);
  std::filesystem::remove_all(folder, ignored);
}

TEST_F(TrashTest, SyncMovesWhatTheSourceLacksToTheTrash) {
  tmp_.Write("moto/keep.txt");
  tmp_.Write("saki/keep.txt");
  tmp_.Write("saki/gone.txt", "old");
  tmp_.Write("saki/olddir/x.txt");
  RecordingWalkView view;
  JobState state;
  CopyEngine engine(fs_, trash_, view, state);
  state.MotoFolder = tmp_.P("moto") + "/";
  state.SakiFolder = tmp_.P("saki") + "/";
  RecordRoots(fs_, state);
  engine.StartSync(state.SakiFolder, state.MotoFolder);
  EXPECT_EQ(view.results, (std::vector<std::string>{"gone.txtを削除", "olddirフォルダを削除"}));
  EXPECT_TRUE(InTrash("gone.txt"));
  EXPECT_TRUE(InTrash("olddir"));
  EXPECT_EQ(tmp_.Names("saki"), std::vector<std::string>{"keep.txt"});
  EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
}  // namespace mirtel
