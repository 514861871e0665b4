#include "platform/win32/win32_ansi_codec.h"

#include <windows.h>

#include <climits>

namespace mirtel {

namespace {

constexpr std::wstring_view kReplacement = L"\xFFFD";

// Strict conversion of code-page bytes to UTF-16; nullopt on any byte that
// does not decode.
std::optional<std::wstring> ToWide(UINT code_page, std::string_view bytes, DWORD flags) {
  if (bytes.empty()) return std::wstring();
  if (bytes.size() > INT_MAX) return std::nullopt;
  const int in_size = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(code_page, flags, bytes.data(), in_size, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(code_page, flags, bytes.data(), in_size, wide.data(), size) != size) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::string> FromWide(UINT code_page, std::wstring_view wide, DWORD flags,
                                    BOOL* used_default) {
  if (wide.empty()) return std::string();
  if (wide.size() > INT_MAX) return std::nullopt;
  const int in_size = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(code_page, flags, wide.data(), in_size, nullptr, 0, nullptr,
                                       used_default);
  if (size <= 0 || (used_default && *used_default)) return std::nullopt;
  std::string out(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(code_page, flags, wide.data(), in_size, out.data(), size, nullptr,
                          used_default) != size ||
      (used_default && *used_default)) {
    return std::nullopt;
  }
  return out;
}

std::string Utf8(std::wstring_view wide) {
  // Text decoded from a code page holds no lone surrogates, so this succeeds.
  return FromWide(CP_UTF8, wide, 0, nullptr).value_or(std::string());
}

// Decodes as much as decodes, one character at a time, with U+FFFD for each
// byte that does not.
std::wstring DecodeLenient(UINT acp, std::string_view bytes) {
  std::wstring out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<BYTE>(bytes[at]);
    const std::size_t length = (IsDBCSLeadByteEx(acp, lead) && at + 1 < bytes.size()) ? 2 : 1;
    if (auto one = ToWide(acp, bytes.substr(at, length), MB_ERR_INVALID_CHARS)) {
      out += *one;
      at += length;
    } else {
      out += kReplacement;
      ++at;
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> Win32AnsiCodec::ToAnsi(std::string_view utf8) {
  const std::optional<std::wstring> wide = ToWide(CP_UTF8, utf8, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  const UINT acp = GetACP();
  std::optional<std::string> ansi;
  if (acp == CP_UTF8) {
    // A UTF-8 system code page takes neither best-fit flags nor a default character.
    ansi = FromWide(acp, *wide, WC_ERR_INVALID_CHARS, nullptr);
  } else {
    BOOL used_default = FALSE;
    ansi = FromWide(acp, *wide, WC_NO_BEST_FIT_CHARS, &used_default);
  }
  if (!ansi) return std::nullopt;
  // Only a form that reads back as the same text is exact.
  const std::optional<std::wstring> back = ToWide(acp, *ansi, MB_ERR_INVALID_CHARS);
  if (!back || *back != *wide) return std::nullopt;
  return ansi;
}

std::string Win32AnsiCodec::FromAnsi(std::string_view bytes) {
  const UINT acp = GetACP();
  if (acp == CP_UTF8) {
    // Without the strict flag, invalid UTF-8 becomes U+FFFD.
    return Utf8(ToWide(acp, bytes, 0).value_or(std::wstring()));
  }
  if (auto wide = ToWide(acp, bytes, MB_ERR_INVALID_CHARS)) return Utf8(*wide);
  return Utf8(DecodeLenient(acp, bytes));
}

}  // namespace mirtel
