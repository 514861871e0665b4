// The window as the walks see it, with the names in their lines shown
// safely: a newline or an escape sequence in a name shows as an escape
// ("\#012") in the status line, the result list and the boxes, never as a
// broken or invisible line.
#pragma once

#include "job/visible_text.h"
#include "platform/walk_view.h"

namespace mirtel {

class VisibleWalkView : public WalkView {
 public:
  explicit VisibleWalkView(WalkView& view) : view_(view) {}

  void SetStatus(std::string_view text) override { view_.SetStatus(VisibleText(text)); }
  void AppendResult(std::string_view line) override { view_.AppendResult(VisibleText(line)); }
  void Yield() override { view_.Yield(); }
  void Copied(const std::string& source) override { view_.Copied(source); }
  int MsgBox(std::string_view prompt, int buttons, std::string_view title) override {
    return view_.MsgBox(VisibleLines(prompt), buttons, title);
  }

 private:
  WalkView& view_;
};

}  // namespace mirtel
