// What the environment and the system say of the user's language.
#pragma once

#include <string>

namespace mirtel {

// MIRTEL_LANG as set, or "" when it is not.
std::string LanguageOverride();

// The system's name of the language for messages: on POSIX the first
// non-empty of LC_ALL, LC_MESSAGES and LANG ("" when none is set); on
// Windows "ja" when the user's UI language is Japanese, else "en".
std::string SystemMessagesLocale();

}  // namespace mirtel
