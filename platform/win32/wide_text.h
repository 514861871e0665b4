// UTF-8 <-> UTF-16 at the edge of the wide Win32 calls.
#pragma once

#include <string>
#include <string_view>

namespace mirtel {

// Throws FsError(InvalidName) when `utf8` is not valid UTF-8.
std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates (possible in NTFS names) become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace mirtel
