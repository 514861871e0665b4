// The headless runner on the real file system: arguments, exit statuses,
// the summary line, the verbose lines, Ctrl+C as Stop, and the pruning.
#include "cli/cli_job.h"
#include "cli/console_view.h"
#include "job/settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/native_ansi_codec.h"
#include "platform/native_file_system.h"
#include "platform/native_path.h"
#include "tests/fakes/forwarding_file_system.h"

namespace mirtel {
namespace {

namespace fs = std::filesystem;

fs::path U8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

class Scratch {
 public:
  Scratch() {
    std::random_device seed;
    root_ = fs::temp_directory_path() /
            ("mirtel-runner-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    fs::create_directories(root_);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  fs::path Native(const std::string& rel) const { return root_ / U8(rel); }
  std::string Path(const std::string& rel) const { return Utf8(Native(rel)); }
  void Folder(const std::string& rel) const { fs::create_directories(Native(rel)); }
  void File(const std::string& rel, const std::string& bytes) const {
    fs::create_directories(Native(rel).parent_path());
    std::ofstream(Native(rel), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(Native(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& rel) const { return fs::exists(Native(rel)); }

 private:
  fs::path root_;
};

// The real file system with a hook before each copy: a test makes one fail
// or presses Ctrl+C part way through.
class HookedFileSystem : public ForwardingFileSystem {
 public:
  explicit HookedFileSystem(FileSystem& real) : ForwardingFileSystem(real) {}
  std::function<void(const std::string& source)> beforeCopy;

  void CopyFile(const std::string& s, const std::string& d) override {
    if (beforeCopy) beforeCopy(s);
    real_.CopyFile(s, d);
  }
  void CopyNewFile(const std::string& s, const std::string& d) override {
    if (beforeCopy) beforeCopy(s);
    real_.CopyNewFile(s, d);
  }
};

// Takes items away for real (so the walk sees them gone) and remembers them.
class RecordingRecycler : public Recycler {
 public:
  RecordingRecycler() = default;
  void MoveToRecycleBin(const std::string& path) override {
    moved.push_back(path);
    fs::remove_all(U8(path));
  }
  std::vector<std::string> moved;
};

struct Outcome {
  int status = -1;
  std::string out, err;
  std::vector<std::string> lines;  // stdout
  std::string Last() const { return lines.empty() ? "" : lines.back(); }
  bool Has(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

const std::regex kSummary(
    R"(copied=(\d+) found=([01]) failed=(\d+) removed=(\d+) seconds=\d+\.\d{3})");

class CliTest : public ::testing::Test {
 protected:
  Outcome Walk(std::vector<std::string> args) {
    std::ostringstream out, err;
    Outcome o;
    CliPlatform platform{hooked_, recycler_, *codec_, settings_, terminal_};
    o.status = CliMain(args, platform, out, err, interrupted_);
    o.out = out.str();
    o.err = err.str();
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);) o.lines.push_back(line);
    return o;
  }
  // "copied=N found=F failed=N removed=N"; fails the test when the last line
  // is not a summary.
  std::string Summary(const Outcome& o) {
    std::smatch m;
    const std::string last = o.Last();
    if (!std::regex_match(last, m, kSummary)) {
      ADD_FAILURE() << "last line is not a summary: " << last;
      return {};
    }
    return "copied=" + m[1].str() + " found=" + m[2].str() + " failed=" + m[3].str() +
           " removed=" + m[4].str();
  }

  Scratch dir_;
  std::unique_ptr<FileSystem> real_ = MakeNativeFileSystem();
  HookedFileSystem hooked_{*real_};
  RecordingRecycler recycler_;
  std::unique_ptr<AnsiCodec> codec_ = MakeNativeAnsiCodec();
  std::string settings_ = dir_.Path("settings") + std::string(1, kPathSeparator);
  std::atomic<bool> interrupted_{false};
  bool terminal_ = false;  // standard error is a terminal
};

TEST_F(CliTest, BadArgumentsGiveUsageAndStatusTwoAndTouchNothing) {
  dir_.Folder("src");
  dir_.Folder("dst");
  for (const auto& args :
       std::vector<std::vector<std::string>>{{},
                                             {dir_.Path("src")},
                                             {dir_.Path("src"), dir_.Path("dst"), dir_.Path("x")},
                                             {dir_.Path("src"), dir_.Path("dst"), "--mirror"}}) {
    const Outcome o = Walk(args);
    EXPECT_EQ(o.status, kExitBadInput) << ::testing::PrintToString(args);
    EXPECT_NE(o.err.find("usage: mirtel-cli [options] SRC DST"), std::string::npos) << o.err;
    EXPECT_TRUE(o.out.empty()) << o.out;
  }
  EXPECT_TRUE(fs::is_empty(dir_.Native("dst")));
}

TEST_F(CliTest, BadFoldersAreRefusedWithTheWindowsTexts) {
  dir_.Folder("dst");
  dir_.File("src/a.txt", "a");

  Outcome o = Walk({dir_.Path("missing"), dir_.Path("dst"), "--sync"});
  EXPECT_EQ(o.status, kExitBadInput);
  EXPECT_NE(o.err.find("コピー元が存在しません。"), std::string::npos) << o.err;

  o = Walk({dir_.Path("src/a.txt"), dir_.Path("dst")});  // a file is no source folder
  EXPECT_EQ(o.status, kExitBadInput);

  o = Walk({dir_.Path("src"), dir_.Path("src") + "/."});
  EXPECT_EQ(o.status, kExitBadInput);
  EXPECT_NE(o.err.find("コピー元とコピー先が同じです"), std::string::npos) << o.err;

  o = Walk({dir_.Path("src"), ""});
  EXPECT_EQ(o.status, kExitBadInput);
  EXPECT_NE(o.err.find("コピー先が存在しません。"), std::string::npos) << o.err;

  EXPECT_TRUE(fs::is_empty(dir_.Native("dst")));
  EXPECT_EQ(dir_.Read("src/a.txt"), "a");
}

TEST_F(CliTest, UnreachableDestinationIsStatusOneWithASummary) {
  dir_.File("src/a.txt", "a");
  const Outcome o = Walk({dir_.Path("src"), dir_.Path("no/such/folder")});
  EXPECT_EQ(o.status, kExitFailed);
  EXPECT_NE(o.err.find("コピー先のフォルダが開けません"), std::string::npos) << o.err;
  EXPECT_EQ(Summary(o), "copied=0 found=0 failed=1 removed=0");
  EXPECT_FALSE(dir_.Exists("no"));
}

TEST_F(CliTest, CopiesIntoANamedSubfolderAndPrintsTheResultLines) {
  dir_.File("写真/一覧.txt", "list");
  dir_.File("写真/2024/京都/金閣寺.jpg", "kinkaku");
  dir_.Folder("写真/空");
  dir_.Folder("backup");

  Outcome o = Walk({dir_.Path("写真"), dir_.Path("backup")});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  // The window's list, its result line, then the summary.
  EXPECT_EQ(o.lines.size(), 4u) << o.out;
  EXPECT_TRUE(o.Has("金閣寺.jpg") && o.Has("一覧.txt")) << o.out;
  EXPECT_EQ(o.lines[2], "2個のファイルをコピーしました");
  EXPECT_EQ(Summary(o), "copied=2 found=1 failed=0 removed=0");
  EXPECT_EQ(dir_.Read("backup/写真/2024/京都/金閣寺.jpg"), "kinkaku");
  EXPECT_EQ(dir_.Read("backup/写真/一覧.txt"), "list");
  EXPECT_TRUE(fs::is_directory(dir_.Native("backup/写真/空")));

  // Relative paths with a trailing separator name the same folders.
  const fs::path before = fs::current_path();
  fs::current_path(dir_.Native(""));
  o = Walk({"-q", "写真/", "backup"});
  fs::current_path(before);
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_EQ(o.lines.size(), 1u) << o.out;  // --quiet: the summary alone
  EXPECT_EQ(Summary(o), "copied=0 found=1 failed=0 removed=0");
  EXPECT_FALSE(dir_.Exists("backup/写真/写真"));
}

TEST_F(CliTest, EmptySourceIsFoundZero) {
  dir_.Folder("src/only/folders");
  dir_.Folder("dst");
  const Outcome o = Walk({dir_.Path("src"), dir_.Path("dst")});
  EXPECT_EQ(o.status, kExitOk);
  EXPECT_EQ(Summary(o), "copied=0 found=0 failed=0 removed=0");
  EXPECT_TRUE(fs::is_directory(dir_.Native("dst/src/only/folders")));
}

TEST_F(CliTest, VerbosePrintsStatusAndResultLinesThenTheSummary) {
  dir_.File("src/a.txt", "a");
  dir_.File("src/sub/b.txt", "b");
  dir_.Folder("dst");

  Outcome o = Walk({"--verbose", dir_.Path("src"), dir_.Path("dst")});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_TRUE(o.Has("status: a.txtをコピー")) << o.out;
  EXPECT_TRUE(o.Has("result: a.txt")) << o.out;
  EXPECT_TRUE(o.Has("status: フォルダsubを作成")) << o.out;
  EXPECT_TRUE(o.Has("result: b.txt")) << o.out;
  EXPECT_EQ(Summary(o), "copied=2 found=1 failed=0 removed=0");

  o = Walk({dir_.Path("src"), "--verbose", dir_.Path("dst")});
  EXPECT_TRUE(o.Has("status: 同じ日付です")) << o.out;
  EXPECT_TRUE(o.Has("status: フォルダを検索")) << o.out;
  for (const std::string& line : o.lines) EXPECT_NE(line.rfind("result: ", 0), 0u) << line;
  EXPECT_EQ(Summary(o), "copied=0 found=1 failed=0 removed=0");
}

TEST_F(CliTest, FailedCopyIsStatusOneAndNotCounted) {
  dir_.File("src/good.txt", "g");
  dir_.File("src/bad.txt", "b");
  dir_.Folder("dst");
  hooked_.beforeCopy = [](const std::string& source) {
    if (source.ends_with("bad.txt")) throw FsError(FsErrorKind::AccessDenied, source);
  };
  const Outcome o = Walk({dir_.Path("src"), dir_.Path("dst")});
  EXPECT_EQ(o.status, kExitFailed);
  EXPECT_EQ(Summary(o), "copied=1 found=1 failed=1 removed=0");
  EXPECT_TRUE(dir_.Exists("dst/src/good.txt"));
  EXPECT_FALSE(dir_.Exists("dst/src/bad.txt"));
}

TEST_F(CliTest, InterruptStopsTheWalkAndTheSummaryStillComes) {
  for (int i = 0; i < 20; ++i) dir_.File("src/f" + std::to_string(i) + ".txt", "x");
  dir_.Folder("dst");
  int copies = 0;
  hooked_.beforeCopy = [&](const std::string&) {
    if (++copies == 3) interrupted_ = true;  // Ctrl+C during the third copy
  };
  const Outcome o = Walk({"--sync", dir_.Path("src"), dir_.Path("dst")});
  // The stop shows: its own status and a word on the console.
  EXPECT_EQ(o.status, kExitInterrupted) << o.err;
  EXPECT_EQ(Summary(o), "copied=3 found=1 failed=0 removed=0");
  EXPECT_NE(o.err.find("中断しました"), std::string::npos) << o.err;
  EXPECT_TRUE(recycler_.moved.empty());
}

TEST_F(CliTest, SyncMovesWhatTheSourceNoLongerHasAndKeepsTheRest) {
  dir_.File("src/keep.txt", "k");
  dir_.File("src/kept/inner.txt", "i");
  dir_.File("dst/src/keep.txt", "old");
  dir_.File("dst/src/gone.txt", "g");
  dir_.File("dst/src/kept/gone too.txt", "g");
  dir_.File("dst/src/old folder/deep/x.txt", "x");

  const Outcome o = Walk({dir_.Path("src"), dir_.Path("dst"), "--sync", "--verbose"});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_EQ(Summary(o), "copied=1 found=1 failed=0 removed=3");
  EXPECT_TRUE(o.Has("result: gone.txtを削除")) << o.out;
  EXPECT_TRUE(o.Has("result: old folderフォルダを削除")) << o.out;
  EXPECT_EQ(recycler_.moved.size(), 3u);
  EXPECT_FALSE(dir_.Exists("dst/src/gone.txt"));
  EXPECT_FALSE(dir_.Exists("dst/src/old folder"));
  EXPECT_EQ(dir_.Read("dst/src/kept/inner.txt"), "i");
  EXPECT_EQ(dir_.Read("src/keep.txt"), "k");

  // Without --sync the destination's extra items stay.
  dir_.File("dst/src/extra.txt", "e");
  const Outcome plain = Walk({dir_.Path("src"), dir_.Path("dst")});
  EXPECT_EQ(Summary(plain), "copied=0 found=1 failed=0 removed=0");
  EXPECT_TRUE(dir_.Exists("dst/src/extra.txt"));
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
  dir_.File("src/new.txt", "n");
  dir_.File("src/newer.txt", "v2");
  dir_.File("src/新しいフォルダ/深い/x.txt", "x");
  dir_.File("src/clash", "now a file");
  dir_.File("dst/src/newer.txt", "v1");
  fs::last_write_time(dir_.Native("dst/src/newer.txt"),
                      fs::last_write_time(dir_.Native("src/newer.txt")) - std::chrono::hours(1));
  dir_.File("dst/src/gone.txt", "g");
  dir_.File("dst/src/gone folder/y.txt", "y");
  dir_.File("dst/src/clash/inside.txt", "was a folder");
  const auto before = Snapshot(dir_.Native(""));

  const Outcome preview = Walk({"-n", "--sync", "--remember", dir_.Path("src"), dir_.Path("dst")});
  EXPECT_EQ(preview.status, kExitOk) << preview.err;
  EXPECT_TRUE(preview.Has("コピー予定：new.txt")) << preview.out;
  EXPECT_TRUE(preview.Has("上書きコピー予定：newer.txt")) << preview.out;
  EXPECT_TRUE(preview.Has("フォルダ作成予定：新しいフォルダ")) << preview.out;
  EXPECT_TRUE(preview.Has("ごみ箱へ移動予定：gone.txt")) << preview.out;
  EXPECT_TRUE(preview.Has("ごみ箱へ移動予定：フォルダgone folder")) << preview.out;
  // Not the destination, not the Trash, not the history.
  EXPECT_EQ(Snapshot(dir_.Native("")), before);
  EXPECT_TRUE(recycler_.moved.empty());

  const Outcome real = Walk({"--sync", dir_.Path("src"), dir_.Path("dst")});
  EXPECT_EQ(real.status, kExitOk) << real.err << real.out;
  EXPECT_EQ(Summary(preview), Summary(real));
  EXPECT_EQ(Summary(real), "copied=4 found=1 failed=0 removed=3");
  EXPECT_EQ(dir_.Read("dst/src/clash"), "now a file");
}

TEST_F(CliTest, LastRunsTheWindowsNewestFoldersAndRememberRecordsThem) {
  dir_.File("old/a.txt", "a");
  dir_.File("写真/b.txt", "b");
  dir_.Folder("old backup");
  dir_.Folder("バックアップ");
  // The history as the window writes it.
  SettingsRecord saved;
  saved.MotoHistory[0] = dir_.Path("old");
  saved.MotoHistory[1] = dir_.Path("写真");
  saved.MotoCount = 2;
  saved.SakiHistory[0] = dir_.Path("old backup");
  saved.SakiHistory[1] = dir_.Path("バックアップ");
  saved.SakiCount = 2;
  fs::create_directories(U8(settings_));
  SaveSettings(saved, settings_ + "mirtel.dat", *real_, *codec_);
  const std::string history = dir_.Read("settings/mirtel.dat");

  Outcome o = Walk({"--last"});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  EXPECT_EQ(dir_.Read("バックアップ/写真/b.txt"), "b");
  EXPECT_FALSE(dir_.Exists("old backup/old"));
  EXPECT_EQ(dir_.Read("settings/mirtel.dat"), history);  // --last alone writes nothing

  o = Walk({"--remember", dir_.Path("old"), dir_.Path("old backup")});
  EXPECT_EQ(o.status, kExitOk) << o.err;
  const SettingsRecord after = DecodeSettings(real_->ReadFile(settings_ + "mirtel.dat"), *codec_);
  EXPECT_EQ(after.MotoHistory[static_cast<std::size_t>(after.MotoCount - 1)], dir_.Path("old"));
  EXPECT_EQ(after.SakiHistory[static_cast<std::size_t>(after.SakiCount - 1)],
            dir_.Path("old backup"));

  // No history at all: a clear refusal, nothing touched.
  fs::remove(dir_.Native("settings/mirtel.dat"));
  o = Walk({"--last", "--sync"});
  EXPECT_EQ(o.status, kExitBadInput);
  EXPECT_NE(o.err.find("履歴"), std::string::npos) << o.err;
  EXPECT_EQ(Walk({"--last", dir_.Path("old")}).status, kExitBadInput);
}

TEST_F(CliTest, AProgressLineOnlyOnATerminalWithTheShareWhenCountedFirst) {
  for (int i = 0; i < 5; ++i) dir_.File("src/f" + std::to_string(i) + ".txt", "12345");
  dir_.Folder("dst");
  Outcome o = Walk({"--count-first", dir_.Path("src"), dir_.Path("dst")});
  EXPECT_EQ(o.err.find('\r'), std::string::npos) << o.err;  // not a terminal: nothing

  terminal_ = true;
  fs::remove_all(dir_.Native("dst/src"));
  o = Walk({"--count-first", dir_.Path("src"), dir_.Path("dst")});
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

TEST(NormaliseFolderArgTest, GivesAbsoluteFoldersWithoutTrailingSeparator) {
  const fs::path cwd = fs::current_path();
  EXPECT_EQ(U8(NormaliseFolderArg(".")), cwd);
  EXPECT_EQ(U8(NormaliseFolderArg("a/b/")), cwd / "a" / "b");
  EXPECT_EQ(U8(NormaliseFolderArg("a/./x/../b")), cwd / "a" / "b");
  const fs::path root = cwd.root_path();
  EXPECT_EQ(U8(NormaliseFolderArg(Utf8(root))), root);
  EXPECT_EQ(NormaliseFolderArg(""), "");
}

}  // namespace
}  // namespace mirtel
