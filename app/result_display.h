// How the window shows a job's result line. The result label is narrow (241
// pixels at 96 dpi), so a failed or stopped job puts its failures and its
// stop first, in the warning colour: whatever the label cuts, it is never
// those. The whole line is the label's tooltip and, after a failure or a
// stop, the last line of the result list, which scrolls sideways.
#pragma once

#include "engine/job_state.h"
#include "platform/window.h"

namespace mirtel {

// The label's text: the result line, or for a failed or stopped job its
// failures and stop followed by the count.
std::string ResultCaption(const JobState& state);

// True when the job failed somewhere or was stopped.
bool ResultNeedsWarning(const JobState& state);

// Shows the result of the finished job in Label1 (and the list).
void ShowResult(Window& window, const JobState& state);

// Empties the result label for a new job.
void ClearResult(Window& window);

}  // namespace mirtel
