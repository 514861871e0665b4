#include "platform/system_language.h"

#include <windows.h>

namespace mirtel {

std::string LanguageOverride() {
  wchar_t value[16];
  const DWORD length = GetEnvironmentVariableW(L"MIRTEL_LANG", value, 16);
  if (length == 0 || length >= 16) return {};
  std::string text;
  for (DWORD i = 0; i < length; ++i) {
    // Only "ja" and "en" mean anything; other letters need not survive.
    text += value[i] < 0x80 ? static_cast<char>(value[i]) : '?';
  }
  return text;
}

std::string SystemMessagesLocale() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? "ja" : "en";
}

}  // namespace mirtel
