// Code page 932 through glibc's iconv: the ANSI code page of the Japanese
// Windows systems whose mirtel.dat files we read and write.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi_codec.h"

namespace mirtel {

class PosixAnsiCodec : public AnsiCodec {
 public:
  PosixAnsiCodec();
  ~PosixAnsiCodec() override;
  PosixAnsiCodec(const PosixAnsiCodec&) = delete;
  PosixAnsiCodec& operator=(const PosixAnsiCodec&) = delete;

  std::optional<std::string> ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view bytes) override;

 private:
  std::optional<std::string> Decode(std::string_view bytes, bool strict);

  iconv_t to_ansi_;
  iconv_t from_ansi_;
};

}  // namespace mirtel
