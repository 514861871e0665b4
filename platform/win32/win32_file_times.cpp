#include "platform/win32/win32_file_times.h"

#include <algorithm>
#include <limits>

#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_fs_calls.h"
#include "platform/win32/win32_path.h"

namespace mirtel {

std::int64_t NsSince1970(const FILETIME& time) {
  constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 100;
  const std::int64_t ticks = static_cast<std::int64_t>(std::min<std::uint64_t>(
                                 Ticks(time), std::numeric_limits<std::int64_t>::max())) -
                             kTicksFrom1601To1970;
  return std::clamp(ticks, -kLimit, kLimit) * 100;
}

std::int64_t StepOfFileSystem(std::wstring_view name) {
  constexpr std::int64_t kFatStep = 2000000000;
  constexpr std::int64_t kExFatStep = 10000000;
  const auto is = [&](std::wstring_view known) {
    return CompareStringOrdinal(name.data(), static_cast<int>(name.size()), known.data(),
                                static_cast<int>(known.size()), TRUE) == CSTR_EQUAL;
  };
  if (is(L"FAT") || is(L"FAT12") || is(L"FAT16") || is(L"FAT32")) return kFatStep;
  if (is(L"exFAT")) return kExFatStep;
  return kTickStep;
}

Written WriteTimeOf(const std::wstring& extended, const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(extended.c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    WIN32_FIND_DATAW found;
    if (code == ERROR_SHARING_VIOLATION && FindEntry(extended, found)) {
      return {found.ftLastWriteTime, found.dwFileAttributes, 0};
    }
    ThrowWin32Error(code, path);
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {data.ftLastWriteTime, data.dwFileAttributes, 0};
  }
  Handle file(OpenForQuery(extended));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file.valid() || !GetFileInformationByHandle(file.get(), &info)) {
    ThrowWin32Error(GetLastError(), path);
  }
  wchar_t system[MAX_PATH + 1];
  std::int64_t step = kTickStep;
  if (GetVolumeInformationByHandleW(file.get(), nullptr, 0, nullptr, nullptr, nullptr, system,
                                    MAX_PATH + 1)) {
    step = StepOfFileSystem(system);
  }
  return {info.ftLastWriteTime, info.dwFileAttributes, step};
}

bool KeepWriteTime(const std::wstring& extended, const FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(extended.c_str(), GetFileExInfoStandard, &data) &&
      Ticks(data.ftLastWriteTime) == Ticks(time)) {
    return true;
  }
  Handle file(CreateFileW(extended.c_str(), FILE_WRITE_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.valid() && SetFileTime(file.get(), nullptr, nullptr, &time) != 0;
}

std::int64_t Win32FileSystem::ResolutionOf(const std::wstring& folder) {
  const std::uint64_t now = GetTickCount64();
  if (now - resolutionsSince_ > 5000) {
    folderResolution_.clear();
    volumeResolution_.clear();
    resolutionsSince_ = now;
  }
  std::wstring key = Upper(folder);
  if (auto known = folderResolution_.find(key); known != folderResolution_.end()) {
    return known->second;
  }
  std::int64_t step = kTickStep;
  const std::wstring volume = VolumePathOf(folder);
  if (!volume.empty()) {
    std::wstring volumeKey = Upper(volume);
    if (auto known = volumeResolution_.find(volumeKey); known != volumeResolution_.end()) {
      step = known->second;
    } else {
      wchar_t system[MAX_PATH + 1];
      if (GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, nullptr, system,
                                MAX_PATH + 1)) {
        step = StepOfFileSystem(system);
      }
      volumeResolution_.emplace(std::move(volumeKey), step);
    }
  }
  folderResolution_.emplace(std::move(key), step);
  return step;
}

FileTime Win32FileSystem::LastWriteTime(const std::string& path) {
  const std::wstring extended = ExtendedPath(path);
  const Written written = WriteTimeOf(extended, path);
  std::int64_t step = written.step;
  if (step == 0) {
    const std::wstring folder = ParentOf(extended);
    step = ResolutionOf(folder.empty() ? WithSeparator(extended) : folder);
  }
  return FileTime{NsSince1970(written.time), step};
}

}  // namespace mirtel
