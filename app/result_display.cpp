#include "app/result_display.h"

#include "job/copy_job.h"
#include "text/message.h"

namespace mirtel {

bool ResultNeedsWarning(const JobState& state) { return state.FailedCount != 0 || state.StopFlag; }

std::string ResultCaption(const JobState& state) {
  if (!ResultNeedsWarning(state)) return ResultLine(state);
  // A warning's text may begin with a space that parts it from the count
  // after which the result line puts it.
  std::string warnings = ResultWarnings(state);
  warnings.erase(0, warnings.find_first_not_of(' '));
  return Text(Msg::ResultWarningsFirst, warnings, ResultCount(state));
}

void ShowResult(Window& window, const JobState& state) {
  const bool warning = ResultNeedsWarning(state);
  const std::string whole = ResultLine(state);
  window.SetCaption(Control::Label1, ResultCaption(state));
  window.SetWarning(Control::Label1, warning);
  window.SetToolTip(Control::Label1, whole);
  if (warning) window.AppendResult(whole);
}

void ClearResult(Window& window) {
  window.SetCaption(Control::Label1, "");
  window.SetWarning(Control::Label1, false);
  window.SetToolTip(Control::Label1, "");
}

}  // namespace mirtel
