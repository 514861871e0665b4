// The Windows file system beyond the contract (tests/contract): its order,
// system and read-only marks, exact times, locked files, names with
// trailing dots and spaces, paths beyond MAX_PATH, spellings of a folder,
// drive roots, and our temporaries by process.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/program_folder.h"
#include "platform/win32/win32_file_system.h"
#include "tests/win32/win32_test_support.h"

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
  ScratchFolder s;
  Win32FileSystem fs;
};

TEST_F(Win32FileSystemTest, SystemEntriesAreListedOnceAndLeftOutWithoutTheirBit) {
  s.Write("plain.txt");
  s.Write("system.sys");
  SetAttributes(s.N("system.sys"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  s.Write("only system.sys");
  SetAttributes(s.N("only system.sys"), FILE_ATTRIBUTE_SYSTEM);
  EXPECT_EQ(ListAll(fs, s.F()),
            (std::vector<std::string>{"only system.sys", "plain.txt", "system.sys"}));
  EXPECT_TRUE(fs.Attributes(s.P("system.sys")) & kAttrSystem);
  EXPECT_TRUE(fs.Attributes(s.P("only system.sys")) & kAttrSystem);
  EXPECT_EQ(ListAll(fs, s.F(), 0), std::vector<std::string>{"plain.txt"});
  EXPECT_EQ(ListAll(fs, s.F(), kAttrSystem),
            (std::vector<std::string>{"only system.sys", "plain.txt"}));
}

// The order is that of the names with their case set aside; names
// differing only in case stand side by side.
TEST_F(Win32FileSystemTest, ListingOrderSetsLetterCaseAside) {
  for (const char* name : {"b", "D", "a", "c"}) s.Dir(name);
  const std::string pattern = s.F() + "*.*";
  EXPECT_EQ(ListAll(fs, s.F()), (std::vector<std::string>{"a", "b", "c", "D"}));
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "bb"), "c");
  EXPECT_EQ(fs.ListNext(), "D");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "B"), "b");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "d"), "");
  EXPECT_EQ(fs.ListResumeAfter(pattern, kListEverything, "nosuch"), "");
}

// Names ending in a dot or a space are real names with \\?\: a resume
// after one that vanished misses no survivor either.
TEST_F(Win32FileSystemTest, ResumeAfterVanishedNamesWithTrailingDotsAndSpaces) {
  const std::vector<std::wstring> stems = {L"photo", L"Photo2", L"写真", L"ｶﾅ", L"éte", L"ZIP"};
  std::mt19937 random(20240601);
  std::set<std::wstring> upperNames;
  for (int i = 0; upperNames.size() < 40 && i < 1000; ++i) {
    std::wstring name = stems[random() % stems.size()] + std::to_wstring(random() % 20);
    if (random() % 2 == 0) name += (random() % 2 ? L"." : L" ");
    std::wstring upper = name;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    if (!upperNames.insert(upper).second) continue;
    if (random() % 2) {
      MakeFolderW(s.N("") / name);
    } else {
      WriteW(s.N("") / name);
    }
  }
  const std::string pattern = s.F() + "*.*";
  Win32FileSystem fresh;
  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> current = ListAll(fs, s.F());
    ASSERT_EQ(ListAll(fresh, s.F()), current);
    std::string into;
    for (const auto& name : current) {
      if (fs.Attributes(s.F() + name) & kAttrDirectory) into = name;
    }
    if (!into.empty()) ListAll(fs, s.F() + into + "\\");
    std::set<std::string> gone;
    for (const auto& name : current) {
      if (random() % 3 != 0 || name == into) continue;
      const std::wstring path = Extended(s.N("") / Utf8ToWide(name));
      ASSERT_TRUE(DeleteFileW(path.c_str()) || RemoveDirectoryW(path.c_str())) << name;
      gone.insert(name);
    }
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
      EXPECT_EQ(rest, expected) << "after [" << current[i] << "]";
    }
  }
}

TEST_F(Win32FileSystemTest, BadPathsAndMissingDrivesAreNoProofOfAbsence) {
  EXPECT_ANY_THROW(fs.Attributes(""));
  EXPECT_ANY_THROW(fs.Attributes(std::string("C:\\a\0b", 6)));
  EXPECT_ANY_THROW(fs.Attributes("C:\\\xff\xfe"));
  const std::string drive = MissingDrive();
  EXPECT_ANY_THROW(fs.Attributes(drive));
  EXPECT_NE(KindOf([&] { fs.Attributes(drive + "backup\\x.txt"); }), FsErrorKind::NotFound);
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::NotFound;
  EXPECT_FALSE(fs.TryAttributes(drive + "backup\\x.txt", attrs, why));
  EXPECT_NE(why, FsErrorKind::NotFound);
}

TEST_F(Win32FileSystemTest, PathsWithForwardSlashesAndRelativePartsAreResolved) {
  s.Write("sub/f.txt");
  std::string slashed = s.P("sub");
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_FALSE(fs.Attributes(slashed + "/f.txt") & kAttrDirectory);
  EXPECT_TRUE(fs.Attributes(s.P("sub") + "\\..\\sub") & kAttrDirectory);
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
  s.Write("f.txt");
  constexpr std::int64_t kJune2001 = 992608496;  // 2001-06-15 12:34:56 UTC
  SetTimeW(s.N("f.txt"), FileTimeOf(kJune2001, 9999999));
  FileTime time = fs.LastWriteTime(s.P("f.txt"));
  EXPECT_EQ(time.ns, kJune2001 * kNsPerSecond + 999999900);
  // The volume kept an odd tick, so its step is the tick itself.
  EXPECT_EQ(time.resolution, 100);
  SetTimeW(s.N("f.txt"), FileTimeOf(kJune2001 + 1, 1));
  EXPECT_EQ(fs.LastWriteTime(s.P("f.txt")).ns, (kJune2001 + 1) * kNsPerSecond + 100);
  // Before 1970, and at 1601 itself.
  SetTimeW(s.N("f.txt"), FileTimeOf(-86400, 5));
  EXPECT_EQ(fs.LastWriteTime(s.P("f.txt")).ns, -86400 * kNsPerSecond + 500);
  SetTimeW(s.N("f.txt"), FileTimeOf(-11644473600LL, 1));
  EXPECT_LT(fs.LastWriteTime(s.P("f.txt")).ns, -86400 * kNsPerSecond);
  // A link gives the time of the file it leads to, where the system lets
  // us make one (Wine 8 says it did, and made none).
  s.Write("target.txt");
  SetTimeW(s.N("target.txt"), FileTimeOf(kJune2001 - 60, 42));
  SetTimeW(s.N("f.txt"), FileTimeOf(kJune2001, 1));
  if (CreateSymbolicLinkW(Extended(s.N("link.txt")).c_str(), s.N("target.txt").c_str(),
                          SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
      ExistsW(s.N("link.txt"))) {
    EXPECT_TRUE(fs.Attributes(s.P("link.txt")) & kAttrReparsePoint);
    time = fs.LastWriteTime(s.P("link.txt"));
    EXPECT_EQ(time.ns, (kJune2001 - 60) * kNsPerSecond + 4200);
    EXPECT_EQ(time.resolution, 100);
  }
  // A folder's time, to the tick.
  s.Dir("sub");
  SetTimeW(s.N("sub"), FileTimeOf(kJune2001, 7));
  EXPECT_EQ(fs.LastWriteTime(s.F("sub")).ns, kJune2001 * kNsPerSecond + 700);
}

TEST_F(Win32FileSystemTest, ACopyKeepsEveryTickAndTheSystemMark) {
  s.Write("moto/f.txt", "new content");
  SetTimeW(s.N("moto/f.txt"), FileTimeOf(1000000000, 1234567));
  s.Write("moto/h.txt", "");
  SetAttributes(s.N("moto/h.txt"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  s.Dir("saki");
  fs.CopyFile(s.P("moto/f.txt"), s.P("saki/f.txt"));
  EXPECT_EQ(TicksOf(TimeW(s.N("saki/f.txt"))), TicksOf(FileTimeOf(1000000000, 1234567)));
  EXPECT_EQ(fs.LastWriteTime(s.P("saki/f.txt")).ns, 1000000000 * kNsPerSecond + 123456700);
  fs.CopyFile(s.P("moto/h.txt"), s.P("saki/h.txt"));
  EXPECT_TRUE(AttributesOf(s.N("saki/h.txt")) & FILE_ATTRIBUTE_SYSTEM);
}

// A source another program holds locked, or a locked copy in the way:
// the copy fails and the old one stays as it was, marks and all.
TEST_F(Win32FileSystemTest, LockedFilesFailTheCopyAndTheOldOneStays) {
  s.Write("moto/f.txt", "new");
  s.Write("saki/f.txt", "old");
  HANDLE locked = CreateFileW(Extended(s.N("moto/f.txt")).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_ANY_THROW(fs.CopyFile(s.P("moto/f.txt"), s.P("saki/f.txt")));
  CloseHandle(locked);
  EXPECT_EQ(s.Read("saki/f.txt"), "old");

  s.Write("moto/g.txt", "newer");
  SetAttributes(s.N("moto/g.txt"), FILE_ATTRIBUTE_READONLY);
  s.Write("saki/g.txt", "older");
  SetAttributes(s.N("saki/g.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  HANDLE held = CreateFileW(Extended(s.N("saki/g.txt")).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_ANY_THROW(fs.CopyFile(s.P("moto/g.txt"), s.P("saki/g.txt")));
  CloseHandle(held);
  EXPECT_EQ(s.Read("saki/g.txt"), "older");
  EXPECT_EQ(AttributesOf(s.N("saki/g.txt")) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(s.Names("saki"), (std::vector<std::string>{"f.txt", "g.txt"}));
}

TEST_F(Win32FileSystemTest, TrailingDotsAndSpacesAndLetterCaseAreTakenLiterally) {
  // With \\?\ a trailing dot or space is part of a real name, and "x." is
  // another entry than "x".
  fs.MakeFolder(s.P("moto"));
  fs.MakeFolder(s.P("saki"));
  const std::vector<std::string> names = {"x", "x.", "x ", "x. .", "末尾の点..", " 先頭の空白"};
  std::int64_t second = 1100000000;
  for (const auto& name : names) {
    fs.WriteFileAtomically(s.F("moto") + name, "content of [" + name + "]");
    SetTimeW(s.N("moto") / Utf8ToWide(name), FileTimeOf(++second, 3));
    fs.CopyFile(s.F("moto") + name, s.F("saki") + name);
    fs.MakeFolder(s.F("saki") + name + " dir.");
  }
  std::set<std::string> listed;
  for (const auto& name : ListAll(fs, s.F("saki"))) listed.insert(name);
  std::set<std::pair<std::uint64_t, std::uint64_t>> ids;
  second = 1100000000;
  for (const auto& name : names) {
    EXPECT_TRUE(listed.contains(name)) << "[" << name << "]";
    EXPECT_TRUE(listed.contains(name + " dir.")) << "[" << name << "]";
    EXPECT_EQ(ReadW(s.N("saki") / Utf8ToWide(name)), "content of [" + name + "]");
    EXPECT_EQ(fs.ReadFile(s.F("saki") + name), "content of [" + name + "]");
    EXPECT_EQ(fs.LastWriteTime(s.F("saki") + name).ns, ++second * kNsPerSecond + 300);
    EXPECT_FALSE(fs.Attributes(s.F("saki") + name) & kAttrDirectory);
    EXPECT_TRUE(fs.Attributes(s.F("saki") + name + " dir.") & kAttrDirectory);
    FileId id;
    ASSERT_TRUE(fs.Identify(s.F("saki") + name, id));
    EXPECT_TRUE(ids.insert({id.volume, id.file}).second) << "[" << name << "]";
  }
  EXPECT_EQ(listed.size(), 2 * names.size());

  // The system's folders know one entry by any case: a copy spelled
  // otherwise replaces it, and leaves one entry.
  s.Write("saki/Report.TXT", "old");
  s.Write("moto/report.txt", "new");
  fs.CopyFile(s.P("moto/report.txt"), s.P("saki/report.txt"));
  std::size_t reports = 0;
  for (const auto& name : ListAll(fs, s.F("saki"))) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    reports += lower == "report.txt";
  }
  EXPECT_EQ(reports, 1u);
  EXPECT_EQ(s.Read("saki/report.txt"), "new");
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
  SetTimeW(s.N("") / Utf8ToWide(folder.substr(s.F().size()) + "source.txt"),
           FileTimeOf(1200000000));
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

// Hidden and system come from the model, read-only does not (a folder's
// read-only mark means something else to Explorer); asked of the system,
// not of the listing that has just returned the model.
TEST_F(Win32FileSystemTest, MakeFolderLikeTakesTheModelsHiddenAndSystemMarksOnly) {
  s.Dir("plain");
  s.Dir("secret");
  SetAttributes(s.N("secret"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  s.Dir("shy");
  SetAttributes(s.N("shy"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  const DWORD marks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;

  fs.MakeFolderLike(s.P("plain copy"), s.P("plain"));
  EXPECT_EQ(AttributesOf(s.N("plain copy")) & (marks | FILE_ATTRIBUTE_DIRECTORY),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  for (std::string n = fs.ListStart(s.F() + "*.*", kListEverything); n != "secret";) {
    ASSERT_FALSE(n.empty());
    n = fs.ListNext();
  }
  fs.MakeFolderLike(s.P("secret copy"), s.P("secret"));
  EXPECT_EQ(AttributesOf(s.N("secret copy")) & marks,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  fs.MakeFolderLike(s.P("shy copy"), s.P("shy"));
  EXPECT_EQ(AttributesOf(s.N("shy copy")) & marks, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(Win32FileSystemTest, AFolderIsTheSameWhateverSpellingLeadsToIt) {
  const std::string longName = "Long Folder 写真 Name";
  s.Dir(longName + "/inner");
  FileId id;
  ASSERT_TRUE(fs.Identify(s.F(longName), id));
  const std::string resolved = fs.ResolvedFolder(s.F(longName));
  ASSERT_GT(resolved.size(), 3u);
  EXPECT_FALSE(resolved.starts_with("\\\\?\\"));
  EXPECT_TRUE(resolved.ends_with("\\" + longName + "\\")) << resolved;

  std::wstring upper = s.N(longName).wstring();
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  std::string slashed = s.P(longName);
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  std::vector<std::string> spellings = {WideToUtf8(upper) + "\\", "\\\\?\\" + s.F(longName),
                                        slashed + "/"};
  std::wstring shortName(MAX_PATH * 4, L'\0');
  const DWORD length = GetShortPathNameW(Extended(s.N(longName)).c_str(), shortName.data(),
                                         static_cast<DWORD>(shortName.size()));
  if (length > 0 && length < shortName.size()) {
    shortName.resize(length);
    if (!shortName.ends_with(Utf8ToWide(longName))) {
      spellings.push_back(WideToUtf8(shortName) + "\\");
    }
  }
  for (const auto& spelling : spellings) {
    FileId other;
    EXPECT_TRUE(fs.Identify(spelling, other)) << spelling;
    EXPECT_EQ(other, id) << spelling;
    EXPECT_EQ(fs.ResolvedFolder(spelling), resolved) << spelling;
  }

  // A name with a trailing dot is resolved to itself or not at all, never to
  // its neighbour without the dot (Wine's final path drops the dot).
  MakeFolderW(s.N("dots."));
  s.Dir("dots");
  FileId dotted;
  ASSERT_TRUE(fs.Identify(s.F("dots."), dotted));
  try {
    const std::string spelled = fs.ResolvedFolder(s.F("dots."));
    FileId reached;
    EXPECT_TRUE(fs.Identify(spelled, reached) && reached == dotted) << spelled;
  } catch (const FsError&) {
  }
}

TEST_F(Win32FileSystemTest, OnlyTheTopOfAVolumeIsItsRoot) {
  EXPECT_TRUE(fs.IsVolumeRoot("C:\\"));
  EXPECT_TRUE(fs.IsVolumeRoot("c:\\"));
  EXPECT_TRUE(fs.IsVolumeRoot("\\\\?\\C:\\"));
  EXPECT_FALSE(fs.IsVolumeRoot("C:\\windows\\"));
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
  // Wine now and then fails a start with ERROR_INTERNAL_ERROR while its
  // server is busy; what is tested here is the process, not its start.
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                       nullptr, &startup, &process)) {
      return process;
    }
    error = GetLastError();
    Sleep(200);
  }
  ADD_FAILURE() << "no process could be started: " << error;
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
  // A dead name without our mark is the user's file; with it (where the
  // volume keeps named streams) it is deleted, read-only or not; the living
  // stay.
  s.Write(dead, "half");
  s.Write(live, "being written");
  s.Write(ours, "ours");
  EXPECT_EQ(fs.ClassifyEntry(s.F(), dead), Temporary::NotOurs);
  EXPECT_EQ(KindOf([&] { fs.RemoveLeftover(s.F() + dead); }), FsErrorKind::NotALeftover);
  EXPECT_TRUE(s.Exists(dead));
  DWORD volumeFlags = 0;
  {
    HANDLE folder = CreateFileW(Extended(s.N("")).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, &volumeFlags, nullptr, 0);
    CloseHandle(folder);
  }
  if (volumeFlags & FILE_NAMED_STREAMS) {
    s.Write(dead + ":mirtel.tmp", "");
    SetAttributes(s.N(dead), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(fs.ClassifyEntry(s.F(), dead), Temporary::Dead);
    EXPECT_NO_THROW(fs.RemoveLeftover(s.F() + dead));
    EXPECT_FALSE(s.Exists(dead));
    EXPECT_EQ(KindOf([&] { fs.RemoveLeftover(s.F() + dead); }), FsErrorKind::NotFound);
  }
  for (const std::string& kept : {live, ours}) {
    EXPECT_EQ(KindOf([&] { fs.RemoveLeftover(s.F() + kept); }), FsErrorKind::NotALeftover) << kept;
    EXPECT_TRUE(s.Exists(kept)) << kept;
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
  s.Dir("moto");
  s.Dir("saki");
  s.Write("moto/f.txt", "content");
  HANDLE folder =
      CreateFileW(Extended(s.N("saki")).c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(folder, INVALID_HANDLE_VALUE);
  alignas(DWORD) char changes[8192];
  OVERLAPPED watch{};
  watch.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(ReadDirectoryChangesW(folder, changes, sizeof changes, FALSE,
                                    FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &watch, nullptr));
  fs.CopyFile(s.P("moto/f.txt"), s.P("saki/f.txt"));
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
  EXPECT_EQ(s.Names("saki"), std::vector<std::string>{"f.txt"});
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
