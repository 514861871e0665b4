#include "cli/job_report.h"
#include "text/message.h"

#include <cstdio>

namespace mirtel {

std::string JobStartLine(bool sync, bool dryRun, const std::string& source,
                         const std::string& dest) {
  return Text(dryRun ? Msg::CliStartLineDryRun : Msg::CliStartLine,
              Text(sync ? Msg::CliSyncCopy : Msg::CliNormalCopy), source, dest);
}

std::string JobSummaryLine(const JobState& state, double seconds) {
  char line[200];
  const int copied = static_cast<int>(state.CopiedCount);
  const int found = state.FoundFile ? 1 : 0;
  const int failed = static_cast<int>(state.FailedCount);
  const int removed = static_cast<int>(state.RemovedCount);
  if (state.DryRun) {
    std::snprintf(line, sizeof line,
                  "dry_run=1 would_copy=%d found=%d failed=%d would_remove=%d seconds=%.3f", copied,
                  found, failed, removed, seconds);
  } else {
    std::snprintf(line, sizeof line, "copied=%d found=%d failed=%d removed=%d seconds=%.3f", copied,
                  found, failed, removed, seconds);
  }
  return line;
}

std::string JobEndLine(int status) { return Text(Msg::CliEndLine, status); }

}  // namespace mirtel
