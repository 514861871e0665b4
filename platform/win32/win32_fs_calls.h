// The small Win32 calls the parts of Win32FileSystem share: handles,
// upper-casing, names of extended paths, queries that answer for open files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/file_system.h"
#include "platform/win32/win32_api.h"

namespace mirtel {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  bool Close() {
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

std::wstring Upper(std::wstring text);
std::wstring WithSeparator(std::wstring folder);
std::wstring NameOf(const std::wstring& extended);

// The entry as its folder lists it: answers for files the system keeps open
// without sharing (pagefile.sys), which refuse a query by name.
bool FindEntry(const std::wstring& extended, WIN32_FIND_DATAW& found);

// "Not found" only counts when the volume itself still answers: a drive or
// share that dropped away must not make its entries look deleted.
bool VolumeGone(DWORD code, const std::wstring& extended);

[[noreturn]] void ThrowQueryError(DWORD code, const std::string& path,
                                  const std::wstring& extended);

HANDLE OpenForQuery(const std::wstring& extended);

// The folder a volume is mounted at (\\?\C:\, a mount folder, a share),
// ending in '\'; "" when the system cannot tell.
std::wstring VolumePathOf(const std::wstring& extended);

void RemoveTemporary(const std::wstring& extended);

// The mark our temporaries carry while they are written: a named stream,
// where the volume keeps them (NTFS). A file without it is never ours.
void MarkTemporary(const std::wstring& extended);
bool CarriesMark(const std::wstring& extended);
void UnmarkTemporary(const std::wstring& extended);

// Sets the attribute bits SetFileAttributesW takes.
bool SetAttributes(const std::wstring& extended, DWORD attributes);

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info);

}  // namespace mirtel
