// The walks' window, as a console sees it: status texts and result lines on
// stdout (with --verbose), message boxes on stderr, Ctrl+C as the Stop button.
#pragma once

#include <atomic>
#include <ostream>
#include <string_view>

#include "engine/job_state.h"
#include "platform/walk_view.h"

namespace mirtel {

class ConsoleView : public WalkView {
 public:
  ConsoleView(std::ostream& out, std::ostream& err, bool verbose,
              const std::atomic<bool>& interrupted, JobState& state)
      : out_(out), err_(err), verbose_(verbose), interrupted_(interrupted), state_(state) {}

  void SetStatus(std::string_view text) override;
  void AppendResult(std::string_view line) override;
  void Yield() override;
  int MsgBox(std::string_view prompt, int buttons, std::string_view title) override;

  // Message boxes shown so far; the walks raise one only for an error.
  int MessageCount() const { return messageCount_; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool verbose_;
  const std::atomic<bool>& interrupted_;
  JobState& state_;
  int messageCount_ = 0;
};

}  // namespace mirtel
