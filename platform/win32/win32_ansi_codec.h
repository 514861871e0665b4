// The system's ANSI code page (CP_ACP), exact forms only: no best-fit
// look-alikes and no default character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi_codec.h"

namespace mirtel {

class Win32AnsiCodec : public AnsiCodec {
 public:
  std::optional<std::string> ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view bytes) override;
};

}  // namespace mirtel
