// The test's own file access on Windows: the wide Win32 calls on extended
// paths (\\?\), so that paths beyond MAX_PATH work as well as short ones.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

#include "tests/realtrees/tree_io.h"

namespace mirtel::realtrees {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                      nullptr, nullptr);
  return text;
}

// The path as the wide calls take it beyond MAX_PATH.
std::wstring Long(const std::string& path) {
  std::wstring wide = Wide(path);
  while (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

[[noreturn]] void Fail(const char* what, const std::string& path) {
  const DWORD error = GetLastError();
  throw std::runtime_error(std::string(what) + " failed (Windows error " + std::to_string(error) +
                           "): " + path);
}

bool Missing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME;
}

constexpr std::int64_t kEpochTicks = 116444736000000000LL;  // 1601 to 1970 in 100 ns

std::int64_t NsOf(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kEpochTicks) * 100;
}

FILETIME FileTimeOf(std::int64_t ns) {
  const auto ticks = static_cast<std::uint64_t>(ns / 100 + kEpochTicks);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Stat StatOfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  Stat s;
  if (!GetFileInformationByHandle(h, &info)) return s;
  s.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
  s.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  s.mtimeNs = NsOf(info.ftLastWriteTime);
  s.allocated = s.size;
  return s;
}

}  // namespace

const Platform& SystemPlatform() {
  static const Platform platform = [] {
    Platform p;
    p.sep = '\\';
    p.windowsNames = true;
    p.deepPathBytes = 600;
    // Wine's Recycle Bin keeps "<name>.trashinfo" beside each item on the
    // host and quietly leaves any name beyond 245 bytes where it is.
    p.longNameBytes = 245;
    p.timeStep = 100;
    // Wine's Recycle Bin refuses items beyond MAX_PATH (the program keeps
    // them and says so): the changes between backups stay shallower.
    p.removableBytes = 150;
    p.destTimeStep = p.timeStep;
    return p;
  }();
  return platform;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

Stat LookAt(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  Stat s;
  if (!GetFileAttributesExW(Long(path).c_str(), GetFileExInfoStandard, &data)) {
    if (Missing(GetLastError())) return s;
    Fail("look at", path);
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    s.kind = Kind::Link;
  } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    s.kind = Kind::Folder;
  } else {
    s.kind = Kind::File;
    s.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    s.allocated = s.size;
  }
  s.mtimeNs = NsOf(data.ftLastWriteTime);
  return s;
}

Stat LookThrough(const std::string& path) {
  const Handle h(CreateFileW(Long(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) return {};
  return StatOfHandle(h.get());
}

std::string LinkTarget(const std::string& path) {
  // Links are not made on this system (Wine keeps none); a name for messages.
  return "(link " + path + ")";
}

std::vector<std::string> Names(const std::string& folder) {
  WIN32_FIND_DATAW found;
  const std::wstring pattern = Long(folder) + L"\\*";
  HANDLE find =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) Fail("list", folder);
  std::vector<std::string> names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(Narrow(name));
  } while (FindNextFileW(find, &found));
  const DWORD error = GetLastError();
  FindClose(find);
  if (error != ERROR_NO_MORE_FILES) {
    SetLastError(error);
    Fail("list", folder);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::uint64_t HashOf(const std::string& path) {
  const Handle h(CreateFileW(Long(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h.ok()) Fail("open", path);
  constexpr DWORD kChunk = 1 << 20;
  const auto buffer = std::make_unique<unsigned char[]>(kChunk);
  ContentHash hash;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(h.get(), buffer.get(), kChunk, &read, nullptr)) Fail("read", path);
    if (read == 0) break;
    hash.Add(buffer.get(), read);
  }
  return hash.Value();
}

void MakeFolder(const std::string& path, std::uint32_t /*mode*/) {
  if (!CreateDirectoryW(Long(path).c_str(), nullptr)) Fail("make folder", path);
}

void WriteFile(const std::string& path, const std::string& bytes, std::uint32_t /*mode*/) {
  SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  const Handle h(CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) Fail("create", path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!::WriteFile(h.get(), bytes.data() + done, want, &written, nullptr) || written == 0) {
      Fail("write", path);
    }
    done += written;
  }
}

void WriteSparse(const std::string& path, std::uint64_t,
                 const std::vector<std::pair<std::uint64_t, std::string>>&, std::uint32_t) {
  throw std::runtime_error("no sparse files made on this system: " + path);
}

void SetTime(const std::string& path, std::int64_t ns) {
  const Handle h(CreateFileW(Long(path).c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                             OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.ok()) Fail("open for times", path);
  const FILETIME time = FileTimeOf(ns);
  if (!SetFileTime(h.get(), nullptr, &time, &time)) Fail("set time", path);
}

void SetMode(const std::string& /*path*/, std::uint32_t /*mode*/) {}

void MakeLink(const std::string& path, const std::string& target, bool toFolder) {
  std::wstring to = Wide(target);
  const DWORD flags = (toFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | 0x2;  // unprivileged
  if (!CreateSymbolicLinkW(Long(path).c_str(), to.c_str(), flags)) Fail("make link", path);
}

void MakeFifo(const std::string& path) {
  throw std::runtime_error("no FIFOs on this system: " + path);
}

void Rename(const std::string& from, const std::string& to) {
  if (!MoveFileExW(Long(from).c_str(), Long(to).c_str(), 0)) Fail("rename", from + " -> " + to);
}

void RemoveTree(const std::string& path) {
  const std::wstring wide = Long(path);
  const DWORD attrs = GetFileAttributesW(wide.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    if (Missing(GetLastError())) return;
    Fail("look at", path);
  }
  if (attrs & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(wide.c_str(), attrs & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
    if (!(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
      for (const std::string& name : Names(path)) RemoveTree(Join(path, name));
    }
    if (!RemoveDirectoryW(wide.c_str())) Fail("remove folder", path);
  } else if (!DeleteFileW(wide.c_str())) {
    Fail("remove", path);
  }
}

std::string MakeScratch(const std::string& label) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0) Fail("find the temporary folder", label);
  std::random_device random;
  for (int tries = 0; tries < 100; ++tries) {
    const std::wstring path = std::wstring(temp, length) + L"mirtel-realtrees-" + Wide(label) +
                              L"-" + std::to_wstring(random() % 1000000);
    if (CreateDirectoryW(path.c_str(), nullptr)) return Narrow(path);
    if (GetLastError() != ERROR_ALREADY_EXISTS) Fail("make scratch folder", Narrow(path));
  }
  throw std::runtime_error("no free scratch folder name");
}

void ChangeDir(const std::string& path) {
  if (!SetCurrentDirectoryW(Wide(path).c_str())) Fail("change folder", path);
}

std::string CurrentDir() {
  wchar_t buffer[32768];
  const DWORD n = GetCurrentDirectoryW(32768, buffer);
  if (n == 0) Fail("current folder", "");
  return Narrow(std::wstring(buffer, n));
}

void SetEnv(const std::string& name, const std::string& value) {
  if (_wputenv_s(Wide(name).c_str(), Wide(value).c_str()) != 0) {
    throw std::runtime_error("set environment variable " + name);
  }
}

std::uint32_t SetUmask(std::uint32_t /*mask*/) { return 0; }

}  // namespace mirtel::realtrees
