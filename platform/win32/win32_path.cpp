#include "platform/win32/win32_path.h"

#include <string_view>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

namespace mirtel {
namespace {

constexpr std::wstring_view kExtended = L"\\\\?\\";
constexpr std::wstring_view kExtendedUnc = L"\\\\?\\UNC\\";

bool IsDriveLetterPath(std::wstring_view path) {
  return path.size() >= 3 &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && path[2] == L'\\';
}

bool IsUncPath(std::wstring_view path) {
  return path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' &&
         path[2] != L'.';
}

// Every component after `start` is a real name: none empty (the last may be,
// after the closing separator), none "." or "..", no forward slash.
bool ComponentsAreLiteral(std::wstring_view path, std::size_t start) {
  std::size_t begin = start;
  while (begin <= path.size()) {
    std::size_t end = path.find(L'\\', begin);
    if (end == std::wstring_view::npos) end = path.size();
    std::wstring_view name = path.substr(begin, end - begin);
    if (name.empty() && end != path.size()) return false;
    if (name == L"." || name == L"..") return false;
    if (name.find(L'/') != std::wstring_view::npos) return false;
    begin = end + 1;
  }
  return true;
}

std::wstring Prefixed(std::wstring full) {
  if (full.starts_with(kExtended) || full.starts_with(L"\\\\.\\")) return full;
  if (IsUncPath(full)) return std::wstring(kExtendedUnc) + full.substr(2);
  if (IsDriveLetterPath(full)) return std::wstring(kExtended) + full;
  return full;
}

}  // namespace

std::wstring ExtendedPath(const std::string& path) {
  if (path.empty()) throw FsError(FsErrorKind::EmptyPath, path);
  std::wstring wide = Utf8ToWide(path);
  // A NUL would silently cut the path short at the system call.
  if (wide.find(L'\0') != std::wstring::npos) {
    throw FsError(FsErrorKind::NulInPath, path);
  }
  if (wide.starts_with(kExtended)) return wide;
  if ((IsDriveLetterPath(wide) && ComponentsAreLiteral(wide, 3)) ||
      (IsUncPath(wide) && ComponentsAreLiteral(wide, 2) &&
       wide.find(L'\\', 2) != std::wstring::npos)) {
    return Prefixed(std::move(wide));
  }
  DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) ThrowWin32Error(GetLastError(), path);
  std::wstring full(need, L'\0');
  DWORD got = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need)
    ThrowWin32Error(got == 0 ? GetLastError() : ERROR_BAD_PATHNAME, path);
  full.resize(got);
  return Prefixed(std::move(full));
}

std::wstring PlainPath(const std::wstring& extended) {
  if (extended.starts_with(kExtendedUnc)) return L"\\\\" + extended.substr(kExtendedUnc.size());
  if (extended.starts_with(kExtended)) return extended.substr(kExtended.size());
  return extended;
}

std::wstring VolumeRootOf(const std::wstring& extended) {
  if (extended.starts_with(kExtendedUnc)) {
    std::size_t server = extended.find(L'\\', kExtendedUnc.size());
    if (server == std::wstring::npos) return {};
    std::size_t share = extended.find(L'\\', server + 1);
    if (share == std::wstring::npos) return extended + L'\\';
    return extended.substr(0, share + 1);
  }
  if (extended.starts_with(kExtended) && IsDriveLetterPath(std::wstring_view(extended).substr(4))) {
    return extended.substr(0, kExtended.size() + 3);
  }
  return {};
}

std::wstring ParentOf(const std::wstring& extended) {
  std::wstring_view path = extended;
  while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  std::size_t cut = path.rfind(L'\\');
  if (cut == std::wstring_view::npos) return {};
  std::wstring parent(path.substr(0, cut + 1));
  std::wstring root = VolumeRootOf(extended);
  if (!root.empty() && parent.size() < root.size()) return {};
  return parent;
}

FsErrorKind KindOfError(unsigned long code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return FsErrorKind::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FsErrorKind::AccessDenied;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return FsErrorKind::AlreadyExists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FsErrorKind::DiskFull;
    case ERROR_WRITE_PROTECT:
      return FsErrorKind::ReadOnlyVolume;
    case ERROR_FILENAME_EXCED_RANGE:
      return FsErrorKind::NameTooLong;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return FsErrorKind::InvalidName;
    default:
      return FsErrorKind::Other;
  }
}

std::string SystemMessage(unsigned long code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : L"";
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  std::string message = WideToUtf8(text);
  if (!message.empty()) message += ' ';
  return message + "(" + std::to_string(code) + ")";
}

void ThrowWin32Error(unsigned long code, const std::string& path) {
  throw FsError(KindOfError(code), path, SystemMessage(code));
}

}  // namespace mirtel
