// A WalkView that records the status texts, result lines and message boxes,
// and whose Yield can run a callback (to press Stop, or to change the tree
// while a walk is inside it).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/walk_view.h"

namespace mirtel {

class RecordingWalkView : public WalkView {
 public:
  std::vector<std::string> statuses;  // every text set, in order
  std::vector<std::string> results;   // lines appended to lstResult
  std::vector<std::string> boxes;     // message-box prompts
  int yields = 0;
  std::function<void(int)> onYield;  // gets the number of this yield, from 1

  void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
  void AppendResult(std::string_view line) override { results.emplace_back(line); }
  void Yield() override {
    ++yields;
    if (onYield) onYield(yields);
  }
  int MsgBox(std::string_view prompt, int /*buttons*/, std::string_view /*title*/) override {
    boxes.emplace_back(prompt);
    return kIdOk;
  }

  std::string LastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }
};

}  // namespace mirtel
