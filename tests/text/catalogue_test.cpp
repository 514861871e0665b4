#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/result_display.h"
#include "job/copy_job.h"
#include "text/catalogue.h"
#include "text/language_choice.h"

namespace mirtel {
namespace {

// Kana, CJK ideographs and their punctuation (UTF-8 lead bytes E3-E9) and
// the full-width forms (EF BC-BF): what an English text must not hold.
bool HoldsJapanese(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0xE3 && byte <= 0xE9) return true;
    if (byte == 0xEF && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0xBC) {
      return true;
    }
  }
  return false;
}

class LanguageScope {
 public:
  explicit LanguageScope(Language l) : before_(CurrentLanguage()) { SetLanguage(l); }
  ~LanguageScope() { SetLanguage(before_); }

 private:
  Language before_;
};

// Every message, in both languages: there, with the same arguments, each
// argument put in its place and nothing of a placeholder left; English with
// no Japanese in it; and the current language picks the column.
TEST(CatalogueTest, EveryMessageIsWholeInBothLanguages) {
  const auto rows = Catalogue();
  ASSERT_EQ(rows.size(), kMessageCount);
  const std::vector<std::string> args{"<a1>", "<a2>", "<a3>", "<a4>", "<a5>",
                                      "<a6>", "<a7>", "<a8>", "<a9>"};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const CatalogueEntry& row = rows[i];
    SCOPED_TRACE(std::string(row.japanese));
    EXPECT_EQ(static_cast<std::size_t>(row.key), i);
    EXPECT_FALSE(row.japanese.empty());
    EXPECT_FALSE(row.english.empty());
    const unsigned placeholders = PlaceholdersOf(row.japanese);
    EXPECT_EQ(placeholders, PlaceholdersOf(row.english)) << row.english;
    EXPECT_FALSE(HoldsJapanese(row.english)) << row.english;
    for (const Language language : {Language::Japanese, Language::English}) {
      const std::string_view pattern = language == Language::English ? row.english : row.japanese;
      EXPECT_EQ(Pattern(row.key, language), pattern);
      const std::string filled = Fill(pattern, args);
      for (unsigned n = 1; n <= 9; ++n) {
        const bool named = (placeholders >> n) & 1u;
        EXPECT_EQ(filled.find(args[n - 1]) != std::string::npos, named) << filled;
        EXPECT_EQ(filled.find("{" + std::to_string(n) + "}"), std::string::npos) << filled;
      }
      LanguageScope scope(language);
      EXPECT_EQ(Text(row.key), pattern);
    }
  }
  // Arguments of every kind, in the order the language puts them.
  LanguageScope english(Language::English);
  EXPECT_EQ(Text(Msg::CliMassRemovalSkipped, 40, std::size_t{30}),
            "30 of the 40 items in the destination would go to the Trash: sync removed nothing "
            "(--force-remove runs it)");
  EXPECT_EQ(Text(Msg::CannotRename, std::string("a"), "b", std::string_view("c")),
            "Could not rename a to b: c");
}

// The result line and the window's caption of it put the parts in each
// language's own way; the Japanese stays as it was.
TEST(CatalogueTest, ResultLinesInBothLanguages) {
  JobState state;
  state.CopiedCount = 3;
  state.FailedCount = 2;
  state.StopFlag = true;
  {
    LanguageScope japanese(Language::Japanese);
    EXPECT_EQ(ResultLine(state), "3個のファイルをコピーしました（失敗 2件）（中断しました）");
    EXPECT_EQ(ResultCaption(state), "（失敗 2件）（中断しました）3個のファイルをコピーしました");
  }
  LanguageScope english(Language::English);
  EXPECT_EQ(ResultLine(state), "Files copied: 3 (failed: 2) (stopped)");
  EXPECT_EQ(ResultCaption(state), "(failed: 2) (stopped) Files copied: 3");
  state.FailedCount = 0;
  state.StopFlag = false;
  EXPECT_EQ(ResultCaption(state), "Files copied: 3");
}

TEST(LanguageChoiceTest, OverrideFirstThenTheSystemJapaneseOnlyForJa) {
  struct Case {
    const char* override;
    const char* system;
    Language expected;
  };
  const Case cases[] = {
      {"", "ja_JP.UTF-8", Language::Japanese},
      {"", "ja", Language::Japanese},  // Windows, Japanese UI
      {"", "ja_JP.eucJP", Language::Japanese},
      {"", "en_US.UTF-8", Language::English},
      {"", "en", Language::English},  // Windows, any other UI
      {"", "C", Language::English},
      {"", "C.UTF-8", Language::English},
      {"", "POSIX", Language::English},
      {"", "de_DE.UTF-8", Language::English},
      {"", "", Language::English},
      {"en", "ja_JP.UTF-8", Language::English},
      {"ja", "C", Language::Japanese},
      {"ja", "", Language::Japanese},
      {"fr", "ja_JP.UTF-8", Language::Japanese},  // not a language of ours: not heard
      {"english", "C", Language::English},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseLanguage(c.override, c.system), c.expected)
        << "MIRTEL_LANG=" << c.override << " system=" << c.system;
  }
}

}  // namespace
}  // namespace mirtel
