// mirtel-cli: the window's copy job on the console, for scheduled runs.
#pragma once

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "job/folder_text.h"
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
  // The identity of the volume that holds a folder ("" when it cannot be
  // told): a saved job runs only on the volume it was saved with.
  std::function<std::string(const std::string& folder)> volumeOf{};
};

// Runs one job (or --last, or a saved job) and prints its lines, its result line and, last, the
// summary "copied=N found=0|1 failed=N removed=N seconds=S". `interrupted` is the Stop button.
// Returns the exit status.
int RunCopyJob(const CliOptions& options, CliPlatform& platform, std::ostream& out,
               std::ostream& err, const std::atomic<bool>& interrupted);

// The whole command: arguments, usage, the job. Returns the exit status.
int CliMain(const std::vector<std::string>& args, CliPlatform& platform, std::ostream& out,
            std::ostream& err, const std::atomic<bool>& interrupted);

}  // namespace mirtel
