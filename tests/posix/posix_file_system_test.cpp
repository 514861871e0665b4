// The Linux file system layer: the listing and its memory, attributes of
// links, times, and the sound copy.
#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_errors.h"
#include "platform/program_folder.h"
#include "tests/engine/engine_fixture.h"

namespace mirtel {
namespace {

FsErrorKind KindOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const FsError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no FsError";
  return FsErrorKind::Other;
}

bool RunningAsRoot() { return ::geteuid() == 0; }

class PosixFsTest : public ::testing::Test {
 protected:
  std::string Folder(std::string_view rel) const { return tmp_.P(rel) + "/"; }
  std::string All(std::string_view rel) const { return Folder(rel) + "*.*"; }
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
  void SetTimeNs(std::string_view rel, time_t sec, long nsec) {
    const timespec times[2] = {{sec, nsec}, {sec, nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tmp_.P(rel).c_str(), times, 0), 0);
  }

  ScratchFolder tmp_;
  PosixFileSystem fs_;
};

TEST_F(PosixFsTest, ListsDotsFirstThenEveryNameInByteOrder) {
  for (const char* f : {"b", "a", "B", ".h", "-x"}) tmp_.Write(std::string("d/") + f);
  tmp_.Dir("d/sub");
  EXPECT_EQ(ListAll("d"), (std::vector<std::string>{".", "..", "-x", ".h", "B", "a", "b", "sub"}));
  // Asking past the end is an error, as the walks rely on.
  EXPECT_EQ(KindOf([&] { fs_.ListNext(); }), FsErrorKind::ListingEnded);
  // Without the folder and hidden bits only the plain files remain.
  EXPECT_EQ(ListAll("d", 0), (std::vector<std::string>{"-x", "B", "a", "b"}));
}

TEST_F(PosixFsTest, MissingFolderListsAsEmptyButAnUnreadableOneIsAnError) {
  EXPECT_EQ(fs_.ListStart(All("nowhere"), kListEverything), "");
  EXPECT_EQ(KindOf([&] { fs_.ListNext(); }), FsErrorKind::ListingEnded);
  tmp_.Write("file");
  EXPECT_EQ(fs_.ListStart(tmp_.P("file") + "/*.*", kListEverything), "");

  if (RunningAsRoot()) GTEST_SKIP() << "root reads every folder whatever its mode";
  tmp_.Dir("closed");
  ::chmod(tmp_.P("closed").c_str(), 0);
  EXPECT_EQ(KindOf([&] { fs_.ListStart(All("closed"), kListEverything); }),
            FsErrorKind::AccessDenied);
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

TEST_F(PosixFsTest, AFolderChangedBehindItsBackIsReadAfresh) {
  tmp_.Write("r/a.txt");
  tmp_.Dir("r/m");
  tmp_.Dir("r/n");
  LetTheClockMove();
  fs_.ListStart(All("r"), kListEverything);
  fs_.ListStart(All("r/m"), kListEverything);
  tmp_.Write("r/b.txt");
  const std::size_t reads = fs_.FolderReads();
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "a.txt"), "b.txt");
  EXPECT_EQ(fs_.FolderReads(), reads + 1);

  fs_.ListStart(All("r/n"), kListEverything);
  std::filesystem::remove(tmp_.N("r/n"));
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "n"), "");
}

// The walk resumes where it stood whatever became of the name it stood at;
// only its folder gone, or another folder in its place, ends it.
TEST_F(PosixFsTest, ResumingGoesOnAfterANameMovedAwayAndEndsOnlyWithItsFolder) {
  for (const char* n : {"a", "c", "m", "q", "z"}) tmp_.Dir(std::string("r/") + n);
  tmp_.Write("r/.h");
  tmp_.Write("r/p.txt");
  fs_.ListStart(All("r"), kListEverything);
  fs_.ListStart(All("r/m"), kListEverything);
  std::filesystem::rename(tmp_.N("r/m"), tmp_.N("r/0m"));
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "m"), "p.txt");
  EXPECT_EQ(fs_.ListNext(), "q");
  std::filesystem::rename(tmp_.N("r/q"), tmp_.N("r/qq"));
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "q"), "qq");
  // A name the mask leaves out, and one never there.
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), 0, "c"), "p.txt");
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "b"), "c");
  std::filesystem::remove(tmp_.N("r/z"));
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "z"), "");
  EXPECT_EQ(KindOf([&] { fs_.ListNext(); }), FsErrorKind::ListingEnded);

  std::filesystem::rename(tmp_.N("r"), tmp_.N("r-old"));
  tmp_.Dir("r/z");
  EXPECT_EQ(KindOf([&] { fs_.ListResumeAfter(All("r"), kListEverything, "c"); }),
            FsErrorKind::ListingEnded);
  EXPECT_EQ(KindOf([&] { fs_.ListNext(); }), FsErrorKind::ListingEnded);
  std::filesystem::remove_all(tmp_.N("r"));
  EXPECT_EQ(KindOf([&] { fs_.ListResumeAfter(All("r"), kListEverything, "c"); }),
            FsErrorKind::ListingEnded);
  tmp_.Write("r", "a file now");
  EXPECT_EQ(KindOf([&] { fs_.ListResumeAfter(All("r"), kListEverything, "c"); }),
            FsErrorKind::ListingEnded);
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
  const std::string pid = std::to_string(child);
  const std::vector<std::string> others = {".mirtel-0" + pid + "-1.tmp",
                                           ".mirtel-" + pid + "-01.tmp",
                                           ".mirtel-" + pid + "-0.tmp",
                                           ".mirtel--1.tmp",
                                           ".mirtel-" + pid + "-.tmp",
                                           ".mirtel-" + pid + "-1.tmpx",
                                           "x.mirtel-" + pid + "-1.tmp",
                                           ".mirtel-" + pid + "-1.TMP",
                                           ".mirtel-" + pid + ".tmp",
                                           ".mirtel-+" + pid + "-1.tmp",
                                           ".mirtel-99999999999-1.tmp",
                                           ".mirtel-" + pid + "-1-1.tmp",
                                           "mirtel-" + pid + "-1.tmp",
                                           ".mirtel-" + pid + "-1.tmp.tmp",
                                           ""};
  for (const std::string& name : others) {
    EXPECT_EQ(fs_.ClassifyTemporary(name), Temporary::NotOurs) << name;
  }

  for (const std::string& name : {dead, mine, first, others[0], std::string("user.tmp")}) {
    tmp_.Write("d/" + name, "x");
  }
  EXPECT_EQ(ListAll("d").size(), 7u);
  fs_.RemoveLeftover(tmp_.P("d/" + dead));
  for (const std::string& name : {mine, first, others[0], std::string("user.tmp")}) {
    EXPECT_EQ(KindOf([&] { fs_.RemoveLeftover(tmp_.P("d/" + name)); }), FsErrorKind::NotALeftover)
        << name;
  }
  EXPECT_EQ(KindOf([&] { fs_.RemoveLeftover(tmp_.P("d/" + dead)); }), FsErrorKind::NotFound);
  std::vector<std::string> left = {".", "..", first, others[0], mine, "user.tmp"};
  std::sort(left.begin() + 2, left.end());
  EXPECT_EQ(ListAll("d"), left);
}

TEST_F(PosixFsTest, ItsOwnChangesAreSeenAtOnce) {
  tmp_.Write("src.txt", "x");
  tmp_.Dir("r/m");
  fs_.ListStart(All("r"), kListEverything);
  fs_.ListStart(All("r/m"), kListEverything);
  fs_.MakeFolder(tmp_.P("r/new"));
  fs_.CopyFile(tmp_.P("src.txt"), tmp_.P("r/copy.txt"));
  EXPECT_EQ(fs_.ListResumeAfter(All("r"), kListEverything, "m"), "new");
  EXPECT_EQ(ListAll("r"), (std::vector<std::string>{".", "..", "copy.txt", "m", "new"}));
  fs_.NoteChanged(tmp_.P("r/m"));
  const std::size_t reads = fs_.FolderReads();
  ListAll("r");
  EXPECT_EQ(fs_.FolderReads(), reads + 1);
}

TEST_F(PosixFsTest, AttributesOfEntriesAndLinks) {
  tmp_.Write("d/plain.txt");
  tmp_.Write("d/ro.txt");
  ::chmod(tmp_.P("d/ro.txt").c_str(), 0444);
  tmp_.Write("d/.hidden");
  tmp_.Dir("d/sub");
  std::filesystem::create_directory_symlink(tmp_.N("d/sub"), tmp_.N("d/dirlink"));
  std::filesystem::create_symlink(tmp_.N("d/plain.txt"), tmp_.N("d/filelink"));
  std::filesystem::create_symlink(tmp_.N("d/none"), tmp_.N("d/broken"));

  EXPECT_EQ(fs_.Attributes(tmp_.P("d/plain.txt")), kAttrArchive);
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/ro.txt")), kAttrArchive | kAttrReadOnly);
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/.hidden")), kAttrArchive | kAttrHidden);
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/sub")), std::uint32_t{kAttrDirectory});
  EXPECT_EQ(fs_.Attributes(Folder("d/sub")), std::uint32_t{kAttrDirectory});
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/dirlink")), kAttrReparsePoint | kAttrDirectory);
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/filelink")), std::uint32_t{kAttrReparsePoint});
  EXPECT_EQ(fs_.Attributes(tmp_.P("d/broken")), std::uint32_t{kAttrReparsePoint});
  EXPECT_EQ(KindOf([&] { fs_.Attributes(tmp_.P("d/none")); }), FsErrorKind::NotFound);
  EXPECT_EQ(KindOf([&] { fs_.Attributes(tmp_.P("d/plain.txt/x")); }), FsErrorKind::NotFound);

  // What the listing said is used for the entry it just returned, links
  // included: a link is never taken for a folder.
  for (std::string n = fs_.ListStart(All("d"), kListEverything); !n.empty(); n = fs_.ListNext()) {
    if (n == "dirlink") {
      EXPECT_EQ(fs_.Attributes(Folder("d") + n), kAttrReparsePoint | kAttrDirectory);
    } else if (n == "sub") {
      EXPECT_EQ(fs_.Attributes(Folder("d") + n), std::uint32_t{kAttrDirectory});
    }
  }
}

// The question without an exception tells "no such entry" apart from an
// entry that cannot be looked at: only the first may let sync prune.
TEST_F(PosixFsTest, TheQuietQuestionGivesTheSameAnswersAndReasons) {
  tmp_.Write("d/ro.txt");
  ::chmod(tmp_.P("d/ro.txt").c_str(), 0444);
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  EXPECT_TRUE(fs_.TryAttributes(tmp_.P("d/ro.txt"), attrs, why));
  EXPECT_EQ(attrs, kAttrArchive | kAttrReadOnly);
  EXPECT_FALSE(fs_.TryAttributes(tmp_.P("d/none"), attrs, why));
  EXPECT_EQ(why, FsErrorKind::NotFound);
  why = FsErrorKind::Other;
  EXPECT_FALSE(fs_.TryAttributes(tmp_.P("d/ro.txt/x"), attrs, why));
  EXPECT_EQ(why, FsErrorKind::NotFound);

  if (RunningAsRoot()) GTEST_SKIP() << "root looks into every folder whatever its mode";
  tmp_.Write("closed/inside.txt");
  ::chmod(tmp_.P("closed").c_str(), 0);
  EXPECT_FALSE(fs_.TryAttributes(tmp_.P("closed/inside.txt"), attrs, why));
  EXPECT_EQ(why, FsErrorKind::AccessDenied);
  ::chmod(tmp_.P("closed").c_str(), 0700);
}

// Names are looked up in folders held open; a folder put aside and made
// anew must still get what is meant for its name, whether this object moved
// it or someone else did between two jobs.
TEST_F(PosixFsTest, AFolderMadeAnewUnderItsNameGetsTheNextCopies) {
  tmp_.Write("src/a.txt", "a");
  tmp_.Write("src/b.txt", "b");
  tmp_.Dir("dst/sub");
  fs_.CopyFile(tmp_.P("src/a.txt"), tmp_.P("dst/sub/a.txt"));

  std::filesystem::rename(tmp_.N("dst/sub"), tmp_.N("dst/old"));
  tmp_.Dir("dst/sub");
  ListAll("src");  // the next job starts with a listing
  fs_.CopyFile(tmp_.P("src/b.txt"), tmp_.P("dst/sub/b.txt"));
  EXPECT_EQ(tmp_.Names("dst/sub"), std::vector<std::string>{"b.txt"});
  EXPECT_EQ(tmp_.Names("dst/old"), std::vector<std::string>{"a.txt"});

  // Within a listing, moved away as the Trash does it, which tells.
  ListAll("src");
  fs_.CopyFile(tmp_.P("src/a.txt"), tmp_.P("dst/sub/a.txt"));
  std::filesystem::rename(tmp_.N("dst/sub"), tmp_.N("dst/older"));
  fs_.NoteChanged(tmp_.P("dst/sub"));
  tmp_.Dir("dst/sub");
  fs_.CopyFile(tmp_.P("src/b.txt"), tmp_.P("dst/sub/b.txt"));
  EXPECT_EQ(tmp_.Names("dst/sub"), std::vector<std::string>{"b.txt"});
  EXPECT_EQ(tmp_.Names("dst/older"), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(PosixFsTest, TimesAreNanosecondsOfTheFileALinkLeadsTo) {
  tmp_.Write("f.txt");
  SetTimeNs("f.txt", 1600000000, 900000001);
  std::filesystem::create_symlink(tmp_.N("f.txt"), tmp_.N("link"));
  EXPECT_EQ(fs_.LastWriteTime(tmp_.P("f.txt")).ns, 1600000000900000001);
  EXPECT_EQ(fs_.Attributes(tmp_.P("link")), std::uint32_t{kAttrReparsePoint});
  EXPECT_EQ(fs_.LastWriteTime(tmp_.P("link")).ns, 1600000000900000001);
  EXPECT_EQ(KindOf([&] { fs_.LastWriteTime(tmp_.P("none")); }), FsErrorKind::NotFound);
}

TEST_F(PosixFsTest, CopyCarriesBytesTimeAndMode) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 % 251);
  tmp_.Write("src.bin", big);
  ::chmod(tmp_.P("src.bin").c_str(), 0640);
  SetTimeNs("src.bin", 1500000000, 123456789);
  fs_.CopyFile(tmp_.P("src.bin"), tmp_.P("dst.bin"));
  EXPECT_EQ(tmp_.Read("dst.bin"), big);
  struct stat st {};
  ASSERT_EQ(::stat(tmp_.P("dst.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Over an older copy, and through a link to a file: the bytes it leads to.
  tmp_.Write("src2.txt", "second");
  std::filesystem::create_symlink(tmp_.N("src2.txt"), tmp_.N("link"));
  fs_.CopyFile(tmp_.P("link"), tmp_.P("dst.bin"));
  EXPECT_EQ(tmp_.Read("dst.bin"), "second");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(tmp_.N("dst.bin"))));
}

TEST_F(PosixFsTest, FailedCopyLeavesTheOldCopyAndNoTemporary) {
  tmp_.Write("d/old.txt", "old");
  SetTimeNs("d/old.txt", 1400000000, 0);
  ::chmod(tmp_.P("d/old.txt").c_str(), 0444);
  tmp_.Write("src.txt", "new");
  // Read-only: not replaced, even though root could.
  EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P("src.txt"), tmp_.P("d/old.txt")); }),
            FsErrorKind::ReadOnlyFile);
  EXPECT_EQ(tmp_.Read("d/old.txt"), "old");
  EXPECT_EQ(tmp_.Time("d/old.txt"), 1400000000);

  EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P("missing"), tmp_.P("d/new.txt")); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P("src.txt"), tmp_.P("nowhere/new.txt")); }),
            FsErrorKind::NotFound);
  tmp_.Dir("d/folder");
  EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P("src.txt"), tmp_.P("d/folder")); }),
            FsErrorKind::FolderInTheWay);
  // A pipe would block a plain copy for ever.
  ASSERT_EQ(::mkfifo(tmp_.P("fifo").c_str(), 0644), 0);
  EXPECT_EQ(KindOf([&] { fs_.CopyFile(tmp_.P("fifo"), tmp_.P("d/fifo")); }), FsErrorKind::NotAFile);
  EXPECT_EQ(tmp_.Names("d"), (std::vector<std::string>{"folder", "old.txt"}));
}

TEST_F(PosixFsTest, CopyReplacesALinkAtTheDestinationNotWhatItLeadsTo) {
  tmp_.Write("elsewhere.txt", "outside");
  tmp_.Write("src.txt", "inside");
  std::filesystem::create_symlink(tmp_.N("elsewhere.txt"), tmp_.N("dst.txt"));
  fs_.CopyFile(tmp_.P("src.txt"), tmp_.P("dst.txt"));
  EXPECT_EQ(tmp_.Read("elsewhere.txt"), "outside");
  EXPECT_FALSE(std::filesystem::is_symlink(tmp_.N("dst.txt")));
  EXPECT_EQ(tmp_.Read("dst.txt"), "inside");
}

TEST_F(PosixFsTest, WholeFilesAreReadAndReplacedAtomically) {
  const std::string path = tmp_.P("mirtel.dat");
  EXPECT_EQ(KindOf([&] { fs_.ReadFile(path); }), FsErrorKind::NotFound);
  fs_.WriteFileAtomically(path, std::string("one\0two", 7));
  EXPECT_EQ(fs_.ReadFile(path), std::string("one\0two", 7));
  fs_.WriteFileAtomically(path, "three");
  EXPECT_EQ(fs_.ReadFile(path), "three");
  EXPECT_EQ(tmp_.Names(""), std::vector<std::string>{"mirtel.dat"});
  EXPECT_EQ(KindOf([&] { fs_.WriteFileAtomically(tmp_.P("nowhere/x.dat"), "x"); }),
            FsErrorKind::NotFound);
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
  EXPECT_TRUE(std::filesystem::exists(FromUtf8(folder + "posix_test")));
}

}  // namespace
}  // namespace mirtel
