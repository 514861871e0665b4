// Code pages of the tests' own, for the settings file's texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi_codec.h"

namespace mirtel {

// mirtel.dat texts kept as they are: the tests read back what they wrote.
class PassThroughCodec : public AnsiCodec {
 public:
  std::optional<std::string> ToAnsi(std::string_view utf8) override { return std::string(utf8); }
  std::string FromAnsi(std::string_view bytes) override { return std::string(bytes); }
};

// Latin-1 as a stand-in code page: one byte per character U+0000 to U+00FF.
class Latin1Codec : public AnsiCodec {
 public:
  std::optional<std::string> ToAnsi(std::string_view utf8) override {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      const auto c = static_cast<unsigned char>(utf8[i]);
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
        out +=
            static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
      } else {
        return std::nullopt;
      }
    }
    return out;
  }
  std::string FromAnsi(std::string_view bytes) override {
    std::string out;
    for (char b : bytes) {
      const auto c = static_cast<unsigned char>(b);
      if (c < 0x80) {
        out += b;
      } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    return out;
  }
};

}  // namespace mirtel
