#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/system_language.h"

namespace mirtel {
namespace {

// Sets the variables of one case, and puts back what was there.
class Environment {
 public:
  Environment() {
    for (const char* name : kNames) {
      const char* value = getenv(name);
      saved_.emplace_back(name, value != nullptr, value != nullptr ? value : "");
    }
  }
  ~Environment() {
    for (const auto& [name, set, value] : saved_) {
      set ? setenv(name, value.c_str(), 1) : unsetenv(name);
    }
  }
  void Set(const char* name, const char* value) {
    value == nullptr ? unsetenv(name) : setenv(name, value, 1);
  }
  static constexpr const char* kNames[] = {"MIRTEL_LANG", "LC_ALL", "LC_MESSAGES", "LANG"};

 private:
  std::vector<std::tuple<const char*, bool, std::string>> saved_;
};

// LC_ALL, then LC_MESSAGES, then LANG: the first that is set and not empty.
TEST(SystemLanguageTest, TheFirstNonEmptyOfLcAllLcMessagesLang) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, "ja_JP.UTF-8", "ja_JP.UTF-8"}, {"C", nullptr, "ja_JP.UTF-8", "C"},
      {"", "ja_JP.UTF-8", "C", "ja_JP.UTF-8"},          {nullptr, "", "en_GB.UTF-8", "en_GB.UTF-8"},
      {"ja_JP.UTF-8", "C", "C", "ja_JP.UTF-8"},         {nullptr, nullptr, nullptr, ""},
  };
  Environment env;
  for (const Case& c : cases) {
    env.Set("LC_ALL", c.lcAll);
    env.Set("LC_MESSAGES", c.lcMessages);
    env.Set("LANG", c.lang);
    EXPECT_EQ(SystemMessagesLocale(), c.expected);
  }
  env.Set("MIRTEL_LANG", "en");
  EXPECT_EQ(LanguageOverride(), "en");
  env.Set("MIRTEL_LANG", nullptr);
  EXPECT_EQ(LanguageOverride(), "");
}

}  // namespace
}  // namespace mirtel
