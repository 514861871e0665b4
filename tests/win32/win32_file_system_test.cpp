// The Windows file system layer on the real thing: listings, attributes,
// times, folders and the sound copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/program_folder.h"
#include "platform/win32/win32_file_system.h"
#include "tests/win32/win32_scratch.h"

namespace mirtel {
namespace {

std::vector<std::string> ListAll(FileSystem& fs, const std::string& folder,
                                 std::uint32_t mask = kListEverything) {
  std::vector<std::string> names;
  for (std::string name = fs.ListStart(folder + "*.*", mask); !name.empty(); name = fs.ListNext()) {
    if (name != "." && name != "..") names.push_back(name);
  }
  return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

FsErrorKind KindOf(auto&& call) {
  try {
    call();
  } catch (const FsError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no FsError thrown";
  return FsErrorKind::Other;
}

// A drive letter this system does not have.
std::string MissingDrive() {
  DWORD drives = GetLogicalDrives();
  for (char letter = 'Q'; letter <= 'Y'; ++letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) return std::string(1, letter) + ":\\";
  }
  return "Q:\\";
}

class Win32FileSystemTest : public ::testing::Test {
 protected:
  Win32Scratch s;
  Win32FileSystem fs;
};

TEST_F(Win32FileSystemTest, ListingShowsHiddenSystemAndReadOnlyEntriesAndFoldersOnce) {
  s.Write(L"plain.txt");
  s.Write(L"hidden.txt");
  s.SetAttributes(L"hidden.txt", FILE_ATTRIBUTE_HIDDEN);
  s.Write(L"system.sys");
  s.SetAttributes(L"system.sys", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  s.Write(L"readonly.txt");
  s.SetAttributes(L"readonly.txt", FILE_ATTRIBUTE_READONLY);
  s.Dir(L"sub");
  s.Dir(L"hiddensub");
  s.SetAttributes(L"hiddensub", FILE_ATTRIBUTE_HIDDEN);

  auto names = ListAll(fs, s.F());
  std::multiset<std::string> got(names.begin(), names.end());
  EXPECT_EQ(got, (std::multiset<std::string>{"plain.txt", "hidden.txt", "system.sys",
                                             "readonly.txt", "sub", "hiddensub"}));

  EXPECT_TRUE(fs.Attributes(s.P(L"system.sys")) & kAttrSystem);
  EXPECT_TRUE(fs.Attributes(s.P(L"hidden.txt")) & kAttrHidden);
  EXPECT_TRUE(fs.Attributes(s.P(L"readonly.txt")) & kAttrReadOnly);
  EXPECT_TRUE(fs.Attributes(s.P(L"hiddensub")) & kAttrDirectory);
  EXPECT_FALSE(fs.Attributes(s.P(L"plain.txt")) & kAttrDirectory);

  // Without the hidden, system and directory bits only plain files are listed.
  auto plain = ListAll(fs, s.F(), 0);
  std::multiset<std::string> plainSet(plain.begin(), plain.end());
  EXPECT_EQ(plainSet, (std::multiset<std::string>{"plain.txt", "readonly.txt"}));
}

TEST_F(Win32FileSystemTest, ListingEndsWithEmptyNameAndThenRefuses) {
  s.Write(L"only.txt");
  std::string name = fs.ListStart(s.F() + "*.*", kListEverything);
  int count = 0;
  while (!name.empty()) {
    ++count;
    name = fs.ListNext();
  }
  EXPECT_GE(count, 1);
  EXPECT_EQ(KindOf([&] { fs.ListNext(); }), FsErrorKind::ListingEnded);

  // A missing folder lists nothing, and is over at once.
  EXPECT_EQ(fs.ListStart(s.F(L"missing") + "*.*", kListEverything), "");
  EXPECT_EQ(KindOf([&] { fs.ListNext(); }), FsErrorKind::ListingEnded);
  EXPECT_EQ(fs.ListStart(s.F(L"only.txt") + "*.*", kListEverything), "");
}

TEST_F(Win32FileSystemTest, ResumeAfterANameGoesOnInListingOrder) {
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) s.Dir(name);
  const std::string pattern = s.F() + "*.*";
  std::vector<std::string> order;
  for (std::string n = fs.ListStart(pattern, kListEverything); !n.empty(); n = fs.ListNext()) {
    order.push_back(n);
  }
  ASSERT_GE(order.size(), 4u);
  // A descent in between uses the one cursor for another folder.
  fs.ListStart(s.F(L"b") + "*.*", kListEverything);
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::string next = fs.ListResumeAfter(pattern, kListEverything, order[i]);
    EXPECT_EQ(next, i + 1 < order.size() ? order[i + 1] : "");
  }
  EXPECT_EQ(KindOf([&] { fs.ListNext(); }), FsErrorKind::ListingEnded);
  EXPECT_EQ(KindOf([&] { fs.ListResumeAfter(pattern, kListEverything, "nosuch"); }),
            FsErrorKind::ListingEnded);
  // Names are compared exactly.
  EXPECT_EQ(KindOf([&] { fs.ListResumeAfter(pattern, kListEverything, "B"); }),
            FsErrorKind::ListingEnded);
}

TEST_F(Win32FileSystemTest, ResumeSeesWhatChangedInTheFolderMeanwhile) {
  s.Dir(L"a");
  s.Dir(L"b");
  const std::string pattern = s.F() + "*.*";
  ListAll(fs, s.F());

  // Changed through this object: the resume reads the folder afresh.
  fs.MakeFolder(s.P(L"c"));
  ListAll(fs, s.F(L"a"));
  EXPECT_NO_THROW(fs.ListResumeAfter(pattern, kListEverything, "c"));

  // Changed behind its back: the folder's time tells.
  ListAll(fs, s.F(L"a"));
  ASSERT_TRUE(RemoveDirectoryW(Extended(s.W(L"b")).c_str()));
  EXPECT_EQ(KindOf([&] { fs.ListResumeAfter(pattern, kListEverything, "b"); }),
            FsErrorKind::ListingEnded);

  // The folder itself went away.
  s.Dir(L"gone");
  ListAll(fs, s.F(L"gone"));
  ASSERT_TRUE(RemoveDirectoryW(Extended(s.W(L"gone")).c_str()));
  EXPECT_EQ(KindOf([&] { fs.ListResumeAfter(s.F(L"gone") + "*.*", kListEverything, "x"); }),
            FsErrorKind::ListingEnded);
}

TEST_F(Win32FileSystemTest, AttributesOfMissingEntriesAndBadPaths) {
  EXPECT_EQ(KindOf([&] { fs.Attributes(s.P(L"missing.txt")); }), FsErrorKind::NotFound);
  EXPECT_EQ(KindOf([&] { fs.Attributes(s.P(L"nofolder\\x.txt")); }), FsErrorKind::NotFound);
  EXPECT_ANY_THROW(fs.Attributes(""));
  EXPECT_ANY_THROW(fs.Attributes(std::string("C:\\a\0b", 6)));
  EXPECT_ANY_THROW(fs.Attributes("C:\\\xff\xfe"));
  // A drive that is not there is no proof that an entry is absent.
  const std::string drive = MissingDrive();
  EXPECT_ANY_THROW(fs.Attributes(drive));
  EXPECT_NE(KindOf([&] { fs.Attributes(drive + "backup\\x.txt"); }), FsErrorKind::NotFound);

  // The question without an exception gives the same reasons.
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  EXPECT_FALSE(fs.TryAttributes(s.P(L"nofolder\\x.txt"), attrs, why));
  EXPECT_EQ(why, FsErrorKind::NotFound);
  why = FsErrorKind::NotFound;
  EXPECT_FALSE(fs.TryAttributes(drive + "backup\\x.txt", attrs, why));
  EXPECT_NE(why, FsErrorKind::NotFound);
  s.Write(L"here.txt");
  EXPECT_TRUE(fs.TryAttributes(s.P(L"here.txt"), attrs, why));
  EXPECT_FALSE(attrs & kAttrDirectory);
}

TEST_F(Win32FileSystemTest, AttributesOfAListedEntryAreNotStaleAfterItsChange) {
  s.Write(L"f.txt");
  std::string name = fs.ListStart(s.F() + "*.*", kListEverything);
  while (name != "f.txt" && !name.empty()) name = fs.ListNext();
  ASSERT_EQ(name, "f.txt");
  ASSERT_FALSE(fs.Attributes(s.P(L"f.txt")) & kAttrDirectory);
  // Replaced by a folder of the same name through this object.
  ASSERT_TRUE(DeleteFileW(Extended(s.W(L"f.txt")).c_str()));
  fs.MakeFolder(s.P(L"f.txt"));
  EXPECT_TRUE(fs.Attributes(s.P(L"f.txt")) & kAttrDirectory);
}

TEST_F(Win32FileSystemTest, PathsWithForwardSlashesAndRelativePartsAreResolved) {
  s.Dir(L"sub");
  s.Write(L"sub\\f.txt");
  std::string slashed = s.P(L"sub");
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_FALSE(fs.Attributes(slashed + "/f.txt") & kAttrDirectory);
  EXPECT_TRUE(fs.Attributes(s.P(L"sub\\..\\sub")) & kAttrDirectory);
  EXPECT_TRUE(Has(ListAll(fs, slashed + "/"), "f.txt"));
}

TEST_F(Win32FileSystemTest, DriveRootIsListedAndQueried) {
  char windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 2u);
  const std::string root = std::string(windows, 2) + "\\";
  EXPECT_TRUE(fs.Attributes(root) & kAttrDirectory);
  bool found = false;
  for (const auto& name : ListAll(fs, root)) {
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    found |= upper == "WINDOWS";
  }
  EXPECT_TRUE(found);
}

TEST_F(Win32FileSystemTest, LastWriteTimeIsWholeUtcSeconds) {
  s.Write(L"f.txt");
  constexpr std::int64_t kJune2001 = 992608496;  // 2001-06-15 12:34:56 UTC
  s.SetTime(L"f.txt", FileTimeOf(kJune2001, 9999999));
  EXPECT_EQ(fs.LastWriteTime(s.P(L"f.txt")), kJune2001);
  s.SetTime(L"f.txt", FileTimeOf(kJune2001 + 1));
  EXPECT_EQ(fs.LastWriteTime(s.P(L"f.txt")), kJune2001 + 1);
  EXPECT_EQ(KindOf([&] { fs.LastWriteTime(s.P(L"missing.txt")); }), FsErrorKind::NotFound);
}

TEST_F(Win32FileSystemTest, MakeFolderRefusesExistingAndOrphans) {
  fs.MakeFolder(s.P(L"new"));
  EXPECT_TRUE(s.Attributes(L"new") & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(KindOf([&] { fs.MakeFolder(s.P(L"new")); }), FsErrorKind::AlreadyExists);
  s.Write(L"file");
  EXPECT_EQ(KindOf([&] { fs.MakeFolder(s.P(L"file")); }), FsErrorKind::AlreadyExists);
  EXPECT_EQ(KindOf([&] { fs.MakeFolder(s.P(L"none\\child")); }), FsErrorKind::NotFound);
}

TEST_F(Win32FileSystemTest, CopyKeepsTimeAndReplacesWithoutLeavingTemporaries) {
  s.Dir(L"moto");
  s.Dir(L"saki");
  s.Write(L"moto\\f.txt", "new content");
  s.SetTime(L"moto\\f.txt", FileTimeOf(1000000000, 1234567));
  fs.CopyFile(s.P(L"moto\\f.txt"), s.P(L"saki\\f.txt"));
  EXPECT_EQ(s.Read(L"saki\\f.txt"), "new content");
  EXPECT_EQ(TicksOf(s.Time(L"saki\\f.txt")), TicksOf(FileTimeOf(1000000000, 1234567)));
  EXPECT_EQ(fs.LastWriteTime(s.P(L"saki\\f.txt")), 1000000000);

  // Over an older copy, which may be hidden.
  s.Write(L"saki\\g.txt", "old");
  s.SetAttributes(L"saki\\g.txt", FILE_ATTRIBUTE_HIDDEN);
  s.Write(L"moto\\g.txt", "newer");
  fs.CopyFile(s.P(L"moto\\g.txt"), s.P(L"saki\\g.txt"));
  EXPECT_EQ(s.Read(L"saki\\g.txt"), "newer");

  // A hidden source stays hidden, and an empty one copies.
  s.Write(L"moto\\h.txt", "");
  s.SetAttributes(L"moto\\h.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  fs.CopyFile(s.P(L"moto\\h.txt"), s.P(L"saki\\h.txt"));
  EXPECT_TRUE(s.Attributes(L"saki\\h.txt") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(s.Read(L"saki\\h.txt"), "");

  auto names = s.Names(L"saki");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"f.txt", L"g.txt", L"h.txt"}));
}

TEST_F(Win32FileSystemTest, FailedCopyLeavesTheOldFileAndNoTemporary) {
  s.Dir(L"moto");
  s.Dir(L"saki");
  s.Write(L"moto\\f.txt", "new");
  s.Write(L"saki\\f.txt", "old");

  // A read-only destination is not replaced.
  s.SetAttributes(L"saki\\f.txt", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(KindOf([&] { fs.CopyFile(s.P(L"moto\\f.txt"), s.P(L"saki\\f.txt")); }),
            FsErrorKind::AccessDenied);
  EXPECT_EQ(s.Read(L"saki\\f.txt"), "old");
  s.SetAttributes(L"saki\\f.txt", FILE_ATTRIBUTE_NORMAL);

  // A source that cannot be read.
  HANDLE locked = CreateFileW(Extended(s.W(L"moto\\f.txt")).c_str(), GENERIC_READ | GENERIC_WRITE,
                              0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_ANY_THROW(fs.CopyFile(s.P(L"moto\\f.txt"), s.P(L"saki\\f.txt")));
  CloseHandle(locked);
  EXPECT_EQ(s.Read(L"saki\\f.txt"), "old");

  // A missing source, and a missing destination folder.
  EXPECT_EQ(KindOf([&] { fs.CopyFile(s.P(L"moto\\none.txt"), s.P(L"saki\\f.txt")); }),
            FsErrorKind::NotFound);
  EXPECT_EQ(s.Read(L"saki\\f.txt"), "old");
  EXPECT_ANY_THROW(fs.CopyFile(s.P(L"moto\\f.txt"), s.P(L"nofolder\\f.txt")));
  // A folder in the way is not a file to replace.
  s.Dir(L"saki\\dir");
  EXPECT_EQ(KindOf([&] { fs.CopyFile(s.P(L"moto\\f.txt"), s.P(L"saki\\dir")); }),
            FsErrorKind::AccessDenied);

  auto names = s.Names(L"saki");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"dir", L"f.txt"}));
}

TEST_F(Win32FileSystemTest, NamesOutsideTheAnsiCodePageRoundTrip) {
  // Japanese, Hangul, an emoji (a surrogate pair) and accented Latin.
  const std::vector<std::string> names = {"写真フォルダ", "한국어", "\xF0\x9F\x93\xB7 camera",
                                          "Café ü"};
  for (const auto& name : names) {
    fs.MakeFolder(s.F() + name);
    fs.WriteFileAtomically(s.F() + name + "\\" + name + ".txt", name);
    fs.CopyFile(s.F() + name + "\\" + name + ".txt", s.F() + name + "\\copy " + name + ".txt");
  }
  auto listed = ListAll(fs, s.F());
  for (const auto& name : names) {
    EXPECT_TRUE(Has(listed, name)) << name;
    EXPECT_TRUE(fs.Attributes(s.F() + name) & kAttrDirectory);
    auto inner = ListAll(fs, s.F() + name + "\\");
    EXPECT_TRUE(Has(inner, name + ".txt")) << name;
    EXPECT_EQ(fs.ReadFile(s.F() + name + "\\copy " + name + ".txt"), name);
  }
  EXPECT_TRUE(s.Exists(L"\x5199\x771F\x30D5\x30A9\x30EB\x30C0"));  // 写真フォルダ as UTF-16
}

TEST_F(Win32FileSystemTest, PathsLongerThanMaxPathWork) {
  std::string folder = s.F();
  const std::string part(60, 'x');
  for (int level = 0; level < 6; ++level) {
    folder += part + std::to_string(level);
    fs.MakeFolder(folder);
    folder += "\\";
  }
  ASSERT_GT(folder.size(), 300u);
  fs.WriteFileAtomically(folder + "source.txt", "deep");
  s.SetTime(Utf8ToWide(folder.substr(s.F().size()) + "source.txt"), FileTimeOf(1200000000));
  fs.CopyFile(folder + "source.txt", folder + "copy.txt");

  auto names = ListAll(fs, folder);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"copy.txt", "source.txt"}));
  EXPECT_EQ(fs.ReadFile(folder + "copy.txt"), "deep");
  EXPECT_EQ(fs.LastWriteTime(folder + "copy.txt"), 1200000000);
  EXPECT_FALSE(fs.Attributes(folder + "copy.txt") & kAttrDirectory);
  ListAll(fs, s.F());
  EXPECT_NO_THROW(fs.ListResumeAfter(folder + "*.*", kListEverything, "copy.txt"));
}

TEST_F(Win32FileSystemTest, WholeFileReadAndAtomicReplace) {
  const std::string path = s.P(L"mirtel.dat");
  EXPECT_EQ(KindOf([&] { fs.ReadFile(path); }), FsErrorKind::NotFound);
  std::string bytes("a\0b\xff", 4);
  fs.WriteFileAtomically(path, bytes);
  EXPECT_EQ(fs.ReadFile(path), bytes);
  fs.WriteFileAtomically(path, "second");
  EXPECT_EQ(fs.ReadFile(path), "second");
  fs.WriteFileAtomically(path, "");
  EXPECT_EQ(fs.ReadFile(path), "");
  EXPECT_EQ(s.Names(), (std::vector<std::wstring>{L"mirtel.dat"}));
  EXPECT_ANY_THROW(fs.WriteFileAtomically(s.P(L"nofolder\\mirtel.dat"), "x"));
}

TEST(ProgramFolderTest, IsTheFolderOfThisExecutable) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  wchar_t path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::string exe = WideToUtf8(std::wstring(path, length));
  EXPECT_EQ(exe.substr(0, folder.size()), folder);
  EXPECT_EQ(exe.find('\\', folder.size()), std::string::npos);
}

}  // namespace
}  // namespace mirtel
