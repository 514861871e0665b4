// The Recycle Bin for real: the item leaves its place and lands in the bin
// (under Wine, the XDG Trash of XDG_DATA_HOME), never gone for good.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/win32_api.h"
// after windows.h
#include <shellapi.h>

#include "platform/native_file_system.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_recycler.h"
#include "tests/win32/win32_test_support.h"

namespace mirtel {
namespace {

std::int64_t ItemsInBin(const std::wstring& root) {
  SHQUERYRBINFO info{};
  info.cbSize = sizeof(info);
  if (FAILED(SHQueryRecycleBinW(root.c_str(), &info))) return -1;
  return info.i64NumItems;
}

// Where Wine's shell puts what it recycles, as a Windows path; "" elsewhere.
std::wstring WineTrashFiles() {
  using ToDos = wchar_t*(__cdecl*)(const char*);
  FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name");
  char home[4096];
  DWORD length = GetEnvironmentVariableA("XDG_DATA_HOME", home, sizeof home);
  if (proc == nullptr || length == 0 || length >= sizeof home) return {};
  auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void (*)()>(proc));
  wchar_t* dos = toDos((std::string(home, length) + "/Trash/files").c_str());
  if (dos == nullptr) return {};
  std::wstring path = dos;
  HeapFree(GetProcessHeap(), 0, dos);
  return path;
}

class Win32RecyclerTest : public ::testing::Test {
 protected:
  Win32RecyclerTest() {
    std::random_device seed;
    tag_ = "-" + std::to_string(seed());
    root_ = s.N("").wstring().substr(0, 3);
  }

  // Recycles `rel` and checks that it left its place for the bin, where it
  // goes by `binName` (its own name unless told).
  void ExpectRecycled(const std::string& rel, std::wstring binName = {}) {
    const std::int64_t before = ItemsInBin(root_);
    ASSERT_NO_THROW(recycler.MoveToRecycleBin(s.P(rel)));
    EXPECT_FALSE(ExistsW(s.N(rel)));
    EXPECT_GE(ItemsInBin(root_), before + 1);
    const std::wstring trash = WineTrashFiles();
    if (!trash.empty()) {
      const std::wstring name = binName.empty() ? s.N(rel).filename().wstring() : binName;
      EXPECT_NE(GetFileAttributesW((trash + L"\\" + name).c_str()), INVALID_FILE_ATTRIBUTES)
          << WideToUtf8(trash + L"\\" + name);
    }
  }

  ScratchFolder s;
  Win32FileSystem fs;
  Win32Recycler recycler{&fs};
  std::string tag_;
  std::wstring root_;
};

TEST_F(Win32RecyclerTest, FilesAndWholeFoldersGoToTheBin) {
  const std::string file = "file" + tag_ + ".txt";
  s.Write(file, "keep me");
  ExpectRecycled(file);

  const std::string folder = "folder" + tag_;
  s.Write(folder + "/inner.txt");
  s.Dir(folder + "/sub");
  ExpectRecycled(folder);

  // Hidden, system and read-only items go too.
  const std::string guarded = "guarded" + tag_ + ".txt";
  s.Write(guarded);
  SetAttributes(s.N(guarded),
                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ExpectRecycled(guarded);
}

TEST_F(Win32RecyclerTest, NamesOutsideTheAnsiCodePageAndTrailingSeparator) {
  const std::string japanese = "古い写真" + tag_;
  s.Write(japanese + "/a.jpg");
  ExpectRecycled(japanese);

  const std::string emoji = "\xF0\x9F\x93\xB7한" + tag_ + ".txt";  // camera emoji, Hangul
  s.Write(emoji);
  ExpectRecycled(emoji);

  const std::string folder = "slash" + tag_;
  s.Dir(folder);
  const std::int64_t before = ItemsInBin(root_);
  recycler.MoveToRecycleBin(s.F(folder));
  EXPECT_FALSE(s.Exists(folder));
  EXPECT_GE(ItemsInBin(root_), before + 1);
}

TEST_F(Win32RecyclerTest, WhatCannotGoStaysAndIsReported) {
  try {
    recycler.MoveToRecycleBin(s.P("missing" + tag_));
    ADD_FAILURE() << "a missing item was reported as recycled";
  } catch (const FsError& e) {
    EXPECT_EQ(e.kind(), FsErrorKind::NotFound);
  }
  EXPECT_THROW(recycler.MoveToRecycleBin(WideToUtf8(root_)), FsError);
  EXPECT_THROW(recycler.MoveToRecycleBin(""), FsError);
}

TEST_F(Win32RecyclerTest, ItemsBeyondMaxPathGoByTheirShortName) {
  std::string deep;
  for (int level = 0; level < 5; ++level) {
    deep += (deep.empty() ? "" : "/") + std::string(60, 'd') + std::to_string(level);
    MakeFolderW(s.N(deep));
  }
  const std::string item = deep + "/deep" + tag_ + ".txt";
  WriteW(s.N(item), "deep");
  ASSERT_GT(s.N(item).wstring().size(), static_cast<std::size_t>(MAX_PATH));
  // The shell takes no longer path; the bin still records the full one.
  std::wstring shortPath(MAX_PATH * 4, L'\0');
  DWORD length = GetShortPathNameW(Extended(s.N(item)).c_str(), shortPath.data(),
                                   static_cast<DWORD>(shortPath.size()));
  ASSERT_GT(length, 0u);
  shortPath.resize(length);
  ExpectRecycled(item, shortPath.substr(shortPath.rfind(L'\\') + 1));
}

// Too deep for the shell even by short names (40 folders of 20 characters).
std::string TooDeep(const ScratchFolder& s) {
  std::string deep;
  for (int level = 0; level < 40; ++level) {
    deep += (deep.empty() ? "" : "/") + std::string(18, 'f') + std::to_string(level % 10) + "写";
    MakeFolderW(s.N(deep));
  }
  return deep;
}

// The bytes of every file directly in `folder`.
std::vector<std::string> Contents(const std::wstring& folder) {
  std::vector<std::string> contents;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Extended(folder) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return contents;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    HANDLE file = CreateFileW((Extended(folder) + L"\\" + found.cFileName).c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    char bytes[256];
    DWORD read = 0;
    ::ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    contents.emplace_back(bytes, read);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return contents;
}

// Every name in the chain of folders from the scratch folder down to `deep`.
std::vector<std::wstring> NamesAlong(const ScratchFolder& s, const std::string& deep) {
  std::vector<std::wstring> names = NamesW(s.N(""));
  for (std::size_t cut = deep.find('/'); cut != std::string::npos; cut = deep.find('/', cut + 1)) {
    for (const auto& name : NamesW(s.N(deep.substr(0, cut)))) names.push_back(name);
  }
  for (const auto& name : NamesW(s.N(deep))) names.push_back(name);
  return names;
}

TEST_F(Win32RecyclerTest, ItemsTooDeepEvenForShortNamesStillGoToTheBin) {
  const std::string deep = TooDeep(s);
  const std::string file = deep + "/深い file" + tag_ + ".txt";
  WriteW(s.N(file), "deep file" + tag_);
  const std::string folder = deep + "/深い folder" + tag_;
  MakeFolderW(s.N(folder));
  WriteW(s.N(folder + "/inner.txt"), "inner" + tag_);
  std::wstring shortPath(MAX_PATH * 8, L'\0');
  const DWORD length = GetShortPathNameW(Extended(s.N(file)).c_str(), shortPath.data(),
                                         static_cast<DWORD>(shortPath.size()));
  ASSERT_GT(length, static_cast<DWORD>(MAX_PATH));

  for (const std::string& item : {file, folder}) {
    const std::int64_t before = ItemsInBin(root_);
    ASSERT_NO_THROW(recycler.MoveToRecycleBin(s.P(item))) << item;
    EXPECT_FALSE(ExistsW(s.N(item)));
    EXPECT_GE(ItemsInBin(root_), before + 1);
  }
  // Nothing of ours is left along the way, and the rest stays.
  EXPECT_EQ(NamesAlong(s, deep).size(), 40u);
  const std::wstring trash = WineTrashFiles();
  if (!trash.empty()) {
    const auto held = Contents(trash);
    EXPECT_NE(std::find(held.begin(), held.end(), "deep file" + tag_), held.end());
  }

  // An item the system will not let go of stays where it was.
  const std::string locked = deep + "/locked" + tag_ + ".txt";
  WriteW(s.N(locked), "locked");
  HANDLE held = CreateFileW(Extended(s.N(locked)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(recycler.MoveToRecycleBin(s.P(locked)), FsError);
  CloseHandle(held);
  EXPECT_EQ(ReadW(s.N(locked)), "locked");
  EXPECT_EQ(NamesAlong(s, deep).size(), 41u);
}

TEST_F(Win32RecyclerTest, ListingsOfTheFolderAreNotServedStale) {
  for (const char* name : {"a", "b", "c"}) s.Dir(name);
  const std::string pattern = s.F() + "*.*";
  // The recycler as the program makes it: it tells the file system through
  // the interface alone.
  FileSystem& any = fs;
  std::unique_ptr<Recycler> native = MakeNativeRecycler(any);
  for (std::string n = fs.ListStart(pattern, kListEverything); !n.empty(); n = fs.ListNext()) {
  }
  fs.ListStart(s.F("a") + "*.*", kListEverything);
  native->MoveToRecycleBin(s.P("b"));
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "a"), "c");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "b"), "c");
}

// Run by its own CTest entry, where Wine's shell has no Trash: its
// SHFileOperation would then delete for good despite FOF_ALLOWUNDO.
TEST(Win32NoTrashTest, ItemsStayWhereNothingCanTakeThem) {
  if (GetEnvironmentVariableA("MIRTEL_TEST_NO_TRASH", nullptr, 0) == 0) {
    GTEST_SKIP() << "needs a system without a Recycle Bin";
  }
  ScratchFolder s;
  s.Write("precious.txt", "precious");
  s.Dir("folder");
  s.Write("folder/inner.txt", "inner");
  Win32Recycler recycler;
  for (const char* rel : {"precious.txt", "folder"}) {
    try {
      recycler.MoveToRecycleBin(s.P(rel));
      ADD_FAILURE() << "reported as recycled without a Recycle Bin";
    } catch (const FsError& e) {
      EXPECT_EQ(e.kind(), FsErrorKind::NoRecycleBin) << e.what();
    }
  }
  EXPECT_EQ(s.Read("precious.txt"), "precious");
  EXPECT_EQ(s.Read("folder/inner.txt"), "inner");
}

}  // namespace
}  // namespace mirtel
