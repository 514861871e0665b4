// The system's ANSI code page, used for the texts of mirtel.dat: CP_ACP on
// Windows (no best-fit substitution), code page 932 on Linux.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirtel {

class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  // UTF-8 to the code page; nullopt when some character has no exact form.
  virtual std::optional<std::string> ToAnsi(std::string_view utf8) = 0;
  // Code page bytes to UTF-8; bytes that do not decode become U+FFFD.
  virtual std::string FromAnsi(std::string_view bytes) = 0;
};

}  // namespace mirtel
