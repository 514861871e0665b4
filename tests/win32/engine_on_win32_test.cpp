// The path helpers and both walks on Windows semantics: backslashes, drive
// roots, UNC names, hidden and system entries, long and non-ANSI names, and
// pruning into the real Recycle Bin.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/copy_engine.h"
#include "engine/job_roots.h"
#include "engine/path_helpers.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_recycler.h"
#include "tests/fakes/recording_walk_view.h"
#include "tests/win32/win32_test_support.h"

namespace mirtel {
namespace {

std::string MissingDrive() {
  DWORD drives = GetLogicalDrives();
  for (char letter = 'Q'; letter <= 'Y'; ++letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) return std::string(1, letter) + ":\\";
  }
  return "Q:\\";
}

class EngineOnWin32Test : public ::testing::Test {
 protected:
  EngineOnWin32Test() {
    s.Dir("moto");
    s.Dir("saki");
  }

  void Copy() {
    state.MotoFolder = s.F("moto");
    state.SakiFolder = s.F("saki");
    state.CopiedCount = 0;
    state.FoundFile = false;
    view.results.clear();
    RecordRoots(fs, state);  // as the job does before its walks
    engine.FolderCopy(state.MotoFolder);
  }

  void Sync() {
    view.results.clear();
    engine.StartSync(state.SakiFolder, state.MotoFolder);
  }

  ScratchFolder s;
  Win32FileSystem fs;
  Win32Recycler recycler{&fs};
  RecordingWalkView view;
  JobState state;
  CopyEngine engine{fs, recycler, view, state};
};

TEST_F(EngineOnWin32Test, PathHelpersSpeakWindows) {
  EXPECT_EQ(PlusYen("C:\\data"), "\\");
  EXPECT_EQ(PlusYen("C:\\"), "");
  EXPECT_EQ(PlusYen(""), "\\");
  EXPECT_TRUE(IsDriveRoot("C:\\"));
  EXPECT_TRUE(IsDriveRoot("d:\\"));
  EXPECT_FALSE(IsDriveRoot("C:\\data\\"));
  // A share's top is a volume's top, as a drive's is; a folder in it is not.
  EXPECT_TRUE(IsDriveRoot("\\\\server\\share\\"));
  EXPECT_FALSE(IsDriveRoot("\\\\server\\share\\data\\"));
  EXPECT_TRUE(SameFolder("C:\\Data\\Photos", "c:\\data\\photos\\"));
  EXPECT_FALSE(SameFolder("C:\\data\\", "C:\\data2\\"));

  s.Write("hidden.sys");
  SetAttributes(s.N("hidden.sys"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  s.Write("readonly.txt");
  SetAttributes(s.N("readonly.txt"), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(ChkExist(fs, s.F()));
  EXPECT_TRUE(ChkExist(fs, s.P("hidden.sys")));
  EXPECT_TRUE(ChkExist(fs, s.P("readonly.txt")));
  EXPECT_TRUE(ChkExist(fs, "C:\\"));
  EXPECT_FALSE(ChkExist(fs, s.P("missing.txt")));
  EXPECT_FALSE(ChkExist(fs, s.P("nofolder/missing.txt")));
  EXPECT_FALSE(ChkExist(fs, MissingDrive() + "data\\"));
  EXPECT_FALSE(ChkExist(fs, ""));

  // Pruning may only take "not found" for an answer.
  EXPECT_EQ(ProbeEntry(fs, s.P("missing.txt")), Presence::Absent);
  EXPECT_EQ(ProbeEntry(fs, s.P("hidden.sys")), Presence::Present);
  EXPECT_EQ(ProbeEntry(fs, MissingDrive() + "data\\x.txt"), Presence::Unknown);
}

TEST_F(EngineOnWin32Test, MakeSakiFolderTakesTheLastNameOfAnyForm) {
  const struct {
    const char* moto;
    const char* name;
  } cases[] = {{"\\\\server\\share\\docs\\", "docs"},
               {"\\\\server\\share\\", "share"},
               {"docs\\", "docs"},
               {"C:\\data\\写真\\", "写真"}};
  for (const auto& c : cases) {
    state.MotoFolder = c.moto;
    state.SakiFolder = s.F("saki");
    engine.MakeSakiFolder();
    EXPECT_EQ(state.SakiFolder, s.F("saki") + c.name + "\\") << c.moto;
    EXPECT_TRUE(ChkExist(fs, state.SakiFolder)) << c.moto;
    // A second job finds it there and ends the same.
    state.SakiFolder = s.F("saki");
    engine.MakeSakiFolder();
    EXPECT_EQ(state.SakiFolder, s.F("saki") + c.name + "\\") << c.moto;
  }
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(EngineOnWin32Test, CopyThenSyncOnAWindowsTree) {
  const std::string longName(100, 'L');
  const std::string deepFile = longName + "/" + longName + "/" + longName + ".txt";
  s.Dir("moto/写真");
  s.Write("moto/写真/夏.jpg", "summer");
  s.Write("moto/\xF0\x9F\x93\xB7 한.txt", "emoji");
  s.Write("moto/desktop.ini", "ini");
  SetAttributes(s.N("moto/desktop.ini"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  s.Dir("moto/hidden");
  SetAttributes(s.N("moto/hidden"), FILE_ATTRIBUTE_HIDDEN);
  s.Write("moto/hidden/h.txt", "h");
  MakeFolderW(s.N("moto/" + longName));
  MakeFolderW(s.N("moto/" + longName + "/" + longName));
  WriteW(s.N("moto/" + deepFile), "long");

  Copy();
  EXPECT_EQ(state.CopiedCount, 5);
  EXPECT_EQ(state.FailedCount, 0);
  EXPECT_EQ(s.Read("saki/写真/夏.jpg"), "summer");
  EXPECT_EQ(s.Read("saki/\xF0\x9F\x93\xB7 한.txt"), "emoji");
  EXPECT_EQ(s.Read("saki/hidden/h.txt"), "h");
  EXPECT_TRUE(AttributesOf(s.N("saki/desktop.ini")) & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(ReadW(s.N("saki/" + deepFile)), "long");
  EXPECT_NE(std::find(view.results.begin(), view.results.end(), "夏.jpg"), view.results.end());

  // An unchanged tree copies nothing the second time: the times were kept.
  Copy();
  EXPECT_EQ(state.CopiedCount, 0);
  EXPECT_TRUE(state.FoundFile);
  EXPECT_TRUE(view.results.empty());

  // What the source no longer has goes to the Recycle Bin, the rest stays.
  s.Write("saki/写真/古い.jpg", "old");
  s.Dir("saki/消えた");
  s.Write("saki/消えた/x.txt");
  Sync();
  EXPECT_FALSE(s.Exists("saki/写真/古い.jpg"));
  EXPECT_FALSE(s.Exists("saki/消えた"));
  EXPECT_TRUE(s.Exists("saki/写真/夏.jpg"));
  EXPECT_TRUE(s.Exists("saki/desktop.ini"));
  EXPECT_TRUE(s.Exists("saki/hidden/h.txt"));
  EXPECT_EQ(state.RemovedCount, 2);
  EXPECT_EQ(state.FailedCount, 0);
  EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
}  // namespace mirtel
