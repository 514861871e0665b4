#include "platform/win32/view/view_text.h"

#include "platform/win32/view/view_api.h"
#include "platform/win32/wide_text.h"

namespace mirtel {

std::wstring ToWide(std::string_view utf8) {
  try {
    return Utf8ToWide(utf8);
  } catch (...) {
    // A label or a box must still say something.
  }
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string ToUtf8(std::wstring_view wide) { return WideToUtf8(wide); }

}  // namespace mirtel
