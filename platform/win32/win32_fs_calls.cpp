#include "platform/win32/win32_fs_calls.h"

#include <algorithm>
#include <string_view>

#include "platform/win32/win32_path.h"

namespace mirtel {

std::wstring Upper(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::wstring WithSeparator(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::wstring NameOf(const std::wstring& extended) {
  std::wstring_view path = extended;
  while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  std::size_t cut = path.rfind(L'\\');
  return std::wstring(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

bool FindEntry(const std::wstring& extended, WIN32_FIND_DATAW& found) {
  HANDLE search = FindFirstFileExW(extended.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool VolumeGone(DWORD code, const std::wstring& extended) {
  if (KindOfError(code) != FsErrorKind::NotFound) return false;
  std::wstring root = VolumeRootOf(extended);
  return !root.empty() && WithSeparator(extended) != root &&
         GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES;
}

[[noreturn]] void ThrowQueryError(DWORD code, const std::string& path,
                                  const std::wstring& extended) {
  if (VolumeGone(code, extended)) {
    throw FsError(FsErrorKind::VolumeUnreachable, path, SystemMessage(code));
  }
  ThrowWin32Error(code, path);
}

HANDLE OpenForQuery(const std::wstring& extended) {
  // Backup semantics open folders too; attributes alone are never refused
  // for sharing, even by a file the system keeps open (pagefile.sys).
  return CreateFileW(extended.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The folder a volume is mounted at (\\?\C:\, a mount folder, a share),
// ending in '\'; "" when the system cannot tell.
std::wstring VolumePathOf(const std::wstring& extended) {
  std::wstring volume(std::max<std::size_t>(extended.size() + 2, MAX_PATH + 1), L'\0');
  if (!GetVolumePathNameW(extended.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
    return {};
  }
  volume.resize(volume.find(L'\0'));
  return volume.empty() ? volume : WithSeparator(std::move(volume));
}

namespace {
constexpr wchar_t kMarkStream[] = L":mirtel.tmp";
}  // namespace

void MarkTemporary(const std::wstring& extended) {
  Handle mark(CreateFileW((extended + kMarkStream).c_str(), GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool CarriesMark(const std::wstring& extended) {
  return GetFileAttributesW((extended + kMarkStream).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void UnmarkTemporary(const std::wstring& extended) {
  DeleteFileW((extended + kMarkStream).c_str());
}

void RemoveTemporary(const std::wstring& extended) {
  SetFileAttributesW(extended.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(extended.c_str());
}

// The attribute bits SetFileAttributesW takes.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                            FILE_ATTRIBUTE_TEMPORARY;

bool SetAttributes(const std::wstring& extended, DWORD attributes) {
  attributes &= kSettable;
  return SetFileAttributesW(extended.c_str(),
                            attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != 0;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileId{info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace mirtel
