// The combo-box operations that the folder history needs.
#pragma once

#include <string>
#include <string_view>

namespace mirtel {

class ComboBox {
 public:
  virtual ~ComboBox() = default;
  virtual std::string Text() = 0;
  virtual void SetText(std::string_view text) = 0;
  virtual void Clear() = 0;                         // empties the list, not the text
  virtual void AddItem(std::string_view line) = 0;  // appends at the end of the list
  virtual int ListCount() = 0;
  virtual void SelectIndex(int index) = 0;  // also puts that line into the text
};

}  // namespace mirtel
