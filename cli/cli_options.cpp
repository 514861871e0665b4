#include "cli/cli_options.h"
#include "text/message.h"

namespace mirtel {

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
        error = Text(Msg::CliNeedsJobName, arg);
        return std::nullopt;
      }
      std::string& name = arg == "--save-job" ? options.saveJob
                          : arg == "--job"    ? options.job
                                              : options.deleteJob;
      name = args[++i];
    } else if (arg == "--versions") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = Text(Msg::CliVersionsNeedsFolder);
        return std::nullopt;
      }
      options.versions = args[++i];
    } else if (arg == "--keep-versions") {
      const std::string days = i + 1 < args.size() ? args[++i] : std::string();
      const bool digits = !days.empty() && days.size() <= 5 &&
                          days.find_first_not_of("0123456789") == std::string::npos;
      options.keepVersions = digits ? std::stoi(days) : 0;
      if (options.keepVersions < 1) {
        error = Text(Msg::CliKeepVersionsNeedsDays, days);
        return std::nullopt;
      }
    } else if (arg == "--parallel" || arg.rfind("--parallel=", 0) == 0) {
      std::string value;
      if (arg == "--parallel") {
        if (i + 1 < args.size()) value = args[++i];
      } else {
        value = arg.substr(11);
      }
      options.parallel = ParallelValue(value);
      if (options.parallel == 0) {
        error = Text(Msg::CliParallelNeedsNumber, kMaxParallel);
        return std::nullopt;
      }
    } else if (arg == "--log" || arg.rfind("--log=", 0) == 0) {
      if (arg == "--log") {
        if (i + 1 >= args.size()) {
          error = Text(Msg::CliNeedsLogFile);
          return std::nullopt;
        }
        options.logFile = args[++i];
      } else {
        options.logFile = arg.substr(6);
      }
      if (options.logFile.empty()) {
        error = Text(Msg::CliNeedsLogFile);
        return std::nullopt;
      }
    } else {
      error = Text(Msg::CliUnknownOption, arg);
      return std::nullopt;
    }
  }
  if (options.help || options.version) return options;
  const int commands = (options.last ? 1 : 0) + (options.saveJob.empty() ? 0 : 1) +
                       (options.job.empty() ? 0 : 1) + (options.listJobs ? 1 : 0) +
                       (options.deleteJob.empty() ? 0 : 1);
  if (commands > 1) {
    error = Text(Msg::CliOneAtATime);
    return std::nullopt;
  }
  if (!options.saveJob.empty() && (options.dryRun || options.remember)) {
    error = Text(Msg::CliSaveJobNotRun);
    return std::nullopt;
  }
  if (options.keepVersions != 0 && options.versions.empty() && options.job.empty()) {
    error = Text(Msg::CliKeepVersionsNeedsVersions);
    return std::nullopt;
  }
  const char* without = options.last                 ? "--last"
                        : !options.job.empty()       ? "--job"
                        : options.listJobs           ? "--jobs"
                        : !options.deleteJob.empty() ? "--delete-job"
                                                     : nullptr;
  if (without != nullptr) {
    if (!folders.empty()) {
      error = Text(Msg::CliTakesNoFolders, without, folders[0]);
      return std::nullopt;
    }
    return options;
  }
  if (folders.size() != 2) {
    error =
        folders.size() < 2 ? Text(Msg::CliNeedsFolders) : Text(Msg::CliTooManyFolders, folders[2]);
    return std::nullopt;
  }
  options.source = folders[0];
  options.dest = folders[1];
  return options;
}

}  // namespace mirtel
