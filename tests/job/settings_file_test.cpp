// The byte layout of mirtel.dat, damaged files, and the file on disk.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "job/settings.h"
#include "platform/native_path.h"
#include "tests/fakes/fake_codecs.h"
#include "tests/fakes/fake_combo_box.h"
#include "tests/job/system_platform.h"

namespace mirtel {
namespace {

using namespace std::string_literals;

const std::string kExample = "\x07\x00\x44\x3a\x5c\x8e\xca\x90\x5e"s + std::string(18, '\0') +
                             "\x05\x00\x45\x3a\x5c\x42\x6b"s + std::string(18, '\0') +
                             "\x01\x00\x00\x00\x01\x00\x00\x00"s;

SettingsRecord ExampleRecord() {
  SettingsRecord record;
  record.MotoHistory[0] = "D:\\写真";
  record.SakiHistory[0] = "E:\\Bk";
  record.MotoCount = 1;
  record.SakiCount = 1;
  return record;
}

void ExpectSame(const SettingsRecord& actual, const SettingsRecord& expected) {
  EXPECT_EQ(actual.MotoHistory, expected.MotoHistory);
  EXPECT_EQ(actual.SakiHistory, expected.SakiHistory);
  EXPECT_EQ(actual.MotoCount, expected.MotoCount);
  EXPECT_EQ(actual.SakiCount, expected.SakiCount);
}

std::string Entry(const std::string& bytes) {
  return std::string{static_cast<char>(bytes.size() & 0xFF), static_cast<char>(bytes.size() >> 8)} +
         bytes;
}

std::string Count(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return std::string{static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                     static_cast<char>((bits >> 16) & 0xFF), static_cast<char>(bits >> 24)};
}

// A file of the given first entries (the rest empty) and counts.
std::string File(const std::string& moto0, const std::string& saki0, std::int32_t moto_count,
                 std::int32_t saki_count) {
  return Entry(moto0) + std::string(18, '\0') + Entry(saki0) + std::string(18, '\0') +
         Count(moto_count) + Count(saki_count);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<AnsiCodec> codec = NewSystemAnsiCodec();
};

TEST_F(SettingsFileTest, TheSixtyByteExample) {
  ASSERT_EQ(kExample.size(), 60u);
  EXPECT_EQ(EncodeSettings(ExampleRecord(), *codec), kExample);
  ExpectSame(DecodeSettings(kExample, *codec), ExampleRecord());
  EXPECT_EQ(EncodeSettings(SettingsRecord{}, *codec), std::string(48, '\0'));
}

TEST_F(SettingsFileTest, StoresCodePage932CharactersInTheCodePage) {
  SettingsRecord record;
  record.SakiHistory[3] = "E:\\～①髙￢";
  const std::string bytes = EncodeSettings(record, *codec);
  EXPECT_EQ(bytes.substr(26, 13),
            "\x0B\x00"
            "E:\\\x81\x60\x87\x40\xFB\xFC\x81\xCA"s);
  ExpectSame(DecodeSettings(bytes, *codec), record);
}

TEST_F(SettingsFileTest, KeepsTextTheCodePageCannotHoldAsMarkedUtf8) {
  const std::string text = "D:\\한국\\〜¥\xF0\x9F\x98\x80";
  SettingsRecord record;
  record.MotoHistory[0] = text;
  record.MotoCount = 1;
  const std::string bytes = EncodeSettings(record, *codec);
  EXPECT_EQ(bytes, File("\xEF\xBB\xBF" + text, "", 1, 0));
  ExpectSame(DecodeSettings(bytes, *codec), record);
  // A name that is not UTF-8 at all passes through unchanged too.
  record.MotoHistory[0] = "/mnt/\xFF\xFE";
  ExpectSame(DecodeSettings(EncodeSettings(record, *codec), *codec), record);
}

TEST(SettingsFileRuleTest, CodePageTextThatLooksLikeTheMarkTakesTheUtf8Form) {
  Latin1Codec latin1;
  SettingsRecord record;
  record.MotoHistory[0] = "ï»¿x";  // EF BB BF 78 in Latin-1
  record.SakiHistory[0] = "Café";
  const std::string bytes = EncodeSettings(record, latin1);
  EXPECT_EQ(bytes, File("\xEF\xBB\xBF"
                        "ï»¿x",
                        "Caf\xE9", 0, 0));
  ExpectSame(DecodeSettings(bytes, latin1), record);
  // Read: a marked entry is UTF-8 whatever the code page; the mark alone is "".
  const SettingsRecord read = DecodeSettings(File("\xEF\xBB\xBF"
                                                  "é",
                                                  "\xEF\xBB\xBF", 1, 1),
                                             latin1);
  EXPECT_EQ(read.MotoHistory[0], "é");
  EXPECT_EQ(read.SakiHistory[0], "");
}

TEST_F(SettingsFileTest, CutsATextLongerThanTheByteCountCanHoldAtAWholeCharacter) {
  SettingsRecord record;
  std::string text = "x";
  for (int i = 0; i < 40000; ++i) text += "あ";  // 80001 bytes in the code page
  record.MotoHistory[0] = text;
  record.SakiHistory[9] = "E:\\Bk";
  record.MotoCount = 1;
  record.SakiCount = 10;
  const SettingsRecord read = DecodeSettings(EncodeSettings(record, *codec), *codec);
  // 65535 bytes less the mark, less the two bytes of the split character.
  EXPECT_EQ(read.MotoHistory[0], text.substr(0, 65530));
  EXPECT_EQ(read.SakiHistory[9], "E:\\Bk");
  EXPECT_EQ(read.MotoCount, 1);
  EXPECT_EQ(read.SakiCount, 10);
}

TEST_F(SettingsFileTest, DamagedFilesLoadWhatIsWhole) {
  // Counts outside 0 to 10 are clamped.
  EXPECT_EQ(DecodeSettings(File("a", "b", 11, -1), *codec).MotoCount, 10);
  EXPECT_EQ(DecodeSettings(File("a", "b", 11, -1), *codec).SakiCount, 0);
  EXPECT_EQ(DecodeSettings(File("a", "b", INT32_MIN, INT32_MAX), *codec).MotoCount, 0);
  EXPECT_EQ(DecodeSettings(File("a", "b", INT32_MIN, INT32_MAX), *codec).SakiCount, 10);

  // Bytes after the record are ignored.
  ExpectSame(DecodeSettings(kExample + "\x05\x00garbage and more", *codec), ExampleRecord());

  // Cut inside the counts: the whole entries stay, a missing count counts the
  // leading entries of its list.
  SettingsRecord cut = DecodeSettings(kExample.substr(0, 58), *codec);
  EXPECT_EQ(cut.MotoHistory[0], "D:\\写真");
  EXPECT_EQ(cut.SakiHistory[0], "E:\\Bk");
  EXPECT_EQ(cut.MotoCount, 1);
  EXPECT_EQ(cut.SakiCount, 1);

  // A byte count that runs past the end: that entry and all after it are lost.
  cut = DecodeSettings(Entry("D:\\A") + Entry("D:\\B") +
                           "\x40\x00"
                           "D:\\C",
                       *codec);
  EXPECT_EQ(cut.MotoHistory[1], "D:\\B");
  EXPECT_EQ(cut.MotoHistory[2], "");
  EXPECT_EQ(cut.MotoCount, 2);
  EXPECT_EQ(cut.SakiCount, 0);

  ExpectSame(DecodeSettings("", *codec), SettingsRecord{});
  ExpectSame(DecodeSettings("\x07", *codec), SettingsRecord{});
}

// Random and cut-short files never crash, never hang, always give counts in
// range, and what they give is written and read back unchanged.
TEST_F(SettingsFileTest, FuzzedFilesLoadSafely) {
  SettingsRecord full;
  for (int i = 0; i < kHistorySize; ++i) {
    full.MotoHistory[static_cast<std::size_t>(i)] = "D:\\写真\\" + std::to_string(i);
    full.SakiHistory[static_cast<std::size_t>(i)] =
        (i % 2 ? "E:\\～①髙￢" : "E:\\한\\") + std::to_string(i);
  }
  full.MotoCount = 10;
  full.SakiCount = 7;
  const std::string whole = EncodeSettings(full, *codec);

  auto check = [&](const std::string& bytes) -> SettingsRecord {
    SettingsRecord read;
    EXPECT_NO_THROW(read = DecodeSettings(bytes, *codec));
    EXPECT_GE(read.MotoCount, 0);
    EXPECT_LE(read.MotoCount, kHistorySize);
    EXPECT_GE(read.SakiCount, 0);
    EXPECT_LE(read.SakiCount, kHistorySize);
    ExpectSame(DecodeSettings(EncodeSettings(read, *codec), *codec), read);
    return read;
  };

  for (std::size_t length = 0; length <= whole.size(); ++length) {
    const SettingsRecord read = check(whole.substr(0, length));
    for (std::size_t i = 0; i < kHistorySize; ++i) {
      EXPECT_TRUE(read.MotoHistory[i].empty() || read.MotoHistory[i] == full.MotoHistory[i]);
      EXPECT_TRUE(read.SakiHistory[i].empty() || read.SakiHistory[i] == full.SakiHistory[i]);
    }
    if (length >= whole.size() - 8) {
      EXPECT_EQ(read.MotoHistory, full.MotoHistory);
    }
  }
  ExpectSame(check(whole), full);

  std::mt19937 random(20240607);
  auto byte = [&](int below) { return static_cast<char>(random() % static_cast<unsigned>(below)); };
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = whole;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int f = 0; f < flips; ++f) bytes[random() % bytes.size()] = byte(256);
    check(bytes);

    // Mostly small values, so that byte counts often fit and counts look real.
    std::string noise(random() % 160, '\0');
    for (char& b : noise) b = (random() % 2) ? byte(12) : byte(256);
    check(noise);
  }
}

TEST_F(SettingsFileTest, FirstStartCreatesAnEmptyFile) {
  TempFolder folder;
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  SettingsRecord record = ExampleRecord();
  FakeComboBox moto, saki;
  moto.text = "cmbBackMoto";
  saki.text = "cmbBackSaki";
  LoadSettings(record, folder.Path("mirtel.dat"), *fs, *codec, moto, saki);
  ExpectSame(record, SettingsRecord{});
  EXPECT_EQ(moto.text, "");
  EXPECT_EQ(saki.text, "");
  EXPECT_TRUE(moto.items.empty());
  EXPECT_TRUE(saki.items.empty());
  ASSERT_TRUE(std::filesystem::exists(folder.Native("mirtel.dat")));
  EXPECT_EQ(std::filesystem::file_size(folder.Native("mirtel.dat")), 0u);
}

TEST_F(SettingsFileTest, SaveWritesExactlyTheRecordAndLoadReadsItBack) {
  TempFolder folder;
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  const std::string path = folder.Path("mirtel.dat");
  // An older, longer file is replaced whole.
  WriteBytes(folder.Native("mirtel.dat"), std::string(500, '\x33'));
  SaveSettings(ExampleRecord(), path, *fs, *codec);
  EXPECT_EQ(ReadBytes(folder.Native("mirtel.dat")), kExample);

  SettingsRecord record;
  FakeComboBox moto, saki;
  LoadSettings(record, path, *fs, *codec, moto, saki);
  ExpectSame(record, ExampleRecord());
  EXPECT_EQ(moto.text, "D:\\写真");
  EXPECT_EQ(saki.items, std::vector<std::string>{"E:\\Bk"});
}

TEST_F(SettingsFileTest, ALongerOldFileStillLoads) {
  TempFolder folder;
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  // What an older writer left: the new record over the tail of a longer one.
  WriteBytes(folder.Native("mirtel.dat"), kExample +
                                              "\x10\x00"
                                              "D:\\LongerFolder\\" +
                                              Count(3));
  SettingsRecord record;
  FakeComboBox moto, saki;
  LoadSettings(record, folder.Path("mirtel.dat"), *fs, *codec, moto, saki);
  ExpectSame(record, ExampleRecord());
  EXPECT_EQ(moto.items, std::vector<std::string>{"D:\\写真"});
  EXPECT_EQ(saki.text, "E:\\Bk");
}

TEST_F(SettingsFileTest, AFileThatCanBeNeitherReadNorCreatedThrows) {
  TempFolder folder;
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  const std::string path = folder.Path("missing-folder") + kPathSeparator + "mirtel.dat";
  SettingsRecord record;
  FakeComboBox moto, saki;
  moto.text = "cmbBackMoto";
  EXPECT_THROW(LoadSettings(record, path, *fs, *codec, moto, saki), FsError);
  EXPECT_EQ(moto.text, "cmbBackMoto");
  EXPECT_THROW(SaveSettings(ExampleRecord(), path, *fs, *codec), FsError);
}

}  // namespace
}  // namespace mirtel
