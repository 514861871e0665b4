#include "bench/walk_runner.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "bench/console_view.h"
#include "engine/copy_engine.h"
#include "engine/error_text.h"
#include "engine/job_state.h"
#include "engine/path_helpers.h"
#include "job/copy_job.h"

namespace mirtel {
namespace {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool IsFolder(FileSystem& fs, const std::string& path) {
  try {
    return (fs.Attributes(path) & kAttrDirectory) != 0;
  } catch (const FsError&) {
    return false;
  }
}

void PrintSummary(std::ostream& out, const JobState& state, int failed, double seconds) {
  char line[160];
  std::snprintf(line, sizeof line, "copied=%d found=%d failed=%d removed=%d seconds=%.3f",
                static_cast<int>(state.CopiedCount), state.FoundFile ? 1 : 0, failed,
                static_cast<int>(state.RemovedCount), seconds);
  out << line << '\n';
  out.flush();
}

}  // namespace

std::optional<WalkOptions> ParseWalkArgs(const std::vector<std::string>& args, std::string& error) {
  WalkOptions options;
  std::vector<std::string> folders;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (arg == "--sync") {
        options.sync = true;
      } else if (arg == "--force-remove") {
        options.forceRemove = true;
      } else if (arg == "--verbose") {
        options.verbose = true;
      } else if (arg == "--help" || arg == "-h") {
        options.help = true;
      } else if (arg == "--") {
        optionsEnded = true;
      } else {
        error = "unknown option: " + arg;
        return std::nullopt;
      }
    } else {
      folders.push_back(arg);
    }
  }
  if (options.help) return options;
  if (folders.size() != 2) {
    error = folders.size() < 2 ? "SRC and DST are needed" : "too many folders: " + folders[2];
    return std::nullopt;
  }
  options.source = folders[0];
  options.dest = folders[1];
  return options;
}

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

int RunWalk(const WalkOptions& options, FileSystem& fs, Recycler& recycler, std::ostream& out,
            std::ostream& err, const std::atomic<bool>& interrupted) {
  JobState state;
  ConsoleView view(out, err, options.verbose, interrupted, state);
  CopyEngine engine(fs, recycler, view, state);

  const std::string source = NormaliseFolderArg(options.source);
  const std::string dest = NormaliseFolderArg(options.dest);
  state.MotoFolder = source + PlusYen(source);
  state.SakiFolder = dest + PlusYen(dest);

  // The window's checks, with console answers. Nothing is made before these
  // pass, and a mistyped source never reaches the pruning.
  if (source.empty() || !IsFolder(fs, state.MotoFolder)) {
    err << "mirtel_walk: コピー元が存在しません。 " << options.source << '\n';
    return kWalkBadInput;
  }
  if (dest.empty()) {
    err << "mirtel_walk: コピー先が存在しません。\n";
    return kWalkBadInput;
  }
  if (SameJobFolders(fs, state.MotoFolder, state.SakiFolder)) {
    err << "mirtel_walk: コピー元とコピー先が同じです\n";
    return kWalkBadInput;
  }

  double seconds = 0;
  bool refusedRemoval = false;
  const auto start = std::chrono::steady_clock::now();
  try {
    if (!IsDriveRoot(state.MotoFolder)) engine.MakeSakiFolder();
    if (!IsFolder(fs, state.SakiFolder)) {
      err << "mirtel_walk: コピー先のフォルダが開けません " << state.SakiFolder << '\n';
      PrintSummary(out, state, 0, 0);
      return kWalkFailed;
    }
    if (const std::string refusal = SettleRoots(fs, state); !refusal.empty()) {
      err << "mirtel_walk: " << refusal << '\n';
      return kWalkBadInput;
    }
    // --sync is the user's consent to removals.
    state.PruneConfirmed = options.sync;
    RunWalks(
        engine, state, view, [&] { return options.sync; },
        [&](const PruneCount& count) {
          if (options.forceRemove) return true;
          refusedRemoval = true;
          err << "mirtel_walk: コピー先の" << count.entries << "個の項目のうち" << count.removals
              << "個をごみ箱に移すことになるため、同期の削除はしませんでした（--force-remove "
                 "で実行します）\n";
          return false;
        });
  } catch (const std::exception& error) {
    // The walks trap their own errors; this is the last net, as the window's.
    view.MsgBox(ErrorDescription(error), kMbOk, {});
  }
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  PrintSummary(out, state, state.FailedCount, seconds);
  if (state.StopFlag) {
    err << "mirtel_walk: " << ResultLine(state) << '\n';
    return kWalkInterrupted;
  }
  if (state.FailedCount > 0 || view.MessageCount() > 0) return kWalkFailed;
  return refusedRemoval ? kWalkRefused : kWalkOk;
}

int WalkMain(const std::vector<std::string>& args, FileSystem& fs, Recycler& recycler,
             std::ostream& out, std::ostream& err, const std::atomic<bool>& interrupted) {
  std::string error;
  const std::optional<WalkOptions> options = ParseWalkArgs(args, error);
  if (!options) {
    err << "mirtel_walk: " << error << '\n' << kWalkUsage << '\n';
    return kWalkBadInput;
  }
  if (options->help) {
    out << kWalkUsage << '\n'
        << "  copies into DST/<name of SRC>/ what is missing or newer there;\n"
        << "  --sync then moves to the Trash what SRC no longer has;\n"
        << "  --verbose prints every status text and result line.\n";
    return kWalkOk;
  }
  return RunWalk(*options, fs, recycler, out, err, interrupted);
}

}  // namespace mirtel
