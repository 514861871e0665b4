// The real mirtel.exe as a process: its window opens at the designed size,
// and a second start ends at once, silently, while the first runs on.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace mirtel {
namespace {

namespace fs = std::filesystem;

// The build's mirtel.exe; a path of the build machine is a path of Wine's
// drive Z:.
fs::path MirtelExe() {
  std::string path = MIRTEL_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return fs::path(path).make_preferred();
}

struct Found {
  DWORD process;
  std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM found) {
  auto* f = reinterpret_cast<Found*>(found);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == f->process && IsWindowVisible(window)) f->windows.push_back(window);
  return TRUE;
}

// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD process) {
  Found found{process, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

class Process {
 public:
  // On this process's desktop.
  explicit Process(const fs::path& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + exe.wstring() + L"\"";
    started_ = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              exe.parent_path().c_str(), &startup, &info_) != FALSE;
  }
  ~Process() {
    if (!started_) return;
    // Our own child: its window would ask before closing.
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 1);
      WaitForSingleObject(info_.hProcess, 10000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  bool WaitEnded(DWORD ms) const {
    return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

TEST(MirtelExeTest, SecondStartEndsAtOnceWhileTheFirstRuns) {
  std::random_device seed;
  const fs::path prog =
      fs::current_path() / ("mirtel-exe-" + std::to_string(seed()) + std::to_string(seed()));
  fs::create_directories(prog);
  ASSERT_TRUE(fs::exists(MirtelExe())) << MirtelExe();
  // A copy of its own: mirtel.dat is made beside it.
  fs::copy_file(MirtelExe(), prog / "mirtel.exe");
  {
    Process first(prog / "mirtel.exe");
    ASSERT_TRUE(first.started());
    std::vector<HWND> windows;
    for (int i = 0; i < 300 && windows.empty() && first.Running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      windows = WindowsOf(first.id());
    }
    ASSERT_EQ(windows.size(), 1u) << "the first start shows its window";
    HWND window = windows[0];
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 462);
    EXPECT_EQ(client.bottom, 213);
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    EXPECT_EQ(std::wstring(caption), L"簡単フォルダコピーソフト：みるてる");
    EXPECT_TRUE(fs::exists(prog / "mirtel.dat"));

    Process second(prog / "mirtel.exe");
    ASSERT_TRUE(second.started());
    bool shown = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!second.WaitEnded(20) && std::chrono::steady_clock::now() < deadline) {
      shown = shown || !WindowsOf(second.id()).empty();
    }
    EXPECT_FALSE(second.Running()) << "the second start ends by itself";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(shown) << "and shows nothing";

    EXPECT_TRUE(first.Running());
    EXPECT_EQ(WindowsOf(first.id()), std::vector<HWND>{window}) << "the first stays as it was";
  }
  std::error_code ignored;
  fs::remove_all(prog, ignored);
}

}  // namespace
}  // namespace mirtel
