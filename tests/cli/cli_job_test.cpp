// The headless runner on the real file system: arguments, exit statuses,
// the summary line, the verbose lines, Ctrl+C as Stop, and the pruning.
#include "cli/cli_job.h"
#include "cli/console_view.h"
#include "job/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/native_ansi_codec.h"
#include "platform/native_file_system.h"
#include "platform/native_path.h"
#include "tests/fakes/bin_recycler.h"
#include "tests/fakes/faulty_file_system.h"
#include "tests/fakes/scratch_folder.h"

namespace mirtel {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
  std::vector<std::string> lines;  // stdout
  std::string Last() const { return lines.empty() ? "" : lines.back(); }
  bool Has(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

// A job's summary, and a preview's, which says what it would do.
const std::regex kSummary(
    R"(copied=(\d+) found=([01]) failed=(\d+) removed=(\d+) seconds=\d+\.\d{3})");
const std::regex kPreviewSummary(
    R"(dry_run=1 would_copy=(\d+) found=([01]) failed=(\d+) would_remove=(\d+) seconds=\d+\.\d{3})");

// A path below the job's root as the lines spell it.
std::string Below(std::string path) {
  std::replace(path.begin(), path.end(), '/', kPathSeparator);
  return path;
}

class CliTest : public ::testing::Test {
 protected:
  Outcome Walk(std::vector<std::string> args) {
    std::ostringstream out, err;
    Outcome o;
    CliPlatform platform{faulty_, recycler_, *codec_, settings_, terminal_};
    o.status = CliMain(args, platform, out, err, interrupted_);
    o.out = out.str();
    o.err = err.str();
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);) o.lines.push_back(line);
    return o;
  }
  // "copied=N found=F failed=N removed=N" (for a preview, what it would
  // do); fails the test when the last line is not a summary.
  std::string Summary(const Outcome& o) {
    std::smatch m;
    const std::string last = o.Last();
    if (!std::regex_match(last, m, kSummary) && !std::regex_match(last, m, kPreviewSummary)) {
      ADD_FAILURE() << "last line is not a summary: " << last;
      return {};
    }
    return "copied=" + m[1].str() + " found=" + m[2].str() + " failed=" + m[3].str() +
           " removed=" + m[4].str();
  }

  ScratchFolder dir_;
  std::unique_ptr<FileSystem> real_ = MakeNativeFileSystem();
  FaultyFileSystem faulty_{*real_};
  ScratchFolder bin_;
  BinRecycler recycler_{bin_.N("bin")};
  std::unique_ptr<AnsiCodec> codec_ = MakeNativeAnsiCodec();
  std::string settings_ = dir_.P("settings") + std::string(1, kPathSeparator);
  std::atomic<bool> interrupted_{false};
  bool terminal_ = false;  // standard error is a terminal
};

TEST_F(CliTest, BadFoldersAreRefusedWithTheWindowsTexts) {
  dir_.Dir("dst");
  dir_.Write("src/a.txt", "a");

  Outcome o = Walk({dir_.P("missing"), dir_.P("dst"), "--sync"});
  EXPECT_EQ(o.status, kExitBadInput);
  EXPECT_NE(o.err.find("コピー元が存在しません。"), std::string::npos) << o.err;

  o = Walk({dir_.P("src/a.txt"), dir_.P("dst")});  // a file is no source folder
  EXPECT_EQ(o.status, kExitBadInput);

  o = Walk({dir_.P("src"), dir_.P("src") + "/."});
  EXPECT_EQ(o.status, kExitBadInput);
  EXPECT_NE(o.err.find("コピー元とコピー先が同じです"), std::string::npos) << o.err;

  o = Walk({dir_.P("src"), ""});
  EXPECT_EQ(o.status, kExitBadInput);
  EXPECT_NE(o.err.find("コピー先が存在しません。"), std::string::npos) << o.err;

  EXPECT_TRUE(fs::is_empty(dir_.N("dst")));
  EXPECT_EQ(dir_.Read("src/a.txt"), "a");
}

TEST_F(CliTest, CopiesIntoANamedSubfolderAndPrintsTheResultLines) {
  dir_.Write("写真/一覧.txt", "list");
  dir_.Write("写真/2024/京都/金閣寺.jpg", "kinkaku");
  dir_.Dir("写真/空");
  dir_.Dir("backup");

  Outcome o = Walk({dir_.P("写真"), dir_.P("backup")});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  // The window's list, its result line, then the summary.
  EXPECT_EQ(o.lines.size(), 4u) << o.out;
  // Each item by its path below the root.
  EXPECT_TRUE(o.Has(Below("2024/京都/金閣寺.jpg")) && o.Has("一覧.txt")) << o.out;
  EXPECT_EQ(o.lines[2], "2個のファイルをコピーしました");
  EXPECT_EQ(Summary(o), "copied=2 found=1 failed=0 removed=0");
  EXPECT_EQ(dir_.Read("backup/写真/2024/京都/金閣寺.jpg"), "kinkaku");
  EXPECT_EQ(dir_.Read("backup/写真/一覧.txt"), "list");
  EXPECT_TRUE(fs::is_directory(dir_.N("backup/写真/空")));
}

TEST_F(CliTest, FailedCopyIsStatusOneAndNotCounted) {
  dir_.Write("src/good.txt", "g");
  dir_.Write("src/bad.txt", "b");
  dir_.Dir("dst");
  faulty_.fault = {FsCall::CopyFile, 1, FaultyFileSystem::Action::Fail, FsErrorKind::AccessDenied,
                   dir_.P("src")};  // bad.txt, listed first
  const Outcome o = Walk({dir_.P("src"), dir_.P("dst")});
  EXPECT_EQ(o.status, kExitFailed);
  EXPECT_EQ(Summary(o), "copied=1 found=1 failed=1 removed=0");
  EXPECT_TRUE(dir_.Exists("dst/src/good.txt"));
  EXPECT_FALSE(dir_.Exists("dst/src/bad.txt"));
}

TEST_F(CliTest, InterruptStopsTheWalkAndTheSummaryStillComes) {
  for (int i = 0; i < 20; ++i) dir_.Write("src/f" + std::to_string(i) + ".txt", "x");
  // One file after the other, and with copies in flight: every copy made
  // is counted and listed, in order, and none is made after the stop.
  int round = 0;
  for (const std::string parallel : {"--parallel=1", "--parallel=8"}) {
    dir_.Dir("dst");
    interrupted_ = false;
    // Ctrl+C during the third copy (the count of copies runs on over rounds).
    faulty_.fault = {FsCall::CopyFile, 3 * ++round, FaultyFileSystem::Action::Hook,
                     FsErrorKind::Other, dir_.P("src")};
    faulty_.hook = [&](const FaultyFileSystem::Call&) { interrupted_ = true; };
    const Outcome o = Walk({"-v", parallel, "--sync", dir_.P("src"), dir_.P("dst")});
    // The stop shows: its own status and a word on the console.
    EXPECT_EQ(o.status, kExitInterrupted) << o.err;
    EXPECT_EQ(Summary(o), "copied=3 found=1 failed=0 removed=0") << parallel;
    EXPECT_NE(o.err.find("中断しました"), std::string::npos) << o.err;
    EXPECT_TRUE(recycler_.calls.empty());
    std::vector<std::string> listed;
    for (const std::string& line : o.lines) {
      if (line.rfind("result: ", 0) == 0) listed.push_back(line.substr(8));
    }
    std::vector<std::string> made;
    for (const auto& entry : fs::directory_iterator(dir_.N("dst/src"))) {
      made.push_back(entry.path().filename().string());
    }
    std::sort(made.begin(), made.end());
    std::vector<std::string> sortedListed = listed;
    std::sort(sortedListed.begin(), sortedListed.end());
    EXPECT_EQ(sortedListed, made) << parallel;
    fs::remove_all(dir_.N("dst"));
  }
}

TEST_F(CliTest, SyncMovesWhatTheSourceNoLongerHasAndKeepsTheRest) {
  dir_.Write("src/keep.txt", "k");
  dir_.Write("src/kept/inner.txt", "i");
  dir_.Write("dst/src/keep.txt", "old");
  dir_.Write("dst/src/gone.txt", "g");
  dir_.Write("dst/src/kept/gone too.txt", "g");
  dir_.Write("dst/src/old folder/deep/x.txt", "x");

  const Outcome o = Walk({dir_.P("src"), dir_.P("dst"), "--sync", "--verbose"});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_EQ(Summary(o), "copied=1 found=1 failed=0 removed=3");
  EXPECT_TRUE(o.Has("result: gone.txtを削除")) << o.out;
  EXPECT_TRUE(o.Has("result: old folderフォルダを削除")) << o.out;
  EXPECT_EQ(recycler_.calls.size(), 3u);
  EXPECT_FALSE(dir_.Exists("dst/src/gone.txt"));
  EXPECT_FALSE(dir_.Exists("dst/src/old folder"));
  EXPECT_EQ(dir_.Read("dst/src/kept/inner.txt"), "i");
  EXPECT_EQ(dir_.Read("src/keep.txt"), "k");

  // Without --sync the destination's extra items stay.
  dir_.Write("dst/src/extra.txt", "e");
  const Outcome plain = Walk({dir_.P("src"), dir_.P("dst")});
  EXPECT_EQ(Summary(plain), "copied=0 found=1 failed=0 removed=0");
  EXPECT_TRUE(dir_.Exists("dst/src/extra.txt"));

  // Where no Trash takes them, the items stay, and the result line says why
  // once; the versions folder takes them instead.
  dir_.Write("dst/src/extra folder/x.txt", "x");
  recycler_.none = true;
  const Outcome noTrash = Walk({dir_.P("src"), dir_.P("dst"), "--sync"});
  EXPECT_EQ(noTrash.status, kExitFailed);
  EXPECT_EQ(Summary(noTrash), "copied=0 found=1 failed=2 removed=0");
  const std::string why = "ごみ箱が使えないため削除できなかった項目があります";
  EXPECT_EQ(
      std::count_if(noTrash.lines.begin(), noTrash.lines.end(),
                    [&](const std::string& line) { return line.find(why) != std::string::npos; }),
      1)
      << noTrash.out;
  EXPECT_NE(noTrash.out.find("--versions"), std::string::npos) << noTrash.out;
  EXPECT_TRUE(dir_.Exists("dst/src/extra.txt"));
  const Outcome kept =
      Walk({dir_.P("src"), dir_.P("dst"), "--sync", "--versions", dir_.P("dst/版")});
  EXPECT_EQ(kept.status, kExitOk) << kept.out << kept.err;
  EXPECT_EQ(Summary(kept), "copied=0 found=1 failed=0 removed=2");
  EXPECT_EQ(kept.out.find(why), std::string::npos);
  bool found = false;
  for (const auto& stamp : fs::directory_iterator(FromUtf8(dir_.P("dst/版")))) {
    found = fs::exists(stamp.path() / "extra.txt") &&
            fs::exists(stamp.path() / FromUtf8("extra folder") / "x.txt");
  }
  EXPECT_TRUE(found) << "the removed items are not in the versions folder";
  EXPECT_FALSE(dir_.Exists("dst/src/extra.txt"));
}

// Every entry of a folder, with its content: what a preview must leave alone.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  if (!fs::exists(root)) return entries;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::string content = e.is_directory() ? "<folder>" : "";
    if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      content.assign(std::istreambuf_iterator<char>(in), {});
      content += "@" + std::to_string(fs::last_write_time(e.path()).time_since_epoch().count());
    }
    entries[Utf8(fs::relative(e.path(), root))] = content;
  }
  return entries;
}

TEST_F(CliTest, ADryRunChangesNothingAndCountsWhatTheJobThenDoes) {
  dir_.Write("src/new.txt", "n");
  dir_.Write("src/newer.txt", "v2");
  dir_.Write("src/新しいフォルダ/深い/x.txt", "x");
  dir_.Write("src/clash", "now a file");
  dir_.Write("dst/src/newer.txt", "v1");
  fs::last_write_time(dir_.N("dst/src/newer.txt"),
                      fs::last_write_time(dir_.N("src/newer.txt")) - std::chrono::hours(1));
  dir_.Write("dst/src/gone.txt", "g");
  dir_.Write("dst/src/gone folder/y.txt", "y");
  dir_.Write("dst/src/clash/inside.txt", "was a folder");
  const auto before = Snapshot(dir_.N(""));

  const Outcome preview = Walk({"-n", "--sync", "--remember", dir_.P("src"), dir_.P("dst")});
  EXPECT_EQ(preview.status, kExitOk) << preview.err;
  EXPECT_TRUE(preview.Has("コピー予定：new.txt")) << preview.out;
  // It says what a job would do, never that it did.
  EXPECT_TRUE(preview.Has("4個のファイルをコピーします（予定）")) << preview.out;
  EXPECT_TRUE(std::regex_match(preview.Last(), kPreviewSummary)) << preview.Last();
  EXPECT_EQ(preview.out.find("コピーしました"), std::string::npos) << preview.out;
  EXPECT_TRUE(preview.Has("上書きコピー予定：newer.txt")) << preview.out;
  EXPECT_TRUE(preview.Has("フォルダ作成予定：新しいフォルダ")) << preview.out;
  EXPECT_TRUE(preview.Has("ごみ箱へ移動予定：gone.txt")) << preview.out;
  EXPECT_TRUE(preview.Has("ごみ箱へ移動予定：フォルダgone folder")) << preview.out;
  // Not the destination, not the Trash, not the history.
  EXPECT_EQ(Snapshot(dir_.N("")), before);
  EXPECT_TRUE(recycler_.calls.empty());

  const Outcome real = Walk({"--sync", dir_.P("src"), dir_.P("dst")});
  EXPECT_EQ(real.status, kExitOk) << real.err << real.out;
  EXPECT_EQ(Summary(preview), Summary(real));
  EXPECT_EQ(Summary(real), "copied=4 found=1 failed=0 removed=3");
  EXPECT_EQ(dir_.Read("dst/src/clash"), "now a file");
}

TEST_F(CliTest, AProgressLineOnlyOnATerminalWithTheShareWhenCountedFirst) {
  for (int i = 0; i < 5; ++i) dir_.Write("src/f" + std::to_string(i) + ".txt", "12345");
  dir_.Dir("dst");
  Outcome o = Walk({"--count-first", dir_.P("src"), dir_.P("dst")});
  EXPECT_EQ(o.err.find('\r'), std::string::npos) << o.err;  // not a terminal: nothing

  terminal_ = true;
  fs::remove_all(dir_.N("dst/src"));
  o = Walk({"--count-first", dir_.P("src"), dir_.P("dst")});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  // One line rewritten in place: files, bytes, the share; cleared at the end.
  EXPECT_NE(o.err.find("\r\x1b[K"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("件"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("%"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.substr(o.err.size() - 4), "\r\x1b[K") << o.err;
  EXPECT_EQ(Summary(o), "copied=5 found=1 failed=0 removed=0");
}

TEST(ConsoleViewTest, MessageBoxesGoToStderrOnOneLineAndAnswerHarmlessly) {
  std::ostringstream out, err;
  std::atomic<bool> interrupted{false};
  JobState state;
  ConsoleView view(out, err, {false, true, false}, interrupted, state);
  view.SetStatus("quiet");
  view.AppendResult("quiet");
  EXPECT_TRUE(out.str().empty());

  EXPECT_EQ(view.MsgBox("一行目\r\n二行目", kMbOk, {}), kIdOk);
  EXPECT_EQ(view.MsgBox("消しますか？", kMbYesNo + kMbDefButton2, "確認"), kIdNo);
  EXPECT_EQ(err.str(), "message: mirtel: 一行目 二行目\nmessage: 確認: 消しますか？\n");
  EXPECT_EQ(view.MessageCount(), 2);

  view.Yield();
  EXPECT_FALSE(state.StopFlag);
  interrupted = true;
  view.Yield();
  EXPECT_TRUE(state.StopFlag);
}

// The progress line of a terminal: at most ten redraws a second however
// many lines a walk prints in between, and the bytes of a large file as
// they are copied, before the file is done.
TEST(ConsoleViewTest, ProgressRedrawsAtMostTenTimesASecondAndShowsAFileInFlight) {
  std::ostringstream out, err;
  std::atomic<bool> interrupted{false};
  JobState state;
  ConsoleView view(out, err, {false, false, true}, interrupted, state);
  view.Expect(1, std::uint64_t{5} << 30);
  view.CopyProgress(Below("/data/映像/big.bin"), std::uint64_t{2} << 30, std::uint64_t{5} << 30);
  EXPECT_NE(err.str().find("2.00 GB（40%"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("big.bin"), std::string::npos) << err.str();
  // Told again at once: no redraw.
  view.CopyProgress(Below("/data/映像/big.bin"), std::uint64_t{3} << 30, std::uint64_t{5} << 30);
  EXPECT_EQ(err.str().find("3.00 GB"), std::string::npos) << err.str();

  const auto Draws = [&] {
    const std::string text = err.str();
    std::size_t draws = 0;
    for (std::size_t at = text.find("\r\x1b[K"); at != std::string::npos;
         at = text.find("\r\x1b[K", at + 1)) {
      if (at + 4 < text.size() && text[at + 4] != '\r') ++draws;  // a line, not an erase
    }
    return draws;
  };
  const std::size_t before = Draws();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20000; ++i) {
    view.AppendResult("file" + std::to_string(i) + ".txt");
    view.Yield();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LE(static_cast<double>(Draws() - before), seconds * 10 + 1) << seconds;
}

TEST(NormaliseFolderArgTest, GivesAbsoluteFoldersWithoutTrailingSeparator) {
  const fs::path cwd = fs::current_path();
  EXPECT_EQ(FromUtf8(NormaliseFolderArg(".")), cwd);
  EXPECT_EQ(FromUtf8(NormaliseFolderArg("a/b/")), cwd / "a" / "b");
  EXPECT_EQ(FromUtf8(NormaliseFolderArg("a/./x/../b")), cwd / "a" / "b");
  const fs::path root = cwd.root_path();
  EXPECT_EQ(FromUtf8(NormaliseFolderArg(Utf8(root))), root);
  EXPECT_EQ(NormaliseFolderArg(""), "");
}

}  // namespace
}  // namespace mirtel
