// The lines that open and close a job on the console and in its log.
#pragma once

#include <string>

#include "engine/job_state.h"

namespace mirtel {

// The first line of a job's log: mode, preview, both folders as typed.
std::string JobStartLine(bool sync, bool dryRun, const std::string& source,
                         const std::string& dest);

// The summary, last on stdout: "copied=N found=0|1 failed=N removed=N
// seconds=S"; a preview says what it would do instead:
// "dry_run=1 would_copy=N found=0|1 failed=N would_remove=N seconds=S".
std::string JobSummaryLine(const JobState& state, double seconds);

// The last line of a job's log: its exit status (the time is the line's own).
std::string JobEndLine(int status);

}  // namespace mirtel
