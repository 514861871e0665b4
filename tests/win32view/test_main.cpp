// The tests' main. Under Wine the tests run without a display
// (cmake/wine_run.sh), where no window can be made on the default desktop.
// A desktop of the tests' own, on Wine's null display driver, takes them,
// with no picture anywhere. A process takes its display driver from its
// desktop once, as it starts (comctl32 does at load), so the tests run in a
// second process of this program that starts on that desktop; the programs
// they start inherit it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kOnTestDesktop = L"MIRTEL_TESTS_ON_THEIR_DESKTOP";

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool Has(const wchar_t* variable) {
  wchar_t value[8] = {};
  return GetEnvironmentVariableW(variable, value, 8) > 0;
}

std::wstring StationName() {
  DWORD needed = 0;
  GetUserObjectInformationW(GetProcessWindowStation(), UOI_NAME, nullptr, 0, &needed);
  std::vector<wchar_t> name(needed / sizeof(wchar_t) + 1, L'\0');
  GetUserObjectInformationW(GetProcessWindowStation(), UOI_NAME, name.data(), needed, &needed);
  return name.data();
}

// The desktop takes Wine's driver setting as it starts, and it starts in
// a process of its own that may be slow to read it on a busy machine: the
// setting stays "null" until the tests' process has made a window there (or
// ended), and one test process at a time changes it.
class NullDriverTurn {
 public:
  NullDriverTurn() : turn_(CreateMutexW(nullptr, FALSE, L"Local\\mirtel-tests-desktop-driver")) {
    WaitForSingleObject(turn_, INFINITE);
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Drivers", 0, nullptr, 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &drivers_, nullptr);
    DWORD size = sizeof old_ - sizeof(wchar_t);
    hadOld_ = RegQueryValueExW(drivers_, L"Graphics", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(old_), &size) == ERROR_SUCCESS;
    const wchar_t null[] = L"null";
    RegSetValueExW(drivers_, L"Graphics", 0, REG_SZ, reinterpret_cast<const BYTE*>(null),
                   sizeof null);
  }
  ~NullDriverTurn() {
    if (hadOld_) {
      RegSetValueExW(drivers_, L"Graphics", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_),
                     static_cast<DWORD>((wcslen(old_) + 1) * sizeof(wchar_t)));
    } else {
      RegDeleteValueW(drivers_, L"Graphics");
    }
    RegCloseKey(drivers_);
    ReleaseMutex(turn_);
    CloseHandle(turn_);
  }
  NullDriverTurn(const NullDriverTurn&) = delete;
  NullDriverTurn& operator=(const NullDriverTurn&) = delete;

 private:
  HANDLE turn_;
  HKEY drivers_ = nullptr;
  wchar_t old_[64] = {};
  bool hadOld_ = false;
};

std::wstring MakeTestDesktop() {
  const std::wstring name = L"mirtel-tests-" + std::to_wstring(GetCurrentProcessId());
  HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  HDESK home = GetThreadDesktop(GetCurrentThreadId());
  if (desktop != nullptr && SetThreadDesktop(desktop) != FALSE) {
    // Fails in this process (its driver is fixed), but starts the desktop.
    HWND first = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (first != nullptr) DestroyWindow(first);
    SetThreadDesktop(home);
  }
  return desktop != nullptr ? StationName() + L"\\" + name : L"";
}

// Set by the tests' process once a window of its own stands on its desktop.
std::wstring ReadyEventName(DWORD parent) {
  return L"Local\\mirtel-tests-desktop-ready-" + std::to_wstring(parent);
}

// Wine draws and measures Japanese only where the Windows faces map to an
// installed CJK font: the tests' prefix gets the map the program's users
// have (a process reads it as it starts, so before the tests' own).
void MapJapaneseFaces() {
  HKEY faces = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements", 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &faces, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const wchar_t cjk[] = L"Noto Sans CJK JP";
  for (const wchar_t* face : {L"ＭＳ Ｐゴシック", L"MS Shell Dlg", L"MS Shell Dlg 2", L"Tahoma"}) {
    if (RegQueryValueExW(faces, face, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      RegSetValueExW(faces, face, 0, REG_SZ, reinterpret_cast<const BYTE*>(cjk), sizeof cjk);
    }
  }
  RegCloseKey(faces);
}

// This program again, with the same arguments, on a desktop of its own.
int RunOnTestDesktop() {
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, ReadyEventName(GetCurrentProcessId()).c_str());
  auto turn = std::make_unique<NullDriverTurn>();
  const std::wstring desktop = MakeTestDesktop();
  if (desktop.empty()) return 1;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = GetCommandLineW();
  std::wstring where = desktop;
  // The value names this process, whose event the tests' process sets.
  SetEnvironmentVariableW(kOnTestDesktop, std::to_wstring(GetCurrentProcessId()).c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = where.data();
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION run{};
  if (CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &run) == FALSE) {
    fprintf(stderr, "the tests could not start on their desktop\n");
    return 1;
  }
  const HANDLE either[] = {ready, run.hProcess};
  WaitForMultipleObjects(2, either, FALSE, 120000);
  turn.reset();
  CloseHandle(ready);
  WaitForSingleObject(run.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(run.hProcess, &code);
  CloseHandle(run.hThread);
  CloseHandle(run.hProcess);
  return static_cast<int>(code);
}

// On the tests' desktop: a first window made and gone tells the parent the
// desktop has its driver.
void TellDesktopReady() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (probe != nullptr) {
    DestroyWindow(probe);
  } else {
    fprintf(stderr, "no window can be made on the tests' desktop (error %lu)\n", GetLastError());
  }
  wchar_t parent[16] = {};
  GetEnvironmentVariableW(kOnTestDesktop, parent, 16);
  HANDLE ready =
      OpenEventW(EVENT_MODIFY_STATE, FALSE,
                 ReadyEventName(static_cast<DWORD>(wcstoul(parent, nullptr, 10))).c_str());
  if (ready != nullptr) {
    SetEvent(ready);
    CloseHandle(ready);
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing = listing || std::string(argv[i]) == "--gtest_list_tests";
  if (UnderWine() && !Has(L"DISPLAY") && !Has(kOnTestDesktop) && !listing) {
    MapJapaneseFaces();
    return RunOnTestDesktop();
  }
  if (Has(kOnTestDesktop)) TellDesktopReady();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
