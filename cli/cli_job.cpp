#include "cli/cli_job.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <sstream>
#include <system_error>

#include "cli/console_view.h"
#include "cli/job_log.h"
#include "cli/job_report.h"
#include "engine/copy_engine.h"
#include "engine/error_text.h"
#include "engine/job_state.h"
#include "engine/path_helpers.h"
#include "job/copy_job.h"
#include "job/settings.h"
#include "job/visible_text.h"

namespace mirtel {
namespace {

constexpr const char* kName = "mirtel-cli: ";

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool IsFolder(FileSystem& fs, const std::string& path) {
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  return fs.TryAttributes(path, attrs, why) && (attrs & kAttrDirectory) != 0;
}

// The history as the window keeps it, without a window: the lists are all
// there is to fill.
class NoComboBox : public ComboBox {
 public:
  std::string Text() override { return text_; }
  void SetText(std::string_view text) override { text_ = text; }
  void Clear() override {}
  void AddItem(std::string_view) override {}
  int ListCount() override { return 0; }
  void SelectIndex(int) override {}

 private:
  std::string text_;
};

// The newest folders of the window's history, or a reason why there are none.
bool LastFolders(CliPlatform& p, std::string& moto, std::string& saki, std::string& why) {
  std::string bytes;
  try {
    bytes = p.fs.ReadFile(p.settingsFolder + "mirtel.dat");
  } catch (const std::exception& e) {
    why = "履歴を読めません：" + ErrorReason(e) + " " + p.settingsFolder + "mirtel.dat";
    return false;
  }
  const SettingsRecord record = DecodeSettings(bytes, p.codec);
  if (record.MotoCount < 1 || record.SakiCount < 1) {
    why = "履歴にコピー元とコピー先がありません";
    return false;
  }
  moto = record.MotoHistory[static_cast<std::size_t>(record.MotoCount - 1)];
  saki = record.SakiHistory[static_cast<std::size_t>(record.SakiCount - 1)];
  return true;
}

// Records the job's folders in the window's history, as a finished job in
// the window does.
void Remember(CliPlatform& p, const std::string& moto, const std::string& saki) {
  const std::string path = p.settingsFolder + "mirtel.dat";
  SettingsRecord record;
  try {
    record = DecodeSettings(p.fs.ReadFile(path), p.codec);
  } catch (const FsError& e) {
    if (e.kind() != FsErrorKind::NotFound) throw;
  }
  NoComboBox box;
  bool found = false;
  AddHistory(record.MotoHistory, record.MotoCount, box, moto, found);
  AddHistory(record.SakiHistory, record.SakiCount, box, saki, found);
  SaveSettings(record, path, p.fs, p.codec);
}

}  // namespace

std::string NormaliseFolderArg(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(PathOf(path), ec);
  if (ec) full = PathOf(path);
  full = full.lexically_normal();
  // "a/b/" normalises to "a/b/" with an empty file name: drop the separator.
  if (!full.has_filename() && full != full.root_path()) full = full.parent_path();
  return Utf8Of(full);
}

int RunCopyJob(const CliOptions& options, CliPlatform& p, std::ostream& out, std::ostream& err,
               const std::atomic<bool>& interrupted) {
  FileSystem& fs = p.fs;
  std::string sourceText = options.source;
  std::string destText = options.dest;
  if (options.last) {
    std::string why;
    if (!LastFolders(p, sourceText, destText, why)) {
      err << kName << why << '\n';
      return kExitBadInput;
    }
  }

  JobState state;
  // Lines name each item by its path below the root: nothing around them
  // tells which folder a bare name is in.
  state.ItemsByPath = true;
  const bool progress = p.terminal && !options.quiet;
  ConsoleView view(out, err, {options.verbose, options.quiet, progress}, interrupted, state);
  std::unique_ptr<JobLog> log;
  if (!options.logFile.empty()) {
    log = std::make_unique<JobLog>(options.logFile, err);
    if (!log->Open()) {
      err << kName << "ログファイルを開けません " << options.logFile << '\n';
      return kExitBadInput;
    }
    view.LogTo(log.get());
    view.Line(JobStartLine(options.sync, options.dryRun, sourceText, destText));
  }
  // The log ends with the status; a log that lost lines makes the job fail.
  const auto finish = [&](int status) {
    if (!log) return status;
    log->Line(JobEndLine(status));
    return log->Failed() && status == kExitOk ? kExitFailed : status;
  };
  struct ObserverReset {
    FileSystem& fs;
    ~ObserverReset() { fs.ObserveCopies(nullptr); }
  } observerReset{fs};
  if (progress) fs.ObserveCopies(&view);

  const std::string source = NormaliseFolderArg(sourceText);
  const std::string dest = NormaliseFolderArg(destText);
  state.MotoFolder = source + PlusYen(source);
  state.SakiFolder = dest + PlusYen(dest);
  const auto refuse = [&](const std::string& text, int status) {
    err << kName << VisibleText(text) << '\n';
    if (log) log->Line(VisibleText(text));
    return finish(status);
  };

  // The window's checks, with console answers. Nothing is made before these
  // pass, and a mistyped source never reaches the pruning.
  if (source.empty() || !IsFolder(fs, state.MotoFolder)) {
    return refuse("コピー元が存在しません。 " + sourceText, kExitBadInput);
  }
  if (dest.empty()) return refuse("コピー先が存在しません。", kExitBadInput);
  if (SameJobFolders(fs, state.MotoFolder, state.SakiFolder)) {
    return refuse(std::string(kSameFolderText), kExitBadInput);
  }

  state.DryRun = options.dryRun;
  CopyEngine engine(fs, p.recycler, view, state);
  bool refusedRemoval = false;
  const auto start = std::chrono::steady_clock::now();
  try {
    if (!IsDriveRoot(state.MotoFolder)) engine.MakeSakiFolder();
    // A preview makes nothing: its job subfolder may not be there yet.
    const bool previewOfNewFolder =
        options.dryRun && IsFolder(fs, dest + PlusYen(dest)) && !ChkExist(fs, state.SakiFolder);
    if (!IsFolder(fs, state.SakiFolder) && !previewOfNewFolder) {
      // The whole job failed: the summary must not read as a clean one.
      state.FailedCount = 1;
      view.EndProgress();
      const std::string text = "コピー先のフォルダが開けません " + state.SakiFolder;
      out << JobSummaryLine(state, 0) << '\n';
      err << kName << VisibleText(text) << '\n';
      if (log) {
        log->Line(VisibleText(text));
        log->Line(JobSummaryLine(state, 0));
      }
      return finish(kExitFailed);
    }
    if (const std::string refusal = SettleRoots(fs, state); !refusal.empty()) {
      return refuse(refusal, kExitBadInput);
    }
    // --sync is the user's consent to removals.
    state.PruneConfirmed = options.sync;
    if (options.countFirst) {
      // The same job as a silent preview: what there is to copy, and how much.
      JobState plan = state;
      plan.DryRun = true;
      std::ostringstream ignored;
      ConsoleView counter(ignored, ignored, {false, true, false, true}, interrupted, plan);
      CopyEngine planner(fs, p.recycler, counter, plan);
      plan.RootLength = static_cast<std::int32_t>(plan.MotoFolder.size());
      planner.FolderCopy(plan.MotoFolder);
      view.Expect(counter.FilesDone(), counter.BytesDone());
    }
    RunWalks(
        engine, state, view, [&] { return options.sync; },
        [&](const PruneCount& count) {
          if (options.forceRemove) return true;
          refusedRemoval = true;
          view.EndProgress();
          err << kName << "コピー先の" << count.entries << "個の項目のうち" << count.removals
              << "個をごみ箱に移すことになるため、同期の削除はしませんでした（--force-remove "
                 "で実行します）\n";
          return false;
        });
  } catch (const std::exception& error) {
    // The walks trap their own errors; this is the last net, as the window's.
    view.MsgBox(ErrorDescription(error), kMbOk, {});
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  view.EndProgress();
  view.Line(ResultLine(state));

  int status = kExitOk;
  if (options.remember && !options.dryRun) {
    try {
      Remember(p, sourceText, destText);
    } catch (const std::exception& e) {
      view.MsgBox("履歴を保存できませんでした\n" + ErrorDescription(e), kMbOk, {});
    }
  }
  const std::string summary = JobSummaryLine(state, seconds);
  if (log) log->Line(summary);
  out << summary << '\n';
  out.flush();
  if (state.StopFlag) {
    err << kName << ResultLine(state) << '\n';
    status = kExitInterrupted;
  } else if (state.FailedCount > 0 || view.MessageCount() > 0) {
    status = kExitFailed;
  } else if (refusedRemoval) {
    status = kExitRefused;
  }
  return finish(status);
}

int CliMain(const std::vector<std::string>& args, CliPlatform& platform, std::ostream& out,
            std::ostream& err, const std::atomic<bool>& interrupted) {
  std::string error;
  const std::optional<CliOptions> options = ParseCliArgs(args, error);
  if (!options) {
    err << kName << error << '\n' << kCliUsage << '\n';
    return kExitBadInput;
  }
  if (options->help) {
    out << kCliUsage << "\n\n" << kCliHelp;
    return kExitOk;
  }
  return RunCopyJob(*options, platform, out, err, interrupted);
}

}  // namespace mirtel
