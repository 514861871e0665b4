// Names as the user may safely see them: a name can hold any character but
// the separator (on Linux any byte but "/" and NUL), and a newline or an
// escape sequence in one must neither split a result line nor reach the
// terminal.
#pragma once

#include <string>
#include <string_view>

namespace mirtel {

// `text` with every control character (C0, DEL, C1) and every byte that is
// not part of valid UTF-8 written as "\#" and its three octal digits, as
// rsync writes them; a backslash that would read as such an escape becomes
// "\#134". Everything else stays as it is.
std::string VisibleText(std::string_view text);

// The same for a message of several lines: its CR LF or LF breaks stay.
std::string VisibleLines(std::string_view text);

}  // namespace mirtel
