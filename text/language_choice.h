// Which language the program speaks, from what the user and the system say.
#pragma once

#include <string_view>

#include "text/message.h"

namespace mirtel {

// `override` is MIRTEL_LANG ("ja" or "en"; anything else is not heard);
// `systemLocale` the system's name of the user's language for messages
// (a POSIX locale such as "ja_JP.UTF-8", or "ja"/"en" from Windows).
// Japanese for ja*, English for everything else, C and POSIX included.
Language ChooseLanguage(std::string_view override, std::string_view systemLocale);

}  // namespace mirtel
