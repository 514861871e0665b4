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
#include "tests/win32/win32_scratch.h"

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
    tag_ = L"-" + std::to_wstring(seed());
    root_ = s.W().substr(0, 3);
  }

  // Recycles `rel` and checks that it left its place for the bin, where it
  // goes by `binName` (its own name unless told).
  void ExpectRecycled(const std::wstring& rel, std::wstring binName = {}) {
    const std::int64_t before = ItemsInBin(root_);
    ASSERT_NO_THROW(recycler.MoveToRecycleBin(s.P(rel)));
    EXPECT_FALSE(s.Exists(rel));
    EXPECT_GE(ItemsInBin(root_), before + 1);
    const std::wstring trash = WineTrashFiles();
    if (!trash.empty()) {
      const std::wstring name = binName.empty() ? rel.substr(rel.rfind(L'\\') + 1) : binName;
      EXPECT_NE(GetFileAttributesW((trash + L"\\" + name).c_str()), INVALID_FILE_ATTRIBUTES)
          << WideToUtf8(trash + L"\\" + name);
    }
  }

  Win32Scratch s;
  Win32FileSystem fs;
  Win32Recycler recycler{&fs};
  std::wstring tag_;
  std::wstring root_;
};

TEST_F(Win32RecyclerTest, FilesAndWholeFoldersGoToTheBin) {
  const std::wstring file = L"file" + tag_ + L".txt";
  s.Write(file, "keep me");
  ExpectRecycled(file);

  const std::wstring folder = L"folder" + tag_;
  s.Dir(folder);
  s.Write(folder + L"\\inner.txt");
  s.Dir(folder + L"\\sub");
  ExpectRecycled(folder);

  // Hidden, system and read-only items go too.
  const std::wstring guarded = L"guarded" + tag_ + L".txt";
  s.Write(guarded);
  s.SetAttributes(guarded, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ExpectRecycled(guarded);
}

TEST_F(Win32RecyclerTest, NamesOutsideTheAnsiCodePageAndTrailingSeparator) {
  const std::wstring japanese = L"\x53E4\x3044\x5199\x771F" + tag_;  // 古い写真
  s.Dir(japanese);
  s.Write(japanese + L"\\a.jpg");
  ExpectRecycled(japanese);

  const std::wstring emoji = L"\xD83D\xDCF7\xD55C" + tag_ + L".txt";  // camera emoji, Hangul
  s.Write(emoji);
  ExpectRecycled(emoji);

  const std::wstring folder = L"slash" + tag_;
  s.Dir(folder);
  const std::int64_t before = ItemsInBin(root_);
  recycler.MoveToRecycleBin(s.F(folder));
  EXPECT_FALSE(s.Exists(folder));
  EXPECT_GE(ItemsInBin(root_), before + 1);
}

TEST_F(Win32RecyclerTest, WhatCannotGoStaysAndIsReported) {
  try {
    recycler.MoveToRecycleBin(s.P(L"missing" + tag_));
    ADD_FAILURE() << "a missing item was reported as recycled";
  } catch (const FsError& e) {
    EXPECT_EQ(e.kind(), FsErrorKind::NotFound);
  }
  EXPECT_THROW(recycler.MoveToRecycleBin(WideToUtf8(root_)), FsError);
  EXPECT_THROW(recycler.MoveToRecycleBin(""), FsError);
}

TEST_F(Win32RecyclerTest, ItemsBeyondMaxPathGoByTheirShortName) {
  std::wstring deep;
  for (int level = 0; level < 5; ++level) {
    deep += (deep.empty() ? L"" : L"\\") + std::wstring(60, L'd') + std::to_wstring(level);
    s.Dir(deep);
  }
  const std::wstring item = deep + L"\\deep" + tag_ + L".txt";
  s.Write(item, "deep");
  ASSERT_GT(s.W(item).size(), static_cast<std::size_t>(MAX_PATH));
  // The shell takes no longer path; the bin still records the full one.
  std::wstring shortPath(MAX_PATH * 4, L'\0');
  DWORD length = GetShortPathNameW(Extended(s.W(item)).c_str(), shortPath.data(),
                                   static_cast<DWORD>(shortPath.size()));
  ASSERT_GT(length, 0u);
  shortPath.resize(length);
  ExpectRecycled(item, shortPath.substr(shortPath.rfind(L'\\') + 1));
}

// Too deep for the shell even by short names (40 folders of 20 characters).
std::wstring TooDeep(const Win32Scratch& s) {
  std::wstring deep;
  for (int level = 0; level < 40; ++level) {
    deep += (deep.empty() ? L"" : L"\\") + std::wstring(18, L'f') + std::to_wstring(level % 10) +
            L"\x5199";  // 写
    s.Dir(deep);
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
std::vector<std::wstring> NamesAlong(const Win32Scratch& s, const std::wstring& deep) {
  std::vector<std::wstring> names = s.Names();
  for (std::size_t cut = deep.find(L'\\'); cut != std::wstring::npos;
       cut = deep.find(L'\\', cut + 1)) {
    for (const auto& name : s.Names(deep.substr(0, cut))) names.push_back(name);
  }
  for (const auto& name : s.Names(deep)) names.push_back(name);
  return names;
}

TEST_F(Win32RecyclerTest, ItemsTooDeepEvenForShortNamesStillGoToTheBin) {
  const std::wstring deep = TooDeep(s);
  const std::wstring file = deep + L"\\\x6DF1\x3044 file" + tag_ + L".txt";  // 深い
  s.Write(file, "deep file" + WideToUtf8(tag_));
  const std::wstring folder = deep + L"\\\x6DF1\x3044 folder" + tag_;
  s.Dir(folder);
  s.Write(folder + L"\\inner.txt", "inner" + WideToUtf8(tag_));
  std::wstring shortPath(MAX_PATH * 8, L'\0');
  const DWORD length = GetShortPathNameW(Extended(s.W(file)).c_str(), shortPath.data(),
                                         static_cast<DWORD>(shortPath.size()));
  ASSERT_GT(length, static_cast<DWORD>(MAX_PATH));

  for (const std::wstring& item : {file, folder}) {
    const std::int64_t before = ItemsInBin(root_);
    ASSERT_NO_THROW(recycler.MoveToRecycleBin(s.P(item))) << WideToUtf8(item);
    EXPECT_FALSE(s.Exists(item));
    EXPECT_GE(ItemsInBin(root_), before + 1);
  }
  // Nothing of ours is left along the way, and the rest stays.
  EXPECT_EQ(NamesAlong(s, deep).size(), 40u);
  const std::wstring trash = WineTrashFiles();
  if (!trash.empty()) {
    const auto held = Contents(trash);
    EXPECT_NE(std::find(held.begin(), held.end(), "deep file" + WideToUtf8(tag_)), held.end());
  }

  // An item the system will not let go of stays where it was.
  const std::wstring locked = deep + L"\\locked" + tag_ + L".txt";
  s.Write(locked, "locked");
  HANDLE held = CreateFileW(Extended(s.W(locked)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(recycler.MoveToRecycleBin(s.P(locked)), FsError);
  CloseHandle(held);
  EXPECT_EQ(s.Read(locked), "locked");
  EXPECT_EQ(NamesAlong(s, deep).size(), 41u);
}

TEST_F(Win32RecyclerTest, ListingsOfTheFolderAreNotServedStale) {
  for (const wchar_t* name : {L"a", L"b", L"c"}) s.Dir(name);
  const std::string pattern = s.F() + "*.*";
  // The recycler as the program makes it: it tells the file system through
  // the interface alone.
  FileSystem& any = fs;
  std::unique_ptr<Recycler> native = MakeNativeRecycler(any);
  for (std::string n = fs.ListStart(pattern, kListEverything); !n.empty(); n = fs.ListNext()) {
  }
  fs.ListStart(s.F(L"a") + "*.*", kListEverything);
  native->MoveToRecycleBin(s.P(L"b"));
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "a"), "c");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "b"), "c");
}

// Run by its own CTest entry, where Wine's shell has no Trash: its
// SHFileOperation would then delete for good despite FOF_ALLOWUNDO.
TEST(Win32NoTrashTest, ItemsStayWhereNothingCanTakeThem) {
  if (GetEnvironmentVariableA("MIRTEL_TEST_NO_TRASH", nullptr, 0) == 0) {
    GTEST_SKIP() << "needs a system without a Recycle Bin";
  }
  Win32Scratch s;
  s.Write(L"precious.txt", "precious");
  s.Dir(L"folder");
  s.Write(L"folder\\inner.txt", "inner");
  Win32Recycler recycler;
  for (const wchar_t* rel : {L"precious.txt", L"folder"}) {
    try {
      recycler.MoveToRecycleBin(s.P(rel));
      ADD_FAILURE() << "reported as recycled without a Recycle Bin";
    } catch (const FsError& e) {
      EXPECT_EQ(e.kind(), FsErrorKind::NoRecycleBin) << e.what();
    }
  }
  EXPECT_EQ(s.Read(L"precious.txt"), "precious");
  EXPECT_EQ(s.Read(L"folder\\inner.txt"), "inner");
}

}  // namespace
}  // namespace mirtel
