// The copy walk over real folders.
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "engine/walk_support.h"
#include "tests/engine/engine_fixture.h"
#include "tests/fakes/case_blind_file_system.h"
#include "tests/fakes/failing_file_system.h"
#include "tests/fakes/forwarding_file_system.h"

namespace mirtel {
namespace {

constexpr std::int64_t kT = 1600000000;  // some second of 2020, UTC

using FolderCopyTest = EngineTest;

TEST_F(FolderCopyTest, EmptySourceTouchesNothing) {
  Copy();
  EXPECT_TRUE(view_.statuses.empty());
  EXPECT_TRUE(view_.results.empty());
  EXPECT_TRUE(view_.boxes.empty());
  EXPECT_EQ(state_.CopiedCount, 0);
  EXPECT_FALSE(state_.FoundFile);
}

TEST_F(FolderCopyTest, FoldersOnlyAreMadeAndFindNoFile) {
  tmp_.Dir("moto/2001/06");
  tmp_.Dir("moto/2002");
  Copy();
  EXPECT_TRUE(std::filesystem::is_directory(tmp_.N("saki/2001/06")));
  EXPECT_TRUE(std::filesystem::is_directory(tmp_.N("saki/2002")));
  EXPECT_EQ(view_.statuses, (std::vector<std::string>{"フォルダ2001を作成", "フォルダ06を作成",
                                                      "フォルダ2002を作成"}));
  EXPECT_TRUE(view_.results.empty());
  EXPECT_FALSE(state_.FoundFile);
  EXPECT_EQ(state_.CopiedCount, 0);
}

TEST_F(FolderCopyTest, CopiesTheTreeAndASecondJobFindsTheSameDates) {
  tmp_.Write("moto/a.txt", "alpha");
  tmp_.Write("moto/sub/a.txt", "inner alpha");
  tmp_.Write("moto/sub/deep/b.txt", "beta");
  tmp_.Write("moto/z.txt", "zed");
  tmp_.Write("saki/only-here.txt", "mine");
  for (const char* f : {"moto/a.txt", "moto/sub/a.txt", "moto/sub/deep/b.txt", "moto/z.txt"}) {
    tmp_.SetTime(f, kT);
  }
  Copy();
  EXPECT_EQ(state_.CopiedCount, 4);
  EXPECT_TRUE(state_.FoundFile);
  // Lines carry the name alone, so equal names give equal lines.
  EXPECT_EQ(CountOf(view_.results, "a.txt"), 2);
  EXPECT_EQ(view_.results.size(), 4u);
  EXPECT_EQ(CountOf(view_.statuses, "a.txtをコピー"), 2);
  EXPECT_EQ(tmp_.Read("saki/sub/deep/b.txt"), "beta");
  EXPECT_EQ(tmp_.Time("saki/sub/deep/b.txt"), kT);
  EXPECT_EQ(tmp_.Read("saki/only-here.txt"), "mine");
  // Nothing but the copies themselves: no temporary is left behind.
  EXPECT_EQ(tmp_.Names("saki"),
            (std::vector<std::string>{"a.txt", "only-here.txt", "sub", "z.txt"}));
  EXPECT_EQ(tmp_.Names("saki/sub"), (std::vector<std::string>{"a.txt", "deep"}));

  ClearView();
  Copy();
  EXPECT_EQ(state_.CopiedCount, 0);
  EXPECT_TRUE(state_.FoundFile);
  EXPECT_TRUE(view_.results.empty());
  EXPECT_EQ(CountOf(view_.statuses, "同じ日付です"), 4);
  EXPECT_EQ(CountOf(view_.statuses, "フォルダを検索"), 2);
}

TEST_F(FolderCopyTest, NewerDestinationStaysAndOneSecondNewerSourceWins) {
  tmp_.Write("moto/old.txt", "source");
  tmp_.Write("saki/old.txt", "newer at destination");
  tmp_.SetTime("moto/old.txt", kT);
  tmp_.SetTime("saki/old.txt", kT + 1);
  tmp_.Write("moto/new.txt", "fresh source");
  tmp_.Write("saki/new.txt", "stale");
  tmp_.SetTime("moto/new.txt", kT + 1);
  tmp_.SetTime("saki/new.txt", kT);
  Copy();
  EXPECT_EQ(tmp_.Read("saki/old.txt"), "newer at destination");
  EXPECT_EQ(tmp_.Read("saki/new.txt"), "fresh source");
  EXPECT_EQ(tmp_.Time("saki/new.txt"), kT + 1);
  EXPECT_EQ(view_.results, std::vector<std::string>{"new.txt"});
  EXPECT_EQ(view_.statuses,
            (std::vector<std::string>{"new.txtを上書きコピー", "コピー先の方が新しいです"}));
  EXPECT_EQ(state_.CopiedCount, 1);
}

TEST_F(FolderCopyTest, HiddenEntriesAreWalkedAndAnExistingHiddenFolderIsKept) {
  tmp_.Write("moto/.hidden/inner.txt");
  tmp_.Write("moto/.dotfile");
  tmp_.Dir("saki/.hidden");
  Copy();
  EXPECT_TRUE(tmp_.Exists("saki/.hidden/inner.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/.dotfile"));
  EXPECT_EQ(CountOf(view_.statuses, "フォルダを検索"), 1);
  EXPECT_EQ(state_.CopiedCount, 2);
}

TEST_F(FolderCopyTest, SystemFoldersAreLeftOutOnlyAtTheTopOfAVolume) {
  for (const char* name :
       {"RECYCLED", "$RECYCLE.BIN", "System Volume Information", "lost+found", ".Trash-0"}) {
    tmp_.Write("moto/" + std::string(name) + "/a.txt");
    tmp_.Write("moto/x/" + std::string(name) + "/b.txt");
  }
  tmp_.Write("moto/x/after.txt");
  FailingFileSystem volume(*fs_);
  volume.volumeRoots.insert(tmp_.P("moto") + kSep);
  CopyEngine engine(volume, recycler_, view_, state_);
  state_.MotoFolder = tmp_.P("moto") + kSep;
  state_.SakiFolder = tmp_.P("saki") + kSep;
  RecordRoots(volume, state_);
  engine.FolderCopy(state_.MotoFolder);
  // At the top of a volume they are the system's, silently left out.
  EXPECT_EQ(tmp_.Names("saki"), std::vector<std::string>{"x"});
  // Elsewhere they are folders like any other.
  EXPECT_EQ(tmp_.Names("saki/x").size(), 6u);
  EXPECT_TRUE(tmp_.Exists("saki/x/RECYCLED/b.txt"));
  EXPECT_EQ(state_.CopiedCount, 6);
  EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(FolderCopyTest, FailedCopyIsReportedNotCountedAndTheWalkGoesOn) {
  tmp_.Write("moto/a.txt", "new a");
  tmp_.Write("moto/b.txt", "new b");
  tmp_.Write("moto/c.txt", "new c");
  tmp_.Write("saki/b.txt", "kept b");
  tmp_.SetTime("moto/b.txt", kT + 10);
  tmp_.SetTime("saki/b.txt", kT);
  std::filesystem::permissions(tmp_.N("saki/b.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  Copy();
  EXPECT_EQ(state_.CopiedCount, 2);
  EXPECT_EQ(state_.FailedCount, 1);
  EXPECT_EQ(view_.results,
            (std::vector<std::string>{
                "a.txt", "b.txtのコピーに失敗しました：読み取り専用のファイルは置き換えません",
                "c.txt"}));
  EXPECT_EQ(CountOf(view_.statuses,
                    "b.txtのコピーに失敗しました：読み取り専用のファイルは置き換えません"),
            1);
  EXPECT_EQ(tmp_.Read("saki/b.txt"), "kept b");
  EXPECT_EQ(tmp_.Time("saki/b.txt"), kT);
  EXPECT_EQ(tmp_.Names("saki"), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(FolderCopyTest, NameClashBetweenFileAndFolderIsReported) {
  tmp_.Write("moto/f/inner.txt");
  tmp_.Write("saki/f", "a file where the source has a folder");
  tmp_.Write("moto/g", "a file");
  tmp_.Dir("saki/g");
  tmp_.Write("moto/h.txt");
  Copy();
  EXPECT_EQ(tmp_.Read("saki/f"), "a file where the source has a folder");
  EXPECT_TRUE(std::filesystem::is_directory(tmp_.N("saki/g")));
  EXPECT_TRUE(tmp_.Exists("saki/h.txt"));
  EXPECT_EQ(state_.FailedCount, 2);
  EXPECT_EQ(state_.CopiedCount, 1);
  EXPECT_EQ(
      CountOf(view_.results, "フォルダfはコピー先に同じ名前のファイルがあるのでコピーしません"), 1);
  EXPECT_EQ(CountOf(view_.results, "gはコピー先に同じ名前のフォルダがあるのでコピーしません"), 1);
}

TEST_F(FolderCopyTest, DestinationInsideTheSourceIsNotCopiedIntoItself) {
  // The job from moto into moto/backup: the destination lies in the source.
  tmp_.Write("moto/a.txt");
  tmp_.Write("moto/backup/old.txt");
  tmp_.Dir("moto/backup/moto");
  state_.MotoFolder = tmp_.P("moto") + kSep;
  state_.SakiFolder = tmp_.P("moto/backup/moto") + kSep;
  RecordRoots(*fs_, state_);
  engine_.FolderCopy(state_.MotoFolder);
  EXPECT_TRUE(tmp_.Exists("moto/backup/moto/a.txt"));
  EXPECT_TRUE(tmp_.Exists("moto/backup/moto/backup/old.txt"));
  EXPECT_FALSE(tmp_.Exists("moto/backup/moto/backup/moto"));
  EXPECT_EQ(CountOf(view_.statuses, "フォルダmotoはコピー先なのでコピーしません"), 1);
  EXPECT_EQ(state_.CopiedCount, 2);
}

TEST_F(FolderCopyTest, StopDuringADeepWalkExaminesNoFurtherEntry) {
  tmp_.Write("moto/a/b/c/1.txt");
  tmp_.Write("moto/a/b/c/2.txt");
  tmp_.Write("moto/a/b/c/3.txt");
  tmp_.Write("moto/a/b/later.txt");
  tmp_.Write("moto/a/later.txt");
  tmp_.Write("moto/z.txt");
  std::size_t statusesAtStop = 0;
  int yieldOfStop = 0;
  state_.Parallel = 1;  // the walk's own steps, each copy in its turn
  view_.onYield = [&](int n) {
    // Stop is pressed while the walk stands on 2.txt, deep inside.
    if (!state_.StopFlag && view_.LastStatus() == "1.txtをコピー") {
      state_.StopFlag = true;
      statusesAtStop = view_.statuses.size();
      yieldOfStop = n;
    }
  };
  Copy();
  ASSERT_TRUE(state_.StopFlag);
  EXPECT_EQ(view_.statuses.size(), statusesAtStop);
  EXPECT_EQ(view_.results, std::vector<std::string>{"1.txt"});
  EXPECT_EQ(state_.CopiedCount, 1);
  EXPECT_FALSE(tmp_.Exists("saki/a/b/c/2.txt"));
  EXPECT_FALSE(tmp_.Exists("saki/z.txt"));
  // Each enclosing level takes one more name and leaves at its test.
  EXPECT_EQ(view_.yields - yieldOfStop, 3);
  EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(FolderCopyTest, SubfolderVanishingDuringTheWalkFailsOnlyWhatItHeld) {
  tmp_.Write("moto/top/gone/1.txt");
  tmp_.Write("moto/top/gone/2.txt");
  tmp_.Write("moto/top/zz.txt");
  tmp_.Write("moto/zzz.txt");
  bool removed = false;
  state_.Parallel = 1;  // gone while the walk itself stands on 1.txt
  view_.onYield = [&](int) {
    if (!removed && view_.LastStatus() == "1.txtをコピー") {
      removed = true;
      std::filesystem::remove_all(tmp_.N("moto/top/gone"));
    }
  };
  Copy();
  ASSERT_TRUE(removed);
  // The file that went is that entry's failure (a box at most once for the
  // job: the copy itself shows none where the listing told its attributes);
  // the level above finds its place again and goes on.
  EXPECT_EQ(
      CountOf(view_.results, "2.txtのコピーに失敗しました：ファイルまたはフォルダが見つかりません"),
      1);
  EXPECT_LE(view_.boxes.size(), 1u);
  EXPECT_TRUE(tmp_.Exists("saki/top/zz.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/zzz.txt"));
  EXPECT_EQ(state_.CopiedCount, 3);
  EXPECT_EQ(state_.FailedCount, 1);
}

// Two source names such a volume takes for one: the first is copied, the
// second is a failure with its reason, never copied over the first's copy,
// in the first backup (into folders just made) and in every later one.
TEST_F(FolderCopyTest, NamesTheDestinationTakesForOneAreNeverCopiedOverEachOther) {
  tmp_.Write("moto/Index.html", "upper");
  tmp_.Write("moto/index.html", "lower, and newer");
  tmp_.Write("moto/Docs/README", "first");
  tmp_.Write("moto/docs/readme", "second folder");
  // A link that leads nowhere is not copied: it takes no name from the file.
  std::error_code noLinks;
  std::filesystem::create_symlink("nowhere", tmp_.N("moto/NOTES"), noLinks);
  tmp_.Write("moto/notes", "first notes");
  tmp_.SetTime("moto/notes", kT);
  if (tmp_.Names("moto").size() != 6) {
    GTEST_SKIP() << "this system's folders cannot hold two names that differ in case only";
  }
  tmp_.SetTime("moto/Index.html", kT);
  tmp_.SetTime("moto/index.html", kT + 60);
  tmp_.Dir("saki");
  CaseBlindDestination blind(*fs_, tmp_.P("saki") + kSep);
  for (int job = 0; job < 2; ++job) {
    SCOPED_TRACE(job);
    if (job == 1) {
      tmp_.Write("moto/notes", "second notes");
      tmp_.SetTime("moto/notes", kT + 3600);
    }
    ClearView();
    state_ = JobState{};
    state_.MotoFolder = tmp_.P("moto") + kSep;
    state_.SakiFolder = tmp_.P("saki") + kSep;
    RecordRoots(blind, state_);
    CopyEngine engine(blind, recycler_, view_, state_);
    engine.FolderCopy(state_.MotoFolder, job == 0);
    EXPECT_EQ(tmp_.Read("saki/index.html"), "upper");
    EXPECT_EQ(tmp_.Read("saki/docs/readme"), "first");
    EXPECT_EQ(tmp_.Names("saki"), (std::vector<std::string>{"docs", "index.html", "notes"}));
    EXPECT_EQ(tmp_.Read("saki/notes"), job == 0 ? "first notes" : "second notes");
    EXPECT_EQ(state_.FailedCount, 2);
    EXPECT_EQ(CountOf(view_.results,
                      "index.htmlはコピー先でIndex.htmlと同じ名前になるのでコピーしません"),
              1);
    EXPECT_EQ(CountOf(view_.results, "docsはコピー先でDocsと同じ名前になるのでコピーしません"), 1);
  }
}

// What such a volume takes for one name, beyond ASCII; what it keeps apart.
TEST(FoldedNameTest, LettersFoldAsCaseBlindVolumesTakeThem) {
  const std::pair<const char*, const char*> alike[] = {
      {"Ärger Öl Ü.TXT", "ärger öl ü.txt"},  // Latin-1
      {"ŁÓDŹ Ĺ Ŀ", "łódź ĺ ŀ"},              // Latin Extended-A, both orders of pairs
      {"ΑΘΗΝΑ Ω", "αθηνα ω"},                // Greek
      {"ЖУРНАЛ Ё", "журнал ё"},              // Cyrillic
      {"ＡＢＣ", "ａｂｃ"},                  // fullwidth
      {"Ÿ", "ÿ"},
  };
  for (const auto& [upper, lower] : alike) {
    EXPECT_EQ(walk::FoldedName(upper), walk::FoldedName(lower)) << upper;
  }
  const std::pair<const char*, const char*> apart[] = {
      {"ß", "ss"}, {"写真", "寫真"}, {"ｶﾞ", "ガ"}, {"a\xff", "A\xfe"}, {"\xc3", "\xe3"},
  };
  for (const auto& [one, other] : apart) {
    EXPECT_NE(walk::FoldedName(one), walk::FoldedName(other)) << one;
  }
  // Bytes that are no letter stay as they are, broken UTF-8 included.
  EXPECT_EQ(walk::FoldedName("日本語 \xff\xc3 x"), "日本語 \xff\xc3 x");
}

// Two times exactly one step apart are different times (the file is
// copied); one nanosecond less and they are the same. The coarser of the two
// volumes' steps counts, whichever side it is on, around zero and far out.
TEST(CompareTimesTest, ExactlyOneStepApartIsNewerAndLessIsTheSame) {
  constexpr std::int64_t kSteps[] = {1, 100, 10'000'000, 2'000'000'000};
  constexpr std::int64_t kBases[] = {0, -3'000'000'000, 1'700'000'000'123'456'789,
                                     std::numeric_limits<std::int64_t>::max() - 4'000'000'000};
  for (std::int64_t base : kBases) {
    for (std::int64_t fine : kSteps) {
      for (std::int64_t coarse : kSteps) {
        if (coarse < fine) continue;
        for (bool coarseOnSource : {true, false}) {
          const auto at = [&](std::int64_t ns, bool source) {
            return FileTime{ns, source == coarseOnSource ? coarse : fine};
          };
          SCOPED_TRACE(::testing::Message()
                       << base << " " << fine << " " << coarse << " " << coarseOnSource);
          EXPECT_EQ(walk::CompareTimes(at(base + coarse, true), at(base, false)), 1);
          EXPECT_EQ(walk::CompareTimes(at(base, true), at(base + coarse, false)), -1);
          EXPECT_EQ(walk::CompareTimes(at(base + coarse - 1, true), at(base, false)), 0);
          EXPECT_EQ(walk::CompareTimes(at(base, true), at(base + coarse - 1, false)), 0);
        }
      }
    }
  }
}

}  // namespace
}  // namespace mirtel
