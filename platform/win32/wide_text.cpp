#include "platform/win32/wide_text.h"

#include <cstdint>

#include "platform/fs_error.h"

namespace mirtel {
namespace {

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

[[noreturn]] void ThrowNotUtf8(std::string_view utf8) {
  throw FsError(FsErrorKind::NotUtf8, std::string(utf8));
}

// One code point starting at `at` (a surrogate counts as one); advances `at`.
std::uint32_t DecodeOne(std::string_view utf8, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(utf8[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  std::size_t length = 0;
  std::uint32_t point = 0;
  std::uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1Fu;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0Fu;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07u;
    least = 0x10000;
  } else {
    ThrowNotUtf8(utf8);
  }
  if (utf8.size() - at < length) ThrowNotUtf8(utf8);
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = byte(at + i);
    if ((next & 0xC0u) != 0x80u) ThrowNotUtf8(utf8);
    point = (point << 6) | (next & 0x3Fu);
  }
  if (point < least || point > 0x10FFFF) ThrowNotUtf8(utf8);
  at += length;
  return point;
}

void Append(std::string& out, std::uint32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  bool afterHigh = false;  // the last unit written was a lone high surrogate
  for (std::size_t at = 0; at < utf8.size();) {
    const std::uint32_t point = DecodeOne(utf8, at);
    if (point >= 0x10000) {
      wide += static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
      afterHigh = false;
      continue;
    }
    // A pair must come in its four-byte form.
    if (afterHigh && IsLowSurrogate(point)) ThrowNotUtf8(utf8);
    afterHigh = IsHighSurrogate(point);
    wide += static_cast<wchar_t>(point);
  }
  return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
  std::string utf8;
  utf8.reserve(wide.size() + wide.size() / 2);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const std::uint32_t unit = static_cast<std::uint16_t>(wide[i]);
    if (IsHighSurrogate(unit) && i + 1 < wide.size() &&
        IsLowSurrogate(static_cast<std::uint16_t>(wide[i + 1]))) {
      const std::uint32_t low = static_cast<std::uint16_t>(wide[++i]);
      Append(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else {
      Append(utf8, unit);  // a lone surrogate keeps its three bytes
    }
  }
  return utf8;
}

}  // namespace mirtel
