// UTF-8 <-> UTF-16 at the edge of the wide Win32 calls.
//
// NTFS names are any sequence of 16-bit units, unpaired surrogates included.
// Such a unit travels in the 8-bit text as the three bytes a surrogate code
// point would take in UTF-8 (ED A0..BF xx), so that every name the system
// lists converts back to itself and names the same entry; replacing it with
// U+FFFD would name another file, or none. Everything else is strict UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace mirtel {

// Throws FsError(InvalidName) when `utf8` is not UTF-8 in the sense above:
// overlong or cut-short sequences, code points beyond U+10FFFF, and a
// surrogate pair spelled as two three-byte sequences (the four-byte form is
// the only spelling of a character outside the BMP, so that two different
// texts never name the same entry).
std::wstring Utf8ToWide(std::string_view utf8);

// Never fails; Utf8ToWide gives `wide` back from its result.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace mirtel
