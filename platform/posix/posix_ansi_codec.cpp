#include "platform/posix/posix_ansi_codec.h"

#include <cerrno>
#include <cstddef>

namespace mirtel {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Runs `cd` over `in`, appending to `out`. Stops at the first input it cannot
// convert and returns its errno (EILSEQ or EINVAL), or 0 when all converted.
// `in` is advanced past what was converted.
int Convert(iconv_t cd, std::string_view& in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buffer[1024];
  while (!in.empty()) {
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = buffer;
    std::size_t dst_left = sizeof buffer;
    const std::size_t result = iconv(cd, &src, &src_left, &dst, &dst_left);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    in.remove_prefix(in.size() - src_left);
    if (result != static_cast<std::size_t>(-1)) continue;
    if (error != E2BIG) return error;
  }
  return 0;
}

}  // namespace

PosixAnsiCodec::PosixAnsiCodec()
    : to_ansi_(iconv_open("CP932", "UTF-8")), from_ansi_(iconv_open("UTF-8", "CP932")) {}

PosixAnsiCodec::~PosixAnsiCodec() {
  if (to_ansi_ != kNoConverter) iconv_close(to_ansi_);
  if (from_ansi_ != kNoConverter) iconv_close(from_ansi_);
}

std::optional<std::string> PosixAnsiCodec::ToAnsi(std::string_view utf8) {
  // Without the converters only ASCII is known to be the same in code page 932.
  if (to_ansi_ == kNoConverter || from_ansi_ == kNoConverter) {
    if (IsAscii(utf8)) return std::string(utf8);
    return std::nullopt;
  }
  std::string out;
  std::string_view in = utf8;
  if (Convert(to_ansi_, in, out) != 0) return std::nullopt;
  // iconv also maps some look-alikes one way (U+301C to the code of U+FF5E,
  // U+00A5 to '\'); only a text that reads back unchanged is exact.
  const std::optional<std::string> back = Decode(out, true);
  if (!back || *back != utf8) return std::nullopt;
  return out;
}

std::string PosixAnsiCodec::FromAnsi(std::string_view bytes) { return *Decode(bytes, false); }

std::optional<std::string> PosixAnsiCodec::Decode(std::string_view bytes, bool strict) {
  std::string out;
  if (from_ansi_ == kNoConverter) {
    if (strict && !IsAscii(bytes)) return std::nullopt;
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacement;
      }
    }
    return out;
  }
  std::string_view in = bytes;
  while (true) {
    const int error = Convert(from_ansi_, in, out);
    if (error == 0) return out;
    if (strict) return std::nullopt;
    out += kReplacement;
    // A lead byte cut off by the end is one undecodable character; otherwise
    // skip the one byte and go on.
    if (error == EINVAL) return out;
    in.remove_prefix(1);
  }
}

}  // namespace mirtel
