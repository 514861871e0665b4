// A folder field: an editable QComboBox seen as the core's ComboBox.
#pragma once

#include <QComboBox>
#include <string>
#include <string_view>

#include "platform/combo_box.h"

namespace mirtel {

class QtComboBox : public ComboBox {
 public:
  explicit QtComboBox(QComboBox* box) : box_(box) {}

  std::string Text() override;
  void SetText(std::string_view text) override;
  void Clear() override;
  void AddItem(std::string_view line) override;
  int ListCount() override;
  void SelectIndex(int index) override;

 private:
  QComboBox* box_;
};

}  // namespace mirtel
