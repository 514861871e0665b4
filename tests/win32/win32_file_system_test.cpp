// The Windows file system layer on the real thing: listings, attributes,
// times, folders and the sound copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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

constexpr std::int64_t kNsPerSecond = 1000000000;

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
  for (const wchar_t* name : {L"b", L"D", L"a", L"c"}) s.Dir(name);
  const std::string pattern = s.F() + "*.*";
  std::vector<std::string> order;
  for (std::string n = fs.ListStart(pattern, kListEverything); !n.empty(); n = fs.ListNext()) {
    order.push_back(n);
  }
  // "." and ".." first, then by the names with their case set aside.
  EXPECT_EQ(order, (std::vector<std::string>{".", "..", "a", "b", "c", "D"}));
  // A descent in between uses the one cursor for another folder.
  fs.ListStart(s.F(L"b") + "*.*", kListEverything);
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::string next = fs.ListResumeAfter(pattern, kListEverything, order[i]);
    EXPECT_EQ(next, i + 1 < order.size() ? order[i + 1] : "");
  }
  EXPECT_EQ(KindOf([&] { fs.ListNext(); }), FsErrorKind::ListingEnded);
  // A name that is not there goes on from where it would stand; names
  // differing only in case stand side by side.
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "bb"), "c");
  EXPECT_EQ(fs.ListNext(), "D");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "B"), "b");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "d"), "");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "nosuch"), "");
}

TEST_F(Win32FileSystemTest, ResumeSeesWhatChangedInTheFolderMeanwhile) {
  s.Dir(L"a");
  s.Dir(L"b");
  const std::string pattern = s.F() + "*.*";
  ListAll(fs, s.F());

  // Changed through this object: the resume reads the folder afresh.
  fs.MakeFolder(s.P(L"c"));
  ListAll(fs, s.F(L"a"));
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "b"), "c");

  // Changed behind its back: the folder's time tells.
  ListAll(fs, s.F(L"a"));
  ASSERT_TRUE(RemoveDirectoryW(Extended(s.W(L"b")).c_str()));
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "a"), "c");
  ListAll(fs, s.F(L"a"));
  ASSERT_TRUE(MoveFileW(Extended(s.W(L"c")).c_str(), Extended(s.W(L"0")).c_str()));
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "c"), "");

  // The folder itself went away.
  s.Dir(L"gone");
  ListAll(fs, s.F(L"gone"));
  ASSERT_TRUE(RemoveDirectoryW(Extended(s.W(L"gone")).c_str()));
  EXPECT_EQ(KindOf([&] { fs.ListResumeAfter(s.F(L"gone") + "*.*", kListEverything, "x"); }),
            FsErrorKind::ListingEnded);
}

TEST_F(Win32FileSystemTest, ResumeAfterVanishedNamesMissesNoSurvivor) {
  // Names of every kind, made in no particular order, half of them folders.
  const std::vector<std::wstring> stems = {L"photo", L"Photo2", L"写真", L"ｶﾅ", L"éte", L"ZIP",
                                           L"a b",   L"_x",     L"~tmp", L"1",  L"10",  L"9"};
  std::mt19937 random(20240601);
  std::set<std::wstring> upperNames;
  std::vector<std::wstring> made;
  for (int i = 0; made.size() < 48 && i < 1000; ++i) {
    std::wstring name = stems[random() % stems.size()] + std::to_wstring(random() % 50);
    if (random() % 4 == 0) name += (random() % 2 ? L"." : L" ");  // real names with \\?\.
    std::wstring upper = name;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    if (!upperNames.insert(upper).second) continue;
    if (random() % 2) {
      s.Dir(name);
    } else {
      s.Write(name);
    }
    made.push_back(name);
  }
  const std::string pattern = s.F() + "*.*";
  const std::vector<std::string> order = ListAll(fs, s.F());
  ASSERT_EQ(order.size(), made.size());
  Win32FileSystem fresh;
  EXPECT_EQ(ListAll(fresh, s.F()), order);

  for (int round = 0; round < 3; ++round) {
    // A third goes away behind the walk's back while it is in a subfolder.
    std::vector<std::string> current = ListAll(fs, s.F());
    std::string into;
    for (const auto& name : current) {
      if (fs.Attributes(s.F() + name) & kAttrDirectory) into = name;
    }
    if (!into.empty()) ListAll(fs, s.F() + into + "\\");
    std::set<std::string> gone;
    for (const auto& name : current) {
      if (random() % 3 != 0 || name == into) continue;
      const std::wstring path = Extended(s.W(Utf8ToWide(name)));
      ASSERT_TRUE(DeleteFileW(path.c_str()) || RemoveDirectoryW(path.c_str())) << name;
      gone.insert(name);
    }
    std::vector<std::string> survivors;
    for (const auto& name : current) {
      if (!gone.contains(name)) survivors.push_back(name);
    }
    EXPECT_EQ(ListAll(fresh, s.F()), survivors);
    // From every name, vanished or not, the rest of the walk is exactly the
    // survivors that stood after it.
    for (std::size_t i = 0; i < current.size(); ++i) {
      std::vector<std::string> rest;
      for (std::string n = fs.ListResumeAfter(pattern, kListEverything, current[i]); !n.empty();
           n = fs.ListNext()) {
        rest.push_back(n);
      }
      std::vector<std::string> expected;
      for (std::size_t j = i + 1; j < current.size(); ++j) {
        if (!gone.contains(current[j])) expected.push_back(current[j]);
      }
      EXPECT_EQ(rest, expected) << "after " << current[i];
    }
  }
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

TEST_F(Win32FileSystemTest, LastWriteTimeKeepsEveryTickAndTheVolumesStep) {
  s.Write(L"f.txt");
  constexpr std::int64_t kJune2001 = 992608496;  // 2001-06-15 12:34:56 UTC
  s.SetTime(L"f.txt", FileTimeOf(kJune2001, 9999999));
  FileTime time = fs.LastWriteTime(s.P(L"f.txt"));
  EXPECT_EQ(time.ns, kJune2001 * kNsPerSecond + 999999900);
  // The volume kept an odd tick, so its step is the tick itself.
  EXPECT_EQ(time.resolution, 100);
  s.SetTime(L"f.txt", FileTimeOf(kJune2001 + 1, 1));
  EXPECT_EQ(fs.LastWriteTime(s.P(L"f.txt")).ns, (kJune2001 + 1) * kNsPerSecond + 100);
  // Before 1970, and at 1601 itself.
  s.SetTime(L"f.txt", FileTimeOf(-86400, 5));
  EXPECT_EQ(fs.LastWriteTime(s.P(L"f.txt")).ns, -86400 * kNsPerSecond + 500);
  s.SetTime(L"f.txt", FileTimeOf(-11644473600LL, 1));
  EXPECT_LT(fs.LastWriteTime(s.P(L"f.txt")).ns, -86400 * kNsPerSecond);
  // A link gives the time of the file it leads to, where the system lets
  // us make one (Wine 8 says it did, and made none).
  s.Write(L"target.txt");
  s.SetTime(L"target.txt", FileTimeOf(kJune2001 - 60, 42));
  s.SetTime(L"f.txt", FileTimeOf(kJune2001, 1));
  if (CreateSymbolicLinkW(Extended(s.W(L"link.txt")).c_str(), s.W(L"target.txt").c_str(),
                          SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
      s.Exists(L"link.txt")) {
    EXPECT_TRUE(fs.Attributes(s.P(L"link.txt")) & kAttrReparsePoint);
    time = fs.LastWriteTime(s.P(L"link.txt"));
    EXPECT_EQ(time.ns, (kJune2001 - 60) * kNsPerSecond + 4200);
    EXPECT_EQ(time.resolution, 100);
  }
  // A folder has a time too.
  s.Dir(L"sub");
  s.SetTime(L"sub", FileTimeOf(kJune2001, 7));
  EXPECT_EQ(fs.LastWriteTime(s.F(L"sub")).ns, kJune2001 * kNsPerSecond + 700);
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
  EXPECT_EQ(fs.LastWriteTime(s.P(L"saki\\f.txt")).ns, 1000000000 * kNsPerSecond + 123456700);

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
            FsErrorKind::FolderInTheWay);

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

TEST_F(Win32FileSystemTest, TrailingDotsAndSpacesAndLetterCaseAreTakenLiterally) {
  // With \\?\ a trailing dot or space is part of a real name, and "x." is
  // another entry than "x".
  fs.MakeFolder(s.P(L"moto"));
  fs.MakeFolder(s.P(L"saki"));
  const std::vector<std::string> names = {"x", "x.", "x ", "x. .", "末尾の点..", " 先頭の空白"};
  std::int64_t second = 1100000000;
  for (const auto& name : names) {
    fs.WriteFileAtomically(s.F(L"moto") + name, "content of [" + name + "]");
    s.SetTime(L"moto\\" + Utf8ToWide(name), FileTimeOf(++second, 3));
    fs.CopyFile(s.F(L"moto") + name, s.F(L"saki") + name);
    fs.MakeFolder(s.F(L"saki") + name + " dir.");
  }
  std::set<std::string> listed;
  for (const auto& name : ListAll(fs, s.F(L"saki"))) listed.insert(name);
  std::set<std::pair<std::uint64_t, std::uint64_t>> ids;
  second = 1100000000;
  for (const auto& name : names) {
    EXPECT_TRUE(listed.contains(name)) << "[" << name << "]";
    EXPECT_TRUE(listed.contains(name + " dir.")) << "[" << name << "]";
    EXPECT_EQ(s.Read(L"saki\\" + Utf8ToWide(name)), "content of [" + name + "]");
    EXPECT_EQ(fs.ReadFile(s.F(L"saki") + name), "content of [" + name + "]");
    EXPECT_EQ(fs.LastWriteTime(s.F(L"saki") + name).ns, ++second * kNsPerSecond + 300);
    EXPECT_FALSE(fs.Attributes(s.F(L"saki") + name) & kAttrDirectory);
    EXPECT_TRUE(fs.Attributes(s.F(L"saki") + name + " dir.") & kAttrDirectory);
    FileId id;
    ASSERT_TRUE(fs.Identify(s.F(L"saki") + name, id));
    EXPECT_TRUE(ids.insert({id.volume, id.file}).second) << "[" << name << "]";
  }
  EXPECT_EQ(listed.size(), 2 * names.size());

  // The system's folders know one entry by any case: a copy spelled
  // otherwise replaces it, and leaves one entry.
  s.Write(L"saki\\Report.TXT", "old");
  s.Write(L"moto\\report.txt", "new");
  fs.CopyFile(s.P(L"moto\\report.txt"), s.P(L"saki\\report.txt"));
  std::size_t reports = 0;
  for (const auto& name : ListAll(fs, s.F(L"saki"))) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    reports += lower == "report.txt";
  }
  EXPECT_EQ(reports, 1u);
  EXPECT_EQ(s.Read(L"saki\\report.txt"), "new");
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
  EXPECT_EQ(fs.LastWriteTime(folder + "copy.txt").ns, 1200000000 * kNsPerSecond);
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

TEST_F(Win32FileSystemTest, ReadOnlyCopyIsReplacedOnlyWhenItsSourceIsReadOnlyToo) {
  s.Dir(L"moto");
  s.Dir(L"saki");
  const FILETIME sourceTime = FileTimeOf(1300000000, 4321);
  s.Write(L"moto\\f.txt", "new");
  s.SetTime(L"moto\\f.txt", sourceTime);
  s.Write(L"saki\\f.txt", "old");
  s.SetAttributes(L"saki\\f.txt", FILE_ATTRIBUTE_READONLY);
  const auto copy = [&](const wchar_t* name) {
    fs.CopyFile(s.P(std::wstring(L"moto\\") + name), s.P(std::wstring(L"saki\\") + name));
  };

  // The mark was put on the copy alone: the user's, and respected.
  EXPECT_EQ(KindOf([&] { copy(L"f.txt"); }), FsErrorKind::ReadOnlyFile);
  EXPECT_EQ(s.Read(L"saki\\f.txt"), "old");
  EXPECT_TRUE(s.Attributes(L"saki\\f.txt") & FILE_ATTRIBUTE_READONLY);

  // The source has it too: the mark came from there, and the copy follows.
  s.SetAttributes(L"moto\\f.txt", FILE_ATTRIBUTE_READONLY);
  ASSERT_NO_THROW(copy(L"f.txt"));
  EXPECT_EQ(s.Read(L"saki\\f.txt"), "new");
  EXPECT_TRUE(s.Attributes(L"saki\\f.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(TicksOf(s.Time(L"saki\\f.txt")), TicksOf(sourceTime));
  // A read-only source over a writable copy: the copy takes the mark.
  s.Write(L"moto\\w.txt", "w");
  s.SetAttributes(L"moto\\w.txt", FILE_ATTRIBUTE_READONLY);
  s.Write(L"saki\\w.txt", "old w");
  ASSERT_NO_THROW(copy(L"w.txt"));
  EXPECT_EQ(s.Read(L"saki\\w.txt"), "w");
  EXPECT_TRUE(s.Attributes(L"saki\\w.txt") & FILE_ATTRIBUTE_READONLY);

  // A replace that fails leaves the old copy as it was, mark and all.
  s.Write(L"moto\\g.txt", "newer");
  s.SetAttributes(L"moto\\g.txt", FILE_ATTRIBUTE_READONLY);
  s.Write(L"saki\\g.txt", "older");
  s.SetAttributes(L"saki\\g.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  HANDLE held = CreateFileW(Extended(s.W(L"saki\\g.txt")).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_ANY_THROW(copy(L"g.txt"));
  CloseHandle(held);
  EXPECT_EQ(s.Read(L"saki\\g.txt"), "older");
  EXPECT_EQ(s.Attributes(L"saki\\g.txt") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

  auto names = s.Names(L"saki");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"f.txt", L"g.txt", L"w.txt"}));
}

TEST_F(Win32FileSystemTest, MakeFolderLikeTakesTheModelsHiddenAndSystemMarks) {
  s.Dir(L"plain");
  s.Dir(L"secret");
  s.SetAttributes(L"secret", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  s.Dir(L"shy");
  s.SetAttributes(L"shy", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  const DWORD marks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;

  fs.MakeFolderLike(s.P(L"plain copy"), s.P(L"plain"));
  EXPECT_EQ(s.Attributes(L"plain copy") & (marks | FILE_ATTRIBUTE_DIRECTORY),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  // The model as the walk meets it: just listed.
  for (std::string n = fs.ListStart(s.F() + "*.*", kListEverything); n != "secret";) {
    ASSERT_FALSE(n.empty());
    n = fs.ListNext();
  }
  fs.MakeFolderLike(s.P(L"secret copy"), s.P(L"secret"));
  EXPECT_EQ(s.Attributes(L"secret copy") & marks,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  fs.MakeFolderLike(s.P(L"shy copy"), s.P(L"shy"));
  EXPECT_EQ(s.Attributes(L"shy copy") & marks, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(fs.Attributes(s.P(L"secret copy")) & kAttrHidden);

  EXPECT_EQ(KindOf([&] { fs.MakeFolderLike(s.P(L"secret copy"), s.P(L"secret")); }),
            FsErrorKind::AlreadyExists);
  EXPECT_EQ(KindOf([&] { fs.MakeFolderLike(s.P(L"orphan"), s.P(L"missing")); }),
            FsErrorKind::NotFound);
  EXPECT_FALSE(s.Exists(L"orphan"));
  // A model gone since the walk listed it leaves no empty copy behind.
  for (std::string n = fs.ListStart(s.F() + "*.*", kListEverything); n != "plain";) {
    ASSERT_FALSE(n.empty());
    n = fs.ListNext();
  }
  ASSERT_TRUE(RemoveDirectoryW(Extended(s.W(L"plain")).c_str()));
  EXPECT_EQ(KindOf([&] { fs.MakeFolderLike(s.P(L"plain again"), s.P(L"plain")); }),
            FsErrorKind::NotFound);
  EXPECT_FALSE(s.Exists(L"plain again"));
}

TEST_F(Win32FileSystemTest, AFolderIsTheSameWhateverSpellingLeadsToIt) {
  const std::wstring longName = L"Long Folder \x5199\x771F Name";  // 写真
  s.Dir(longName);
  s.Dir(longName + L"\\inner");
  s.Dir(L"other");
  s.Write(L"file.txt");

  FileId id;
  ASSERT_TRUE(fs.Identify(s.F(longName), id));
  const std::string resolved = fs.ResolvedFolder(s.F(longName));
  ASSERT_GT(resolved.size(), 3u);
  EXPECT_FALSE(resolved.starts_with("\\\\?\\"));
  EXPECT_TRUE(resolved.ends_with("\\" + WideToUtf8(longName) + "\\")) << resolved;
  FileId again;
  EXPECT_TRUE(fs.Identify(resolved, again));
  EXPECT_EQ(again, id);

  std::wstring upper = s.W(longName);
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  std::string slashed = s.P(longName);
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  std::vector<std::string> spellings = {s.P(longName), WideToUtf8(upper) + "\\",
                                        "\\\\?\\" + s.F(longName), slashed + "/",
                                        s.F(longName + L"\\inner\\..")};
  std::wstring shortName(MAX_PATH * 4, L'\0');
  const DWORD length = GetShortPathNameW(Extended(s.W(longName)).c_str(), shortName.data(),
                                         static_cast<DWORD>(shortName.size()));
  if (length > 0 && length < shortName.size()) {
    shortName.resize(length);
    if (!shortName.ends_with(longName)) spellings.push_back(WideToUtf8(shortName) + "\\");
  }
  for (const auto& spelling : spellings) {
    FileId other;
    EXPECT_TRUE(fs.Identify(spelling, other)) << spelling;
    EXPECT_EQ(other, id) << spelling;
    EXPECT_EQ(fs.ResolvedFolder(spelling), resolved) << spelling;
  }

  // A name with a trailing dot is resolved to itself or not at all, never to
  // its neighbour without the dot (Wine's final path drops the dot).
  s.Dir(L"dots.");
  s.Dir(L"dots");
  FileId dotted;
  ASSERT_TRUE(fs.Identify(s.F(L"dots."), dotted));
  try {
    const std::string spelled = fs.ResolvedFolder(s.F(L"dots."));
    FileId reached;
    EXPECT_TRUE(fs.Identify(spelled, reached) && reached == dotted) << spelled;
  } catch (const FsError&) {
  }

  // Anything else is something else.
  FileId other;
  ASSERT_TRUE(fs.Identify(s.F(L"other"), other));
  EXPECT_NE(other, id);
  EXPECT_EQ(other.volume, id.volume);
  ASSERT_TRUE(fs.Identify(s.P(L"file.txt"), other));
  EXPECT_NE(other, id);
  EXPECT_FALSE(fs.Identify(s.F(L"missing"), other));
  EXPECT_FALSE(fs.Identify("", other));
  EXPECT_ANY_THROW(fs.ResolvedFolder(s.F(L"missing")));
  EXPECT_ANY_THROW(fs.ResolvedFolder(s.P(L"file.txt")));
}

TEST_F(Win32FileSystemTest, OnlyTheTopOfAVolumeIsItsRoot) {
  EXPECT_TRUE(fs.IsVolumeRoot("C:\\"));
  EXPECT_TRUE(fs.IsVolumeRoot("c:\\"));
  EXPECT_TRUE(fs.IsVolumeRoot("\\\\?\\C:\\"));
  EXPECT_FALSE(fs.IsVolumeRoot("C:\\windows\\"));
  EXPECT_FALSE(fs.IsVolumeRoot(s.F()));
  EXPECT_FALSE(fs.IsVolumeRoot(s.F(L"missing")));
  EXPECT_FALSE(fs.IsVolumeRoot(""));
  // Under Wine Z: is the Unix root, and a file system mounted below it (the
  // kernel's /proc) is the top of a volume of its own.
  if (GetFileAttributesW(L"Z:\\proc\\") != INVALID_FILE_ATTRIBUTES) {
    EXPECT_TRUE(fs.IsVolumeRoot("Z:\\"));
    EXPECT_TRUE(fs.IsVolumeRoot("Z:\\proc\\"));
    EXPECT_FALSE(fs.IsVolumeRoot("Z:\\proc\\self\\"));
  }
}

// A process of our own that runs, held before its first instruction.
PROCESS_INFORMATION StartHeld() {
  wchar_t exe[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 4);
  std::wstring command = L"\"" + std::wstring(exe, length) + L"\" --gtest_list_tests";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &startup, &process))
      << GetLastError();
  return process;
}

TEST_F(Win32FileSystemTest, TemporariesAreOursByNameAndDeadOnlyWithTheirWriter) {
  PROCESS_INFORMATION running = StartHeld();
  PROCESS_INFORMATION ended = StartHeld();
  ASSERT_NE(running.hProcess, nullptr);
  ASSERT_NE(ended.hProcess, nullptr);
  TerminateProcess(ended.hProcess, 1);
  WaitForSingleObject(ended.hProcess, 10000);
  const auto nameOf = [](DWORD pid, unsigned n) {
    return ".mirtel-" + std::to_string(pid) + "-" + std::to_string(n) + ".tmp";
  };
  const std::string ours = nameOf(GetCurrentProcessId(), 12);
  const std::string live = nameOf(running.dwProcessId, 3);
  const std::string dead = nameOf(ended.dwProcessId, 4294967295u);
  EXPECT_EQ(fs.ClassifyTemporary(ours), Temporary::Live);
  EXPECT_EQ(fs.ClassifyTemporary(live), Temporary::Live);
  EXPECT_EQ(fs.ClassifyTemporary(dead), Temporary::Dead);
  for (const char* name :
       {"report.tmp", "mirtel-12-3.tmp", ".mirtel-.tmp", ".mirtel-12.tmp", ".mirtel-12-.tmp",
        ".mirtel--3.tmp", ".mirtel-1x-3.tmp", ".mirtel-12-3.tmp.txt", ".mirtel-12-3.tm",
        ".MIRTEL-12-3.TMP", ".mirtel-99999999999-1.tmp", ".mirtel-write-12.tmp",
        ".mirtel-12-3-4.tmp", ".mirtel- 12-3.tmp"}) {
    EXPECT_EQ(fs.ClassifyTemporary(name), Temporary::NotOurs) << name;
  }

  // Only a dead one is deleted, read-only or not; the rest stay.
  s.Write(Utf8ToWide(dead), "half");
  s.SetAttributes(Utf8ToWide(dead), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  s.Write(Utf8ToWide(live), "being written");
  s.Write(Utf8ToWide(ours), "ours");
  s.Write(L"notes.txt", "the user's");
  EXPECT_NO_THROW(fs.RemoveLeftover(s.F() + dead));
  EXPECT_FALSE(s.Exists(Utf8ToWide(dead)));
  EXPECT_EQ(KindOf([&] { fs.RemoveLeftover(s.F() + dead); }), FsErrorKind::NotFound);
  for (const std::string& kept : {live, ours, std::string("notes.txt")}) {
    EXPECT_ANY_THROW(fs.RemoveLeftover(s.F() + kept)) << kept;
    EXPECT_TRUE(s.Exists(Utf8ToWide(kept))) << kept;
  }

  TerminateProcess(running.hProcess, 1);
  WaitForSingleObject(running.hProcess, 10000);
  EXPECT_EQ(fs.ClassifyTemporary(live), Temporary::Dead);
  for (PROCESS_INFORMATION* process : {&running, &ended}) {
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
  }
}

// The names the copy writes while it works are ones ClassifyTemporary knows
// for this live process's own, as a watch on the folder sees them.
TEST_F(Win32FileSystemTest, TheCopysTemporariesAreKnownForOurs) {
  s.Dir(L"moto");
  s.Dir(L"saki");
  s.Write(L"moto\\f.txt", "content");
  HANDLE folder =
      CreateFileW(Extended(s.W(L"saki")).c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(folder, INVALID_HANDLE_VALUE);
  alignas(DWORD) char changes[8192];
  OVERLAPPED watch{};
  watch.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(ReadDirectoryChangesW(folder, changes, sizeof changes, FALSE,
                                    FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &watch, nullptr));
  fs.CopyFile(s.P(L"moto\\f.txt"), s.P(L"saki\\f.txt"));
  DWORD size = 0;
  const bool seen = WaitForSingleObject(watch.hEvent, 5000) == WAIT_OBJECT_0 &&
                    GetOverlappedResult(folder, &watch, &size, FALSE);
  CancelIo(folder);
  CloseHandle(watch.hEvent);
  CloseHandle(folder);
  ASSERT_TRUE(seen);
  std::vector<std::string> added;
  for (std::size_t at = 0; size > 0 && at < size;) {
    const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(changes + at);
    if (change->Action == FILE_ACTION_ADDED || change->Action == FILE_ACTION_RENAMED_OLD_NAME) {
      added.push_back(
          WideToUtf8(std::wstring(change->FileName, change->FileNameLength / sizeof(wchar_t))));
    }
    if (change->NextEntryOffset == 0) break;
    at += change->NextEntryOffset;
  }
  ASSERT_FALSE(added.empty());
  EXPECT_EQ(fs.ClassifyTemporary(added.front()), Temporary::Live) << added.front();
  EXPECT_EQ(s.Names(L"saki"), (std::vector<std::wstring>{L"f.txt"}));
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
