#include "platform/win32/view/win32_combo_box.h"

#include "platform/win32/view/view_text.h"

namespace mirtel {

namespace {

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace

std::string Win32ComboBox::Text() { return box_ != nullptr ? ToUtf8(WindowText(box_)) : ""; }

void Win32ComboBox::SetText(std::string_view text) {
  if (box_ != nullptr) SetWindowTextW(box_, ToWide(text).c_str());
}

// CB_RESETCONTENT empties the edit text too; the field keeps what it shows.
void Win32ComboBox::Clear() {
  if (box_ == nullptr) return;
  const std::wstring text = WindowText(box_);
  SendMessageW(box_, CB_RESETCONTENT, 0, 0);
  SetWindowTextW(box_, text.c_str());
}

void Win32ComboBox::AddItem(std::string_view line) {
  if (box_ == nullptr) return;
  const std::wstring wide = ToWide(line);
  SendMessageW(box_, CB_INSERTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32ComboBox::ListCount() {
  if (box_ == nullptr) return 0;
  const LRESULT count = SendMessageW(box_, CB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<int>(count) : 0;
}

void Win32ComboBox::SelectIndex(int index) {
  if (box_ == nullptr || index < 0 || index >= ListCount()) return;
  SendMessageW(box_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace mirtel
