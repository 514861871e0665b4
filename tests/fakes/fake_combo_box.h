// A combo box that only remembers its text and list, and how often the list
// was cleared.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/combo_box.h"

namespace mirtel {

class FakeComboBox : public ComboBox {
 public:
  std::string Text() override { return text; }
  void SetText(std::string_view value) override { text = value; }
  void Clear() override {
    items.clear();
    ++clears;
  }
  void AddItem(std::string_view line) override { items.emplace_back(line); }
  int ListCount() override { return static_cast<int>(items.size()); }
  void SelectIndex(int index) override {
    if (index >= 0 && index < ListCount()) text = items[static_cast<std::size_t>(index)];
  }

  std::string text;
  std::vector<std::string> items;
  int clears = 0;
};

}  // namespace mirtel
