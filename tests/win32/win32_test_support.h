// What the Windows tests need besides the shared scratch folder: its
// entries' attributes and exact times, and the wide calls with \\?\ paths
// where std::filesystem stops (beyond MAX_PATH, names ending in a dot or a
// space). All made with the wide Win32 calls directly, so that the layer
// under test is not its own witness.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"
#include "tests/fakes/scratch_folder.h"

namespace mirtel {

inline std::wstring Extended(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\")) return path;
  return L"\\\\?\\" + path;
}
inline std::wstring Extended(const std::filesystem::path& path) { return Extended(path.wstring()); }

// FILETIME of whole UTC seconds since 1970 plus `ticks` hundreds of ns.
inline FILETIME FileTimeOf(std::int64_t seconds, std::uint64_t ticks = 0) {
  const std::uint64_t value =
      static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL + ticks;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

inline std::uint64_t TicksOf(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline DWORD AttributesOf(const std::filesystem::path& path) {
  return GetFileAttributesW(Extended(path).c_str());
}
inline void SetAttributes(const std::filesystem::path& path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(Extended(path).c_str(), attributes)) << GetLastError();
}
inline bool ExistsW(const std::filesystem::path& path) {
  return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

inline void SetTimeW(const std::filesystem::path& path, const FILETIME& time) {
  HANDLE file =
      CreateFileW(Extended(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}
inline FILETIME TimeW(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(Extended(path).c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

inline void MakeFolderW(const std::filesystem::path& path) {
  ASSERT_TRUE(CreateDirectoryW(Extended(path).c_str(), nullptr)) << GetLastError();
}
inline void WriteW(const std::filesystem::path& path, const std::string& content = "data") {
  HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, content.size());
}
inline std::string ReadW(const std::filesystem::path& path) {
  HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content(1 << 16, '\0');
  DWORD read = 0;
  ::ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
  CloseHandle(file);
  content.resize(read);
  return content;
}
// The names in a folder, without "." and "..", in the system's order.
inline std::vector<std::wstring> NamesW(const std::filesystem::path& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Extended(folder) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace mirtel
