// The walks meet links and folders they may not read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/job_roots.h"
#include "platform/posix/posix_file_system.h"
#include "tests/engine/engine_fixture.h"

namespace mirtel {
namespace {

class WalkLinksTest : public EngineTest {
 protected:
  void Link(std::string_view target, std::string_view at) {
    std::filesystem::create_symlink(FromUtf8(target), tmp_.N(at));
  }
};

TEST_F(WalkLinksTest, CopyNeverWalksThroughALinkToAFolder) {
  tmp_.Write("moto/a.txt", "a");
  Link("..", "moto/loop");
  Link(tmp_.P("moto"), "moto/self");
  Copy();
  EXPECT_EQ(view_.results,
            (std::vector<std::string>{"a.txt", "フォルダloopはリンクなのでコピーしません",
                                      "フォルダselfはリンクなのでコピーしません"}));
  EXPECT_FALSE(tmp_.Exists("saki/loop"));
  EXPECT_FALSE(tmp_.Exists("saki/self"));
  EXPECT_EQ(state_.CopiedCount, 1);
  EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(WalkLinksTest, ALinkToAFileIsCopiedAsTheFileAndABrokenOneIsSkipped) {
  tmp_.Write("outside.txt", "real bytes");
  Link(tmp_.P("outside.txt"), "moto/flink");
  Link("nothing-here", "moto/broken");
  Copy();
  EXPECT_EQ(view_.results,
            (std::vector<std::string>{"brokenはリンク先がないのでコピーしません", "flink"}));
  EXPECT_EQ(tmp_.Read("saki/flink"), "real bytes");
  EXPECT_FALSE(std::filesystem::is_symlink(tmp_.N("saki/flink")));
  EXPECT_FALSE(tmp_.Exists("saki/broken"));
  EXPECT_EQ(state_.CopiedCount, 1);

  // Unchanged at the next job: the link's file and the copy share a time.
  ClearView();
  Copy();
  EXPECT_EQ(view_.results, std::vector<std::string>{"brokenはリンク先がないのでコピーしません"});
  EXPECT_EQ(CountOf(view_.statuses, "同じ日付です"), 1);
}

TEST_F(WalkLinksTest, CopyDoesNotWriteThroughALinkAtTheDestination) {
  tmp_.Write("moto/d/new.txt");
  tmp_.Dir("elsewhere");
  Link(tmp_.P("elsewhere"), "saki/d");
  Copy();
  EXPECT_TRUE(tmp_.Names("elsewhere").empty());
  EXPECT_EQ(view_.results,
            std::vector<std::string>{"フォルダdはコピー先がリンクなのでコピーしません"});
  EXPECT_EQ(state_.FailedCount, 1);
}

TEST_F(WalkLinksTest, SyncRemovesALinkItselfAndNeverWalksThroughOne) {
  tmp_.Write("moto/kept");
  tmp_.Write("target/precious.txt");
  Link(tmp_.P("target"), "saki/stale");
  Link(tmp_.P("target"), "saki/kept");
  Sync();
  EXPECT_EQ(view_.results, std::vector<std::string>{"staleを削除"});
  EXPECT_TRUE(recycler_.Holds("stale"));
  EXPECT_TRUE(std::filesystem::is_symlink(tmp_.N("saki/kept")));
  EXPECT_TRUE(tmp_.Exists("target/precious.txt"));
  EXPECT_EQ(recycler_.calls.size(), 1u);
}

TEST_F(WalkLinksTest, AnUnreadableSourceFolderEndsOnlyItsOwnWalk) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder whatever its mode";
  tmp_.Write("moto/closed/secret.txt");
  tmp_.Write("moto/open.txt");
  ::chmod(tmp_.P("moto/closed").c_str(), 0);
  Copy();
  ::chmod(tmp_.P("moto/closed").c_str(), 0755);
  ASSERT_EQ(view_.boxes.size(), 1u);
  EXPECT_EQ(view_.boxes[0], "アクセスが拒否されました\n" + tmp_.P("moto/closed") + "/");
  EXPECT_TRUE(tmp_.Exists("saki/open.txt"));
}

TEST(WalkListingMemory, ASecondJobReadsEveryFolderOnce) {
  ScratchFolder tmp;
  for (int i = 0; i < 20; ++i) tmp.Write("moto/d" + std::to_string(i) + "/f.txt");
  tmp.Dir("saki");
  // Folders changed within a tick of the clock are read afresh each time.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  PosixFileSystem fs;
  RecordingWalkView view;
  JobState state;
  BinRecycler bin(tmp.N("bin"));
  CopyEngine engine(fs, bin, view, state);
  state.MotoFolder = tmp.P("moto") + "/";
  state.SakiFolder = tmp.P("saki") + "/";
  RecordRoots(fs, state);
  engine.FolderCopy(state.MotoFolder);
  ASSERT_EQ(state.CopiedCount, 20);
  const std::size_t before = fs.FolderReads();
  engine.FolderCopy(state.MotoFolder);
  // The root, resumed twenty times, still comes from memory: only the
  // subfolders are read, each once.
  EXPECT_EQ(fs.FolderReads() - before, 20u);
}

}  // namespace
}  // namespace mirtel
