// mirtel-cli: the window's copy job on the console, for scheduled runs.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "platform/ansi_codec.h"
#include "platform/file_system.h"
#include "platform/recycler.h"

namespace mirtel {

struct CliPlatform {
  FileSystem& fs;
  Recycler& recycler;
  AnsiCodec& codec;
  std::string settingsFolder;  // where the window keeps mirtel.dat; ends in the separator
  bool terminal = false;       // standard error is a terminal: show the progress there
};

// An absolute folder path without a trailing separator (the root keeps its
// own), so "." and "src/" name their folder as a typed path would. Empty
// stays empty.
std::string NormaliseFolderArg(const std::string& path);

// Runs one job and prints its lines, its result line and, last, the summary
// "copied=N found=0|1 failed=N removed=N seconds=S". `interrupted` is the
// Stop button. Returns the exit status.
int RunCopyJob(const CliOptions& options, CliPlatform& platform, std::ostream& out,
               std::ostream& err, const std::atomic<bool>& interrupted);

// The whole command: arguments, usage, the job. Returns the exit status.
int CliMain(const std::vector<std::string>& args, CliPlatform& platform, std::ostream& out,
            std::ostream& err, const std::atomic<bool>& interrupted);

}  // namespace mirtel
