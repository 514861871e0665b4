#include "cli/cli_options.h"

namespace mirtel {

const char* const kCliUsage =
    "usage: mirtel-cli [options] SRC DST\n"
    "       mirtel-cli [options] --last\n"
    "       mirtel-cli --save-job NAME [--sync] [options] SRC DST\n"
    "       mirtel-cli [options] --job NAME\n"
    "       mirtel-cli --jobs | --delete-job NAME";

const char* const kCliHelp =
    "Copies into DST/<name of SRC>/ (straight into DST for a drive root) every file\n"
    "that DST lacks or holds in an older version, making missing folders; with\n"
    "--sync it then moves to the Trash (the Recycle Bin on Windows) what DST holds\n"
    "that SRC no longer has. The same job as the window's Copy button.\n"
    "\n"
    "  --sync            also remove from DST what SRC no longer has\n"
    "  --last            run the last job the window ran (its SRC and DST together)\n"
    "  --remember        record SRC and DST in the history and as the last job\n"
    "  --save-job NAME   record SRC, DST, the mode and the options under NAME (in\n"
    "                    jobs.toml of the settings folder) instead of running them\n"
    "  --job NAME        run the saved job NAME; refused (status 2) when DST is now\n"
    "                    on another volume, such as a backup disk not mounted\n"
    "  --jobs            list the saved jobs\n"
    "  --delete-job NAME remove the saved job NAME\n"
    "  -n, --dry-run     list what the job would do and change nothing at all\n"
    "  --force-remove    let a sync remove more than half of DST (more than 10 items)\n"
    "  --log FILE        append the job, every line (with the local time), the summary\n"
    "                    and the exit status to FILE, each line at once\n"
    "  --count-first     count the work first: progress shows the share and time left\n"
    "  --parallel N      copy up to N files at once (1 to 64; by default 1 on a local\n"
    "                    disk, 8 on a network share)\n"
    "  -v, --verbose     also print every status text (\"status: \") and mark result\n"
    "                    lines (\"result: \")\n"
    "  -q, --quiet       print only the summary\n"
    "  -h, --help        this text\n"
    "  --version         the version and the licence\n"
    "  --                end of options: a folder named like an option follows\n"
    "\n"
    "The last line of the output is always\n"
    "  copied=N found=0|1 failed=N removed=N seconds=S\n"
    "or, for a dry run,\n"
    "  dry_run=1 would_copy=N found=0|1 failed=N would_remove=N seconds=S\n"
    "\n"
    "Exit status: 0 nothing failed; 1 some item failed (or the log could not be\n"
    "written); 2 bad arguments, a missing source or a saved job that cannot run;\n"
    "3 stopped by Ctrl+C, SIGTERM or SIGHUP; 4 refused by the removal guard.\n";

int ParallelValue(const std::string& text) {
  if (text.empty() || text.size() > 2) return 0;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= kMaxParallel ? value : 0;
}

std::optional<CliOptions> ParseCliArgs(const std::vector<std::string>& args, std::string& error) {
  CliOptions options;
  std::vector<std::string> folders;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      folders.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--sync") {
      options.sync = true;
    } else if (arg == "--last") {
      options.last = true;
    } else if (arg == "--remember") {
      options.remember = true;
    } else if (arg == "--dry-run" || arg == "-n") {
      options.dryRun = true;
    } else if (arg == "--force-remove") {
      options.forceRemove = true;
    } else if (arg == "--count-first") {
      options.countFirst = true;
    } else if (arg == "--verbose" || arg == "-v") {
      options.verbose = true;
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--jobs") {
      options.listJobs = true;
    } else if (arg == "--save-job" || arg == "--job" || arg == "--delete-job") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = arg + " needs a job name";
        return std::nullopt;
      }
      std::string& name = arg == "--save-job" ? options.saveJob
                          : arg == "--job"    ? options.job
                                              : options.deleteJob;
      name = args[++i];
    } else if (arg == "--parallel" || arg.rfind("--parallel=", 0) == 0) {
      std::string value;
      if (arg == "--parallel") {
        if (i + 1 < args.size()) value = args[++i];
      } else {
        value = arg.substr(11);
      }
      options.parallel = ParallelValue(value);
      if (options.parallel == 0) {
        error = "--parallel needs a number from 1 to " + std::to_string(kMaxParallel);
        return std::nullopt;
      }
    } else if (arg == "--log" || arg.rfind("--log=", 0) == 0) {
      if (arg == "--log") {
        if (i + 1 >= args.size()) {
          error = "--log needs a file";
          return std::nullopt;
        }
        options.logFile = args[++i];
      } else {
        options.logFile = arg.substr(6);
      }
      if (options.logFile.empty()) {
        error = "--log needs a file";
        return std::nullopt;
      }
    } else {
      error = "unknown option: " + arg;
      return std::nullopt;
    }
  }
  if (options.help || options.version) return options;
  const int commands = (options.last ? 1 : 0) + (options.saveJob.empty() ? 0 : 1) +
                       (options.job.empty() ? 0 : 1) + (options.listJobs ? 1 : 0) +
                       (options.deleteJob.empty() ? 0 : 1);
  if (commands > 1) {
    error = "--last, --save-job, --job, --jobs and --delete-job go one at a time";
    return std::nullopt;
  }
  if (!options.saveJob.empty() && (options.dryRun || options.remember)) {
    error = "--save-job records a job; --dry-run and --remember are for running one";
    return std::nullopt;
  }
  const char* without = options.last                 ? "--last"
                        : !options.job.empty()       ? "--job"
                        : options.listJobs           ? "--jobs"
                        : !options.deleteJob.empty() ? "--delete-job"
                                                     : nullptr;
  if (without != nullptr) {
    if (!folders.empty()) {
      error = std::string(without) + " takes no folders: " + folders[0];
      return std::nullopt;
    }
    return options;
  }
  if (folders.size() != 2) {
    error = folders.size() < 2 ? "SRC and DST are needed" : "too many folders: " + folders[2];
    return std::nullopt;
  }
  options.source = folders[0];
  options.dest = folders[1];
  return options;
}

}  // namespace mirtel
