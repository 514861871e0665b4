#include "platform/system_language.h"

#include <cstdlib>

namespace mirtel {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::string LanguageOverride() { return Variable("MIRTEL_LANG"); }

std::string SystemMessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (std::string value = Variable(name); !value.empty()) return value;
  }
  return {};
}

}  // namespace mirtel
