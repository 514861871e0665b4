// What the copy and sync walks need of the window.
#pragma once

#include <string>
#include <string_view>

namespace mirtel {

// Message-box buttons codes and answers (Windows values).
enum MsgBoxCode : int {
  kMbOk = 0,
  kMbYesNo = 4,
  kMbIconQuestion = 32,
  kMbDefButton2 = 256,
  kIdOk = 1,
  kIdYes = 6,
  kIdNo = 7,
};

class WalkView {
 public:
  virtual ~WalkView() = default;

  // Replaces the one line of the status label lblProcess.
  virtual void SetStatus(std::string_view text) = 0;
  // Appends one line to the result list lstResult.
  virtual void AppendResult(std::string_view line) = 0;
  // Lets pending window events run (Stop, hints, dragging). Called once per
  // listed entry; a view may pump less often to stay cheap.
  virtual void Yield() = 0;
  // A file was copied (or, in a preview, would be): for a progress count.
  virtual void Copied(const std::string& source) { static_cast<void>(source); }
  // A modal message box; an empty title means the program's title "mirtel".
  // Returns kIdOk, kIdYes or kIdNo.
  virtual int MsgBox(std::string_view prompt, int buttons = kMbOk, std::string_view title = {}) = 0;
};

}  // namespace mirtel
