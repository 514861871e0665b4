// The system codec, on both platforms, as code page 932 (under Wine the tests
// run with a Japanese locale so that the ANSI code page is 932).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/job/system_platform.h"

namespace mirtel {
namespace {

class AnsiCodecTest : public ::testing::Test {
 protected:
  std::unique_ptr<AnsiCodec> codec = NewSystemAnsiCodec();
};

TEST_F(AnsiCodecTest, EncodesAndDecodesCodePage932) {
  const struct {
    std::string utf8;
    std::string ansi;
  } cases[] = {
      {"", ""},
      {"D:\\Work\\Data", "D:\\Work\\Data"},
      {"D:\\写真", "D:\\\x8E\xCA\x90\x5E"},
      {"ｱｲｳ", "\xB1\xB2\xB3"},  // half-width katakana are single bytes
      {"表", "\x95\x5C"},       // second byte is '\'
      // Where code page 932 differs from plain Shift_JIS.
      {"～", "\x81\x60"},  // U+FF5E
      {"①", "\x87\x40"},   // U+2460, NEC row 13
      {"髙", "\xFB\xFC"},  // U+9AD9, IBM extension
      {"￢", "\x81\xCA"},  // U+FFE2
      {"E:\\～①髙￢\\x", "E:\\\x81\x60\x87\x40\xFB\xFC\x81\xCA\\x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(codec->ToAnsi(c.utf8), std::optional<std::string>(c.ansi)) << c.utf8;
    EXPECT_EQ(codec->FromAnsi(c.ansi), c.utf8) << c.utf8;
  }
}

TEST_F(AnsiCodecTest, RefusesTextWithoutAnExactForm) {
  const std::string cases[] = {
      "D:\\한국",              // Korean
      "D:\\\xF0\x9F\x98\x80",  // an emoji, outside the BMP
      "〜",                    // U+301C, which best-fit would turn into U+FF5E
      "¥",                     // U+00A5, which best-fit would turn into '\'
      "é",
      "\xEF\xBF\xBD",  // U+FFFD
      "D:\\\xFF\xFE"
      "bad",  // not UTF-8 at all
      "写真\x80",
  };
  for (const std::string& text : cases) EXPECT_EQ(codec->ToAnsi(text), std::nullopt) << text;
}

TEST_F(AnsiCodecTest, DecodesBrokenBytesAsReplacementAndKeepsTheRest) {
  // A lead byte at the end, and a lead byte followed by a byte that cannot
  // trail it.
  EXPECT_EQ(codec->FromAnsi("A\x8E"), "A\xEF\xBF\xBD");
  EXPECT_EQ(codec->FromAnsi("\x8E\x20"
                            "B\x8E\xCA"),
            "\xEF\xBF\xBD B写");
}

}  // namespace
}  // namespace mirtel
