// The command line of mirtel-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mirtel {

// Exit statuses.
inline constexpr int kExitOk = 0;           // nothing failed
inline constexpr int kExitFailed = 1;       // some item failed, or the destination cannot be opened
inline constexpr int kExitBadInput = 2;     // bad arguments, folders or job; nothing was touched
inline constexpr int kExitInterrupted = 3;  // stopped by Ctrl+C before the end
inline constexpr int kExitRefused = 4;      // the sync would remove most of the destination

struct CliOptions {
  std::string source;
  std::string dest;
  bool last = false;      // the newest folders of the window's history
  bool remember = false;  // record the folders in the history, as the window does
  bool sync = false;
  bool forceRemove = false;  // a sync may remove most of the destination
  bool dryRun = false;
  bool countFirst = false;  // count what there is to do first, for the share and the time left
  int parallel = 0;         // copies in flight at once; 0: as the destination suits
  bool verbose = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::string logFile;
  std::string saveJob;    // record the job under this name instead of running it
  std::string job;        // run the saved job of this name
  bool listJobs = false;  // list the saved jobs
  std::string deleteJob;  // remove the saved job of this name
  std::string versions;   // keep what the job replaces or removes here, not in the Trash
  int keepVersions = 0;   // delete version folders older than this many days (0: keep all)
};

// The most copies in flight --parallel allows.
inline constexpr int kMaxParallel = 64;
// A --parallel value: 1 to kMaxParallel, 0 for anything else.
int ParallelValue(const std::string& text);

// Arguments without the program name. nullopt, with `error` set, when they
// do not fit the usage.
std::optional<CliOptions> ParseCliArgs(const std::vector<std::string>& args, std::string& error);

}  // namespace mirtel
