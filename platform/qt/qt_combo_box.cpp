#include "platform/qt/qt_combo_box.h"

#include "platform/qt/qt_text.h"

namespace mirtel {

std::string QtComboBox::Text() { return ToUtf8(box_->currentText()); }

void QtComboBox::SetText(std::string_view text) { box_->setEditText(ToQString(text)); }

// QComboBox rewrites the edit text whenever its current index moves; the
// field's text is only ever changed on purpose, so it is kept across these.
void QtComboBox::Clear() {
  const QString text = box_->currentText();
  box_->clear();
  box_->setEditText(text);
}

void QtComboBox::AddItem(std::string_view line) {
  const QString text = box_->currentText();
  box_->addItem(ToQString(line));
  box_->setEditText(text);
}

int QtComboBox::ListCount() { return box_->count(); }

void QtComboBox::SelectIndex(int index) {
  if (index < 0 || index >= box_->count()) return;
  box_->setCurrentIndex(index);
  box_->setEditText(box_->itemText(index));
}

}  // namespace mirtel
