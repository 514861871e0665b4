// The headless runner: what a copy job runs once its checks have passed,
// on real folders, reported on the console.
#pragma once

#include <atomic>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/recycler.h"

namespace mirtel {

// Exit statuses of mirtel_walk.
inline constexpr int kWalkOk = 0;
inline constexpr int kWalkFailed = 1;    // an item failed, or the destination cannot be opened
inline constexpr int kWalkBadInput = 2;  // bad arguments or folders; nothing was touched
inline constexpr int kWalkInterrupted = 3;  // stopped by Ctrl+C before the end
inline constexpr int kWalkRefused = 4;      // the sync would remove most of the destination

inline constexpr const char* kWalkUsage = "usage: mirtel_walk SRC DST [--sync [--force-remove]] [--verbose]";

struct WalkOptions {
  std::string source;
  std::string dest;
  bool sync = false;
  bool verbose = false;
  bool forceRemove = false;  // a sync may remove most of the destination
  bool help = false;
};

// Arguments without the program name. nullopt (with `error` set) when they
// do not fit the usage line.
std::optional<WalkOptions> ParseWalkArgs(const std::vector<std::string>& args, std::string& error);

// An absolute folder path without a trailing separator (the root keeps its
// own), so "." and "src/" name their folder as a typed path would. Empty
// stays empty.
std::string NormaliseFolderArg(const std::string& path);

// Runs the walk (and the pruning with --sync) and prints the summary line
// "copied=N found=0|1 failed=N removed=N seconds=S" last. `interrupted` is
// the Stop button. Returns the exit status.
int RunWalk(const WalkOptions& options, FileSystem& fs, Recycler& recycler, std::ostream& out,
            std::ostream& err, const std::atomic<bool>& interrupted);

// The whole command: arguments, usage, the walk. Returns the exit status.
int WalkMain(const std::vector<std::string>& args, FileSystem& fs, Recycler& recycler,
             std::ostream& out, std::ostream& err, const std::atomic<bool>& interrupted);

}  // namespace mirtel
