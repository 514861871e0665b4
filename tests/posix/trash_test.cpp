// Removal to the desktop Trash, in a Trash of the test's own: HOME and
// XDG_DATA_HOME point into the scratch folder for the test's duration.
#include "platform/posix/trash_recycler.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>

#include "engine/copy_engine.h"
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
  state.RootLength = static_cast<std::int32_t>(state.SakiFolder.size());
  engine.StartSync(state.SakiFolder, state.MotoFolder);
  EXPECT_EQ(view.results, (std::vector<std::string>{"gone.txtを削除", "olddirフォルダを削除"}));
  EXPECT_TRUE(InTrash("gone.txt"));
  EXPECT_TRUE(InTrash("olddir"));
  EXPECT_EQ(tmp_.Names("saki"), std::vector<std::string>{"keep.txt"});
  EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
}  // namespace mirtel
