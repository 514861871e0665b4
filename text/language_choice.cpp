#include "text/language_choice.h"

namespace mirtel {

Language ChooseLanguage(std::string_view override, std::string_view systemLocale) {
  if (override == "ja") return Language::Japanese;
  if (override == "en") return Language::English;
  return systemLocale.starts_with("ja") ? Language::Japanese : Language::English;
}

}  // namespace mirtel
