// A folder field: a CBS_DROPDOWN combo box, its edit text and its list.
#pragma once

#include <string>
#include <string_view>

#include "platform/combo_box.h"
#include "platform/win32/view/view_api.h"

namespace mirtel {

class Win32ComboBox : public ComboBox {
 public:
  explicit Win32ComboBox(HWND box = nullptr) : box_(box) {}
  void Attach(HWND box) { box_ = box; }

  std::string Text() override;
  void SetText(std::string_view text) override;
  void Clear() override;
  void AddItem(std::string_view line) override;
  int ListCount() override;
  void SelectIndex(int index) override;

 private:
  HWND box_;
};

}  // namespace mirtel
