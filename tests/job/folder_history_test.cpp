// How a finished job's folders enter the histories, and how the combo boxes
// show them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/settings.h"
#include "tests/fakes/fake_combo_box.h"
#include "tests/job/system_platform.h"

namespace mirtel {
namespace {

using Items = std::vector<std::string>;

std::string Folder(int i) { return "D:\\F" + std::to_string(i); }

class FolderHistoryTest : public ::testing::Test {
 protected:
  void AddMoto(const std::string& text) {
    AddHistory(record.MotoHistory, record.MotoCount, moto, text, moto_found);
  }
  void AddSaki(const std::string& text) {
    AddHistory(record.SakiHistory, record.SakiCount, saki, text, saki_found);
  }

  SettingsRecord record;
  FakeComboBox moto, saki;
  bool moto_found = false;
  bool saki_found = false;
};

TEST_F(FolderHistoryTest, TenFoldersFillTheListAndAnEleventhDropsTheOldest) {
  for (int i = 1; i <= 10; ++i) AddMoto(Folder(i));
  EXPECT_EQ(record.MotoCount, 10);
  EXPECT_EQ(record.MotoHistory[0], Folder(1));
  EXPECT_EQ(record.MotoHistory[9], Folder(10));

  AddMoto(Folder(11));
  EXPECT_EQ(record.MotoCount, 10);
  EXPECT_FALSE(moto_found);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(record.MotoHistory[static_cast<std::size_t>(i)], Folder(i + 2));
  Items newest_first;
  for (int i = 11; i >= 2; --i) newest_first.push_back(Folder(i));
  EXPECT_EQ(moto.items, newest_first);
  EXPECT_EQ(moto.text, Folder(11));
}

TEST_F(FolderHistoryTest, ReusingAnOlderFolderMovesItToTheNewestPlace) {
  for (int i = 1; i <= 4; ++i) AddMoto(Folder(i));
  const int clears = moto.clears;
  moto.text = Folder(2);
  AddMoto(Folder(2));
  EXPECT_TRUE(moto_found);
  EXPECT_EQ(record.MotoCount, 4);
  const std::array<std::string, kHistorySize> moved = {Folder(1), Folder(3), Folder(4), Folder(2)};
  EXPECT_EQ(record.MotoHistory, moved);
  // The combo list keeps its old order until its next refill.
  EXPECT_EQ(moto.clears, clears);
  EXPECT_EQ(moto.items, (Items{Folder(4), Folder(3), Folder(2), Folder(1)}));

  AddMoto(Folder(5));
  EXPECT_EQ(moto.items, (Items{Folder(5), Folder(2), Folder(4), Folder(3), Folder(1)}));
}

TEST_F(FolderHistoryTest, ReusingWhileTenAreStoredOrReusingTheNewestChangesNothing) {
  for (int i = 1; i <= 3; ++i) AddMoto(Folder(i));
  auto before = record.MotoHistory;
  AddMoto(Folder(3));
  EXPECT_TRUE(moto_found);
  EXPECT_EQ(record.MotoHistory, before);
  EXPECT_EQ(record.MotoCount, 3);

  for (int i = 4; i <= 10; ++i) AddMoto(Folder(i));
  before = record.MotoHistory;
  const Items shown = moto.items;
  moto_found = false;
  AddMoto(Folder(1));
  EXPECT_TRUE(moto_found);
  EXPECT_EQ(record.MotoHistory, before);
  EXPECT_EQ(record.MotoCount, 10);
  EXPECT_EQ(moto.items, shown);
}

TEST_F(FolderHistoryTest, ComparesTextsExactly) {
  AddMoto("D:\\A");
  AddMoto("D:\\A\\");
  AddMoto("d:\\a");
  EXPECT_FALSE(moto_found);
  EXPECT_EQ(record.MotoCount, 3);
  EXPECT_EQ(moto.items, (Items{"d:\\a", "D:\\A\\", "D:\\A"}));
}

TEST_F(FolderHistoryTest, TheTwoListsAreIndependent) {
  for (int i = 1; i <= 10; ++i) AddMoto(Folder(i));
  AddSaki("E:\\Bk");
  AddSaki(Folder(3));  // listed among the sources, new to the destinations
  EXPECT_FALSE(saki_found);
  EXPECT_EQ(record.SakiCount, 2);
  EXPECT_EQ(record.SakiHistory[1], Folder(3));
  EXPECT_EQ(record.SakiHistory[2], "");
  EXPECT_EQ(saki.items, (Items{Folder(3), "E:\\Bk"}));
  EXPECT_EQ(record.MotoCount, 10);
  EXPECT_EQ(moto.text, Folder(10));
}

TEST_F(FolderHistoryTest, LoadFillsTheFieldsNewestFirst) {
  TempFolder folder;
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  const std::unique_ptr<AnsiCodec> codec = NewSystemAnsiCodec();
  const std::string path = folder.Path("mirtel.dat");
  for (int i = 1; i <= 3; ++i) AddMoto(Folder(i));
  AddMoto(Folder(1));  // reordered in the record only
  SaveSettings(record, path, *fs, *codec);

  SettingsRecord loaded;
  FakeComboBox moto2, saki2;
  saki2.items = {"stale"};
  saki2.text = "cmbBackSaki";
  LoadSettings(loaded, path, *fs, *codec, moto2, saki2);
  EXPECT_EQ(loaded.MotoHistory, record.MotoHistory);
  EXPECT_EQ(moto2.items, (Items{Folder(1), Folder(3), Folder(2)}));
  EXPECT_EQ(moto2.text, Folder(1));
  // An empty list leaves the field's list alone and takes entry 0 as text.
  EXPECT_EQ(saki2.items, Items{"stale"});
  EXPECT_EQ(saki2.text, "");
}

TEST_F(FolderHistoryTest, AJobRoundTripsThroughTheFile) {
  TempFolder folder;
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  const std::unique_ptr<AnsiCodec> codec = NewSystemAnsiCodec();
  const std::string path = folder.Path("mirtel.dat");
  LoadSettings(record, path, *fs, *codec, moto, saki);
  for (const char* text : {"D:\\写真", "D:\\～①髙￢", "D:\\한국", "D:\\写真\\"}) {
    AddMoto(text);
    AddSaki(std::string(text) + "\\Bk");
    SaveSettings(record, path, *fs, *codec);
  }
  SettingsRecord loaded;
  FakeComboBox moto2, saki2;
  LoadSettings(loaded, path, *fs, *codec, moto2, saki2);
  EXPECT_EQ(loaded.MotoHistory, record.MotoHistory);
  EXPECT_EQ(loaded.SakiHistory, record.SakiHistory);
  EXPECT_EQ(loaded.MotoCount, 4);
  EXPECT_EQ(moto2.items, moto.items);
  EXPECT_EQ(saki2.text, "D:\\写真\\\\Bk");
}

}  // namespace
}  // namespace mirtel
