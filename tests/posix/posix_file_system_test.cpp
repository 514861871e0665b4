// The Linux file system beyond the contract (tests/contract): its order,
// the memory of its listings, folders it may not read, the identity of a
// folder it resumes in, links, and its own temporaries.
#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_errors.h"
#include "platform/program_folder.h"
#include "tests/fakes/scratch_folder.h"
#include "tests/posix/posix_test_support.h"

namespace mirtel {
namespace {

using posix_test::KindOf;

bool RunningAsRoot() { return ::geteuid() == 0; }

class PosixFsTest : public ::testing::Test {
 protected:
  std::string All(std::string_view rel) const { return tmp_.F(rel) + "*.*"; }
  std::vector<std::string> ListAll(std::string_view rel, std::uint32_t mask = kListEverything) {
    std::vector<std::string> names;
    for (std::string n = fs_.ListStart(All(rel), mask); !n.empty(); n = fs_.ListNext()) {
      names.push_back(n);
    }
    return names;
  }
  // Folders changed within a tick of the clock (within the step of their
  // volume) are read afresh each time: the tests of the listing's memory
  // let that pass first.
  static void LetTheClockMove() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

  ScratchFolder tmp_;
  PosixFileSystem fs_;
};

TEST_F(PosixFsTest, ListsDotsFirstThenEveryNameInByteOrder) {
  for (const char* f : {"b", "a", "B", ".h", "-x"}) tmp_.Write(std::string("d/") + f);
  tmp_.Dir("d/sub");
  EXPECT_EQ(ListAll("d"), (std::vector<std::string>{".", "..", "-x", ".h", "B", "a", "b", "sub"}));
  // Without the folder and hidden bits only the plain files remain.
  EXPECT_EQ(ListAll("d", 0), (std::vector<std::string>{"-x", "B", "a", "b"}));
}

TEST_F(PosixFsTest, AFolderThatCannotBeReadIsAnErrorNotAnEmptyOne) {
  if (RunningAsRoot()) GTEST_SKIP() << "root reads every folder whatever its mode";
  tmp_.Dir("closed");
  ::chmod(tmp_.P("closed").c_str(), 0);
  EXPECT_EQ(KindOf([&] { fs_.ListStart(All("closed"), kListEverything); }),
            FsErrorKind::AccessDenied);
  // Nor can what is in it be told missing.
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  EXPECT_FALSE(fs_.TryAttributes(tmp_.P("closed/inside.txt"), attrs, why));
  EXPECT_EQ(why, FsErrorKind::AccessDenied);
  ::chmod(tmp_.P("closed").c_str(), 0700);
}

TEST_F(PosixFsTest, ResumingAnUnchangedFolderIsServedFromMemory) {
  tmp_.Write("r/a.txt");
  tmp_.Write("r/m/inner.txt");
  tmp_.Write("r/z.txt");
  LetTheClockMove();
  EXPECT_EQ(fs_.ListStart(All("r"), kListEverything), ".");
  EXPECT_EQ(fs_.ListStart(All("r/m"), kListEverything), ".");
  const std::size_t reads = fs_.FolderReads();
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "m"), "z.txt");
  EXPECT_EQ(fs_.FolderReads(), reads);
  EXPECT_EQ(fs_.ListNext(), "");
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "z.txt"), "");
  // A name no longer there: on with the next one after its place.
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "gone"), "m");
  EXPECT_EQ(fs_.FolderReads(), reads);
}

// A change by someone else, or one it is told of, costs one reading of the
// folder, and no more.
TEST_F(PosixFsTest, AChangedFolderIsReadAfreshOnce) {
  tmp_.Write("r/a.txt");
  tmp_.Dir("r/m");
  LetTheClockMove();
  fs_.ListStart(All("r"), kListEverything);
  fs_.ListStart(All("r/m"), kListEverything);
  tmp_.Write("r/b.txt");
  std::size_t reads = fs_.FolderReads();
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "a.txt"), "b.txt");
  EXPECT_EQ(fs_.FolderReads(), reads + 1);

  LetTheClockMove();
  ListAll("r");
  fs_.NoteChanged(tmp_.P("r/m"));
  reads = fs_.FolderReads();
  ListAll("r");
  ListAll("r");
  EXPECT_EQ(fs_.FolderReads(), reads + 1);
}

// Another folder put where the walk was is not the one it was in: the
// resume ends there.
TEST_F(PosixFsTest, AResumeEndsWhenAnotherFolderTookItsFoldersPlace) {
  for (const char* n : {"a", "c", "z"}) tmp_.Dir(std::string("r/") + n);
  fs_.ListStart(All("r"), kListEverything);
  fs_.ListStart(All("r/c"), kListEverything);
  std::filesystem::rename(tmp_.N("r"), tmp_.N("r-old"));
  tmp_.Dir("r/z");
  EXPECT_EQ(KindOf([&] { fs_.ListResumeAfter(All("r"), kListEverything, "c"); }),
            FsErrorKind::ListingEnded);
  EXPECT_EQ(KindOf([&] { fs_.ListNext(); }), FsErrorKind::ListingEnded);
}

// Only a name of exactly our pattern is ours; of those, only one whose
// process has ended may be removed, and nothing else ever is.
TEST_F(PosixFsTest, OurTemporaryNamesAreToldApartAndOnlyDeadOnesRemoved) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = ".mirtel-" + std::to_string(child) + "-3.tmp";
  const std::string mine = ".mirtel-" + std::to_string(::getpid()) + "-1.tmp";
  const std::string first = ".mirtel-1-12.tmp";  // the first process always runs
  EXPECT_EQ(fs_.ClassifyTemporary(dead), Temporary::Dead);
  EXPECT_EQ(fs_.ClassifyTemporary(mine), Temporary::Live);
  EXPECT_EQ(fs_.ClassifyTemporary(first), Temporary::Live);
  // Numbers are written one way only.
  const std::string pid = std::to_string(child);
  const std::vector<std::string> others = {
      ".mirtel-0" + pid + "-1.tmp", ".mirtel-" + pid + "-01.tmp", ".mirtel-" + pid + "-0.tmp"};
  for (const std::string& name : others) {
    EXPECT_EQ(fs_.ClassifyTemporary(name), Temporary::NotOurs) << name;
  }

  // A user's file named like a dead one of ours, without the mark our
  // copies carry while written: the user's, never deleted.
  const std::string usersDead = ".mirtel-" + std::to_string(child) + "-4.tmp";
  for (const std::string& name :
       {dead, mine, first, others[0], usersDead, std::string("user.tmp")}) {
    tmp_.Write("d/" + name, "x");
  }
  for (const std::string& name : {dead, mine, first}) {
    ASSERT_EQ(::setxattr(tmp_.P("d/" + name).c_str(), "user.mirtel.temporary", "1", 1, 0), 0);
  }
  EXPECT_EQ(fs_.ClassifyEntry(tmp_.F("d"), dead), Temporary::Dead);
  EXPECT_EQ(fs_.ClassifyEntry(tmp_.F("d"), first), Temporary::Live);
  EXPECT_EQ(fs_.ClassifyEntry(tmp_.F("d"), usersDead), Temporary::NotOurs);
  fs_.RemoveLeftover(tmp_.P("d/" + dead));
  for (const std::string& name : {mine, first, others[0], usersDead, std::string("user.tmp")}) {
    EXPECT_EQ(KindOf([&] { fs_.RemoveLeftover(tmp_.P("d/" + name)); }), FsErrorKind::NotALeftover)
        << name;
  }
  EXPECT_EQ(KindOf([&] { fs_.RemoveLeftover(tmp_.P("d/" + dead)); }), FsErrorKind::NotFound);
  std::vector<std::string> left = {first, others[0], mine, usersDead, "user.tmp"};
  std::sort(left.begin(), left.end());
  EXPECT_EQ(tmp_.Names("d"), left);
}

// A link is reported as one, with the folder bit when it leads to a folder,
// also as the listing returns it; its time is that of what it leads to.
TEST_F(PosixFsTest, LinksAreToldAsLinksAndTimedByWhatTheyLeadTo) {
  tmp_.Write("d/plain.txt");
  tmp_.Dir("d/sub");
  std::filesystem::create_directory_symlink(tmp_.N("d/sub"), tmp_.N("d/dirlink"));
  std::filesystem::create_symlink(tmp_.N("d/plain.txt"), tmp_.N("d/filelink"));
  std::filesystem::create_symlink(tmp_.N("d/none"), tmp_.N("d/broken"));
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/dirlink")), kAttrReparsePoint | kAttrDirectory);
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/filelink")), std::uint32_t{kAttrReparsePoint});
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/broken")), std::uint32_t{kAttrReparsePoint});
  for (std::string n = fs_.ListStart(All("d"), kListEverything); !n.empty(); n = fs_.ListNext()) {
    if (n == "dirlink") {
      EXPECT_EQ(fs_.Attributes(tmp_.F("d") + n), kAttrReparsePoint | kAttrDirectory);
    } else if (n == "sub") {
      EXPECT_EQ(fs_.Attributes(tmp_.F("d") + n), std::uint32_t{kAttrDirectory});
    }
  }

  const timespec times[2] = {{1600000000, 900000001}, {1600000000, 900000001}};
  ASSERT_EQ(::utimensat(AT_FDCWD, tmp_.P("d/plain.txt").c_str(), times, 0), 0);
  EXPECT_EQ(fs_.LastWriteTime(tmp_.P("d/filelink")).ns, 1600000000900000001);
}

// A link to a file is copied as the file; a link where the copy goes is
// replaced, and what it leads to stays as it was.
TEST_F(PosixFsTest, ACopyTakesTheFileALinkLeadsToAndReplacesALinkInItsPlace) {
  tmp_.Write("src.txt", "inside");
  std::filesystem::create_symlink(tmp_.N("src.txt"), tmp_.N("link"));
  fs_.CopyFile(tmp_.P("link"), tmp_.P("copy.txt"));
  EXPECT_EQ(tmp_.Read("copy.txt"), "inside");
  EXPECT_TRUE(
      std::filesystem::is_regular_file(std::filesystem::symlink_status(tmp_.N("copy.txt"))));

  tmp_.Write("elsewhere.txt", "outside");
  std::filesystem::create_symlink(tmp_.N("elsewhere.txt"), tmp_.N("dst.txt"));
  fs_.CopyFile(tmp_.P("src.txt"), tmp_.P("dst.txt"));
  EXPECT_EQ(tmp_.Read("elsewhere.txt"), "outside");
  EXPECT_FALSE(std::filesystem::is_symlink(tmp_.N("dst.txt")));
  EXPECT_EQ(tmp_.Read("dst.txt"), "inside");
}

TEST(PosixErrors, APathThroughAFileIsNotFoundAndTheRestKeepTheSystemsWords) {
  // ENOTDIR means the entry cannot be there: pruning may trust it.
  EXPECT_EQ(ErrnoError(ENOTDIR, "p").kind(), FsErrorKind::NotFound);
  const FsError io = ErrnoError(EIO, "p");
  EXPECT_EQ(io.kind(), FsErrorKind::Other);
  EXPECT_NE(std::string(io.what()), "p");
}

TEST(ProgramFolder, IsTheFolderOfThisExecutable) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(FromUtf8(folder + "posix_tests")));
}

}  // namespace
}  // namespace mirtel
