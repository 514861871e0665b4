// UTF-8 <-> UTF-16 at the edge of the wide calls, on generated text, against
// the system's own converter where the text is Unicode proper.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/fs_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

namespace mirtel {
namespace {

bool HasLoneSurrogate(const std::wstring& wide) {
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const unsigned unit = static_cast<unsigned>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() &&
        static_cast<unsigned>(wide[i + 1]) >= 0xDC00 &&
        static_cast<unsigned>(wide[i + 1]) <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// A surrogate spelled in three bytes, which Unicode's UTF-8 has no room for.
bool HasSpelledSurrogate(const std::string& bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const auto next = static_cast<unsigned char>(bytes[i + 1]);
    if (lead == 0xED && next >= 0xA0 && next <= 0xBF) return true;
  }
  return false;
}

// The system's strict conversions; false where it refuses.
bool SystemUtf8(const std::wstring& wide, std::string& utf8) {
  if (wide.empty()) return utf8.clear(), true;
  const int in = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), in, nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return false;
  utf8.assign(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), in, utf8.data(), size, nullptr,
                      nullptr);
  return true;
}

bool SystemWide(const std::string& utf8, std::wstring& wide) {
  if (utf8.empty()) return wide.clear(), true;
  const int in = static_cast<int>(utf8.size());
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), in, nullptr, 0);
  if (size <= 0) return false;
  wide.assign(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), in, wide.data(), size);
  return true;
}

TEST(WideTextTest, EveryUtf16NameComesBackAndUnicodeMatchesTheSystem) {
  std::mt19937 random(7);
  const auto unit = [&]() -> std::wstring {
    switch (random() % 7) {
      case 0:
        return std::wstring(1, static_cast<wchar_t>(0x20 + random() % 0x5F));  // ASCII
      case 1:
        return std::wstring(1, static_cast<wchar_t>(0x80 + random() % 0x780));  // two bytes
      case 2:
        return std::wstring(1, static_cast<wchar_t>(0x3040 + random() % 0x6000));  // kana, kanji
      case 3:
        return std::wstring(1, static_cast<wchar_t>(0xE000 + random() % 0x2000));  // up to U+FFFF
      case 4: {
        const unsigned point = 0x10000 + random() % 0x100000;  // a pair
        return {static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10)),
                static_cast<wchar_t>(0xDC00 + ((point - 0x10000) & 0x3FF))};
      }
      case 5:
        return std::wstring(1, static_cast<wchar_t>(0xD800 + random() % 0x400));  // high alone
      default:
        return std::wstring(1, static_cast<wchar_t>(0xDC00 + random() % 0x400));  // low alone
    }
  };
  int lone = 0;
  for (int round = 0; round < 20000; ++round) {
    std::wstring wide;
    for (unsigned n = random() % 10; n > 0; --n) wide += unit();
    const std::string utf8 = WideToUtf8(wide);
    std::wstring back;
    ASSERT_NO_THROW(back = Utf8ToWide(utf8));
    ASSERT_EQ(back, wide) << utf8;
    if (HasLoneSurrogate(wide)) {
      ++lone;
      continue;
    }
    std::string system;
    ASSERT_TRUE(SystemUtf8(wide, system));
    EXPECT_EQ(utf8, system);
  }
  EXPECT_GT(lone, 1000);
}

TEST(WideTextTest, AnyBytesAreOneNameOrRefused) {
  std::mt19937 random(11);
  // Bytes near the edges of UTF-8's ranges, where a converter goes wrong.
  const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                       0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE3, 0xED, 0xEE, 0xEF,
                                       0xF0, 0xF3, 0xF4, 0xF5, 0xF8, 0xFE, 0xFF};
  int accepted = 0;
  int refused = 0;
  for (int round = 0; round < 50000; ++round) {
    std::string bytes;
    for (unsigned n = 1 + random() % 8; n > 0; --n) {
      bytes += static_cast<char>(interesting[random() % sizeof interesting]);
    }
    std::wstring system;
    const bool systemTakes = SystemWide(bytes, system);
    try {
      const std::wstring wide = Utf8ToWide(bytes);
      ++accepted;
      // One spelling per name: the text comes back byte for byte.
      EXPECT_EQ(WideToUtf8(wide), bytes);
      if (!HasSpelledSurrogate(bytes)) {
        EXPECT_TRUE(systemTakes);
        EXPECT_EQ(wide, system);
      }
    } catch (const FsError& e) {
      ++refused;
      EXPECT_EQ(e.kind(), FsErrorKind::NotUtf8);
      if (!HasSpelledSurrogate(bytes)) {
        EXPECT_FALSE(systemTakes);
      }
    }
  }
  EXPECT_GT(accepted, 1000);
  EXPECT_GT(refused, 1000);
  // A pair has one spelling, the four bytes; the six of two halves are refused.
  EXPECT_EQ(Utf8ToWide("\xF0\x9F\x93\xB7"), std::wstring(L"\xD83D\xDCF7"));
  EXPECT_THROW(Utf8ToWide("\xED\xA0\xBD\xED\xB3\xB7"), FsError);
  EXPECT_EQ(Utf8ToWide("\xED\xA0\xBD"
                       "a\xED\xB3\xB7"),
            std::wstring(L"\xD83D"
                         L"a\xDCF7"));
}

}  // namespace
}  // namespace mirtel
