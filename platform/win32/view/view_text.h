// Texts between the window's logic (UTF-8) and the wide Win32 calls.
#pragma once

#include <string>
#include <string_view>

namespace mirtel {

// Exact where the text is UTF-8 (names from the file system come back as
// they went); anything else is still shown, with U+FFFD for what is not.
std::wstring ToWide(std::string_view utf8);

std::string ToUtf8(std::wstring_view wide);

}  // namespace mirtel
