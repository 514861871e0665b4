// The sync walk over real folders; removals go to the test's own bin.
#include <gtest/gtest.h>

#include "tests/engine/engine_fixture.h"
#include "tests/fakes/failing_file_system.h"

namespace mirtel {
namespace {

// Each case twice: every removal in its turn, and the moves on workers
// beside the walk (as on a share), which must read and end the same.
class StartSyncTest : public EngineTest, public ::testing::WithParamInterface<bool> {
 protected:
  StartSyncTest() {
    if (GetParam()) {
      state_.Parallel = 4;
      recycler_.later = true;
    }
  }
};
INSTANTIATE_TEST_SUITE_P(Removals, StartSyncTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& removals) {
                           return removals.param ? "OnWorkers" : "InTurn";
                         });

TEST_P(StartSyncTest, SameNamesRemoveNothing) {
  tmp_.Write("moto/a.txt");
  tmp_.Write("moto/sub/b.txt");
  tmp_.Dir("moto/sub/empty");
  Copy();
  ClearView();
  Sync();
  EXPECT_TRUE(recycler_.calls.empty());
  EXPECT_TRUE(view_.results.empty());
  EXPECT_EQ(view_.statuses, (std::vector<std::string>{"フォルダを検索", "フォルダを検索"}));
  EXPECT_EQ(state_.RemovedCount, 0);
}

TEST_P(StartSyncTest, RemovesWhatTheSourceNoLongerHas) {
  tmp_.Write("moto/keep.txt");
  tmp_.Write("moto/kept/x.txt");
  tmp_.Write("saki/keep.txt");
  tmp_.Write("saki/kept/x.txt");
  tmp_.Write("saki/kept/stale.txt");
  tmp_.Write("saki/old/deep/1.txt");
  tmp_.Write("saki/old/2.txt");
  tmp_.Write("saki/zz.txt");
  Sync();
  EXPECT_EQ(view_.results,
            (std::vector<std::string>{"stale.txtを削除", "oldフォルダを削除", "zz.txtを削除"}));
  EXPECT_EQ(view_.statuses, (std::vector<std::string>{"フォルダを検索", "stale.txtを削除",
                                                      "oldフォルダを削除", "zz.txtを削除"}));
  EXPECT_EQ(tmp_.Names("saki"), (std::vector<std::string>{"keep.txt", "kept"}));
  EXPECT_EQ(tmp_.Names("saki/kept"), std::vector<std::string>{"x.txt"});
  EXPECT_TRUE(recycler_.Holds("old"));
  EXPECT_TRUE(recycler_.Holds("zz.txt"));
  // A removed folder goes whole; nothing is visited twice.
  EXPECT_EQ(recycler_.calls.size(), 3u);
  EXPECT_EQ(state_.RemovedCount, 3);
  EXPECT_EQ(state_.FailedCount, 0);
}

TEST_P(StartSyncTest, AllEntriesAfterARemovedFolderAreStillExamined) {
  tmp_.Write("moto/c/k.txt");
  tmp_.Write("saki/a/1.txt");
  tmp_.Write("saki/b/2.txt");
  tmp_.Write("saki/c/k.txt");
  tmp_.Write("saki/c/x.txt");
  tmp_.Write("saki/d.txt");
  Sync();
  EXPECT_EQ(tmp_.Names("saki"), std::vector<std::string>{"c"});
  EXPECT_EQ(tmp_.Names("saki/c"), std::vector<std::string>{"k.txt"});
  EXPECT_EQ(view_.results, (std::vector<std::string>{"aフォルダを削除", "bフォルダを削除",
                                                     "x.txtを削除", "d.txtを削除"}));
  EXPECT_EQ(CountOf(view_.statuses, "フォルダを検索"), 1);
}

TEST_P(StartSyncTest, HiddenFolderOfTheSourceKeepsItsCounterpart) {
  tmp_.Write("moto/.config/a");
  tmp_.Write("saki/.config/a");
  Sync();
  EXPECT_TRUE(tmp_.Exists("saki/.config/a"));
  EXPECT_TRUE(recycler_.calls.empty());
}

TEST_P(StartSyncTest, StopDuringTheSyncRemovesNothingFurther) {
  tmp_.Write("moto/keep.txt");
  tmp_.Write("saki/a.txt");
  tmp_.Write("saki/b.txt");
  tmp_.Write("saki/c.txt");
  // Stopped once the walk has decided on a.txt: what is in flight then is
  // finished and told (or, not started yet, dropped and kept), nothing
  // more is handed out.
  view_.onYield = [&](int) {
    if (!recycler_.calls.empty()) state_.StopFlag = true;
  };
  Sync();
  EXPECT_EQ(recycler_.calls.size(), 1u);
  const bool told = CountOf(view_.results, "a.txtを削除") == 1;
  EXPECT_NE(tmp_.Exists("saki/a.txt"), told);
  if (!GetParam()) {
    EXPECT_TRUE(told);
  }
  EXPECT_EQ(state_.RemovedCount, told ? 1 : 0);
  EXPECT_TRUE(tmp_.Exists("saki/b.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/c.txt"));
}

TEST_P(StartSyncTest, SyncAfterAStoppedCopyLeavesAtOnce) {
  tmp_.Write("moto/a.txt");
  tmp_.Write("saki/extra.txt");
  state_.StopFlag = true;
  Sync();
  EXPECT_EQ(view_.yields, 0);
  EXPECT_TRUE(view_.statuses.empty());
  EXPECT_TRUE(view_.boxes.empty());
  EXPECT_TRUE(tmp_.Exists("saki/extra.txt"));
}

TEST_P(StartSyncTest, NothingIsPrunedWhenTheSourceIsMissingOrEmpty) {
  tmp_.Write("saki/a.txt");
  tmp_.Write("saki/sub/b.txt");
  Sync();  // the source folder is there, but holds nothing
  EXPECT_EQ(view_.results,
            std::vector<std::string>{"コピー元のフォルダが空のため、同期の削除はしませんでした"});
  EXPECT_EQ(view_.statuses, view_.results);
  EXPECT_EQ(view_.boxes, view_.results);

  std::filesystem::remove(tmp_.N("moto"));
  ClearView();
  Sync();
  EXPECT_EQ(view_.boxes, std::vector<std::string>{
                             "コピー元のフォルダが見つからないため、同期の削除はしませんでした"});
  EXPECT_EQ(view_.results, view_.boxes);
  EXPECT_TRUE(recycler_.calls.empty());
  EXPECT_TRUE(tmp_.Exists("saki/sub/b.txt"));
}

class GuardedSyncTest : public EngineTest {
 protected:
  GuardedSyncTest() : failing_(*fs_), guarded_(failing_, recycler_, view_, state_) {}

  void GuardedSync() {
    state_.MotoFolder = tmp_.P("moto") + kSep;
    state_.SakiFolder = tmp_.P("saki") + kSep;
    RecordRoots(failing_, state_);
    guarded_.StartSync(state_.SakiFolder, state_.MotoFolder);
  }

  FailingFileSystem failing_;
  CopyEngine guarded_;
};

TEST_F(GuardedSyncTest, NothingIsPrunedWhenTheSourceCannotBeRead) {
  tmp_.Write("moto/a.txt");
  tmp_.Write("saki/extra.txt");
  failing_.failListing[tmp_.P("moto") + kSep] = FsErrorKind::AccessDenied;
  GuardedSync();
  EXPECT_EQ(view_.boxes, std::vector<std::string>{
                             "コピー元のフォルダを読めないため、同期の削除はしませんでした"});
  EXPECT_TRUE(tmp_.Exists("saki/extra.txt"));
}

TEST_F(GuardedSyncTest, SystemFoldersAreKeptOnlyAtTheTopOfAVolume) {
  tmp_.Write("moto/a.txt");
  for (const char* name :
       {"RECYCLED", "$Recycle.Bin", "System Volume Information", "lost+found", ".Trash-1000"}) {
    tmp_.Write("saki/" + std::string(name) + "/inside.txt");
    tmp_.Write("saki/sub/" + std::string(name) + "/inside.txt");
  }
  tmp_.Write("moto/sub/keep.txt");
  tmp_.Write("saki/z.txt");
  failing_.volumeRoots.insert(tmp_.P("saki") + kSep);
  GuardedSync();
  // At the top they are the system's: kept and not entered.
  EXPECT_TRUE(tmp_.Exists("saki/RECYCLED/inside.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/$Recycle.Bin/inside.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/System Volume Information/inside.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/lost+found/inside.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/.Trash-1000/inside.txt"));
  // Below it they are ordinary folders.
  EXPECT_TRUE(tmp_.Names("saki/sub").empty());
  EXPECT_FALSE(tmp_.Exists("saki/z.txt"));
  EXPECT_EQ(state_.RemovedCount, 6);
}

TEST_F(GuardedSyncTest, AnUncertainCounterpartKeepsTheItem) {
  tmp_.Write("moto/a.txt");
  tmp_.Write("saki/locked.txt");
  tmp_.Write("saki/lockeddir/x.txt");
  tmp_.Write("saki/extra.txt");
  failing_.failAttributes[tmp_.P("moto/locked.txt")] = FsErrorKind::AccessDenied;
  failing_.failAttributes[tmp_.P("moto/lockeddir")] = FsErrorKind::Other;
  GuardedSync();
  EXPECT_TRUE(tmp_.Exists("saki/locked.txt"));
  EXPECT_TRUE(tmp_.Exists("saki/lockeddir/x.txt"));
  EXPECT_FALSE(tmp_.Exists("saki/extra.txt"));
  EXPECT_EQ(view_.results,
            (std::vector<std::string>{
                "extra.txtを削除", "locked.txtはコピー元を確かめられないので残しました",
                "フォルダlockeddirはコピー元を確かめられないので残しました"}));
  // Kept, but the job is not clean.
  EXPECT_EQ(state_.FailedCount, 2);
}

TEST_P(StartSyncTest, AFolderThatCannotGoIsReportedOnceAndKept) {
  tmp_.Write("moto/a.txt");
  tmp_.Write("saki/stuck/in.txt");
  tmp_.Write("saki/zz.txt");
  recycler_.refuse.insert(tmp_.P("saki/stuck"));
  Sync();
  EXPECT_EQ(view_.boxes, (std::vector<std::string>{
                             "FileCopySubでエラー",
                             "ごみ箱に移せないため削除しませんでした\n" + tmp_.P("saki/stuck")}));
  EXPECT_EQ(view_.results,
            (std::vector<std::string>{
                "フォルダstuckを削除できませんでした：ごみ箱に移せないため削除しませんでした",
                "zz.txtを削除"}));
  EXPECT_TRUE(tmp_.Exists("saki/stuck/in.txt"));
  EXPECT_EQ(CountOf(recycler_.calls, tmp_.P("saki/stuck")), 1);
  EXPECT_EQ(state_.FailedCount, 1);
  EXPECT_EQ(state_.RemovedCount, 1);
  EXPECT_EQ(state_.FailedRemovals.count(tmp_.P("saki/stuck")), 1u);

  // Within the same job it is not tried again.
  ClearView();
  Sync();
  EXPECT_EQ(CountOf(recycler_.calls, tmp_.P("saki/stuck")), 1);
  EXPECT_TRUE(view_.boxes.empty());
}

TEST_P(StartSyncTest, RemovalBoxesComeOncePerJobAndEveryFailureIsListed) {
  tmp_.Write("moto/a.txt");
  tmp_.Write("saki/x1.txt");
  tmp_.Write("saki/x2.txt");
  tmp_.Write("saki/x3.txt");
  for (const char* name : {"saki/x1.txt", "saki/x2.txt", "saki/x3.txt"}) {
    recycler_.refuse.insert(tmp_.P(name));
  }
  Sync();
  EXPECT_EQ(view_.boxes.size(), 2u);
  EXPECT_EQ(CountOf(view_.results,
                    "x2.txtを削除できませんでした：ごみ箱に移せないため削除しませんでした"),
            1);
  EXPECT_EQ(state_.FailedCount, 3);
  EXPECT_TRUE(tmp_.Exists("saki/x1.txt") && tmp_.Exists("saki/x3.txt"));
}

TEST_P(StartSyncTest, TheSourceInsideTheDestinationIsNeverRemoved) {
  // Source saki/n/n, destination saki/n: the source lies in what is pruned.
  tmp_.Write("saki/n/n/data.txt");
  tmp_.Write("saki/n/extra.txt");
  state_.MotoFolder = tmp_.P("saki/n/n") + kSep;
  state_.SakiFolder = tmp_.P("saki/n") + kSep;
  RecordRoots(*fs_, state_);
  engine_.StartSync(state_.SakiFolder, state_.MotoFolder);
  EXPECT_TRUE(tmp_.Exists("saki/n/n/data.txt"));
  EXPECT_FALSE(tmp_.Exists("saki/n/extra.txt"));
  EXPECT_EQ(CountOf(view_.results, "フォルダnはコピー元を含むので削除しません"), 1);
}

TEST_P(StartSyncTest, FileCopySubDropsTheTrailingSeparatorAndOnlyRecycles) {
  tmp_.Write("saki/dir/a.txt");
  EXPECT_TRUE(engine_.FileCopySub(tmp_.P("saki/dir") + kSep, kFoDelete));
  EXPECT_EQ(recycler_.calls, std::vector<std::string>{tmp_.P("saki/dir")});
  EXPECT_FALSE(tmp_.Exists("saki/dir"));

  tmp_.Write("saki/b.txt");
  EXPECT_FALSE(engine_.FileCopySub(tmp_.P("saki/b.txt"), 2));
  EXPECT_EQ(view_.boxes.size(), 2u);
  EXPECT_EQ(view_.boxes[0], "FileCopySubでエラー");
  EXPECT_TRUE(tmp_.Exists("saki/b.txt"));
}

}  // namespace
}  // namespace mirtel
