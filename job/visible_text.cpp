#include "job/visible_text.h"

namespace mirtel {
namespace {

void Escape(unsigned char byte, std::string& out) {
  out += "\\#";
  out += static_cast<char>('0' + ((byte >> 6) & 7));
  out += static_cast<char>('0' + ((byte >> 3) & 7));
  out += static_cast<char>('0' + (byte & 7));
}

// The length of the valid UTF-8 sequence at `at`, 0 when none starts there.
std::size_t SequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string VisibleText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      Escape(c, out);
      ++i;
    } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == '#') {
      Escape(c, out);
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if (const std::size_t length = SequenceAt(text, i); length == 0) {
      Escape(c, out);
      ++i;
    } else if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      // U+0080 to U+009F: the C1 controls, escape sequences to a terminal.
      Escape(c, out);
      Escape(static_cast<unsigned char>(text[i + 1]), out);
      i += 2;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string VisibleLines(std::string_view text) {
  std::string out;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    const bool crlf = !line.empty() && line.back() == '\r' && end != std::string_view::npos;
    if (crlf) line.remove_suffix(1);
    out += VisibleText(line);
    if (end == std::string_view::npos) break;
    out += crlf ? "\r\n" : "\n";
    start = end + 1;
  }
  return out;
}

}  // namespace mirtel
