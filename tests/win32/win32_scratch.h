// A scratch folder for the Windows tests, made and read with the wide Win32
// calls directly (so that the layer under test is not its own witness).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

namespace mirtel {

inline std::wstring Extended(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\")) return path;
  return L"\\\\?\\" + path;
}

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

class Win32Scratch {
 public:
  Win32Scratch() {
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    std::random_device seed;
    root_ = std::wstring(temp, length) + L"mirtel-win32-" + std::to_wstring(seed()) + L"-" +
            std::to_wstring(seed());
    CreateDirectoryW(root_.c_str(), nullptr);
  }
  ~Win32Scratch() { RemoveTree(Extended(root_)); }
  Win32Scratch(const Win32Scratch&) = delete;
  Win32Scratch& operator=(const Win32Scratch&) = delete;

  // `rel` uses backslashes; "" is the scratch folder itself.
  std::wstring W(const std::wstring& rel = L"") const {
    return rel.empty() ? root_ : root_ + L"\\" + rel;
  }
  // The UTF-8 path the FileSystem interface takes.
  std::string P(const std::wstring& rel = L"") const { return WideToUtf8(W(rel)); }
  // A folder path, ending in the separator.
  std::string F(const std::wstring& rel = L"") const { return P(rel) + "\\"; }

  void Dir(const std::wstring& rel) const {
    ASSERT_TRUE(CreateDirectoryW(Extended(W(rel)).c_str(), nullptr)) << GetLastError();
  }
  void Write(const std::wstring& rel, const std::string& content = "data") const {
    HANDLE file = CreateFileW(Extended(W(rel)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, content.size());
  }
  std::string Read(const std::wstring& rel) const {
    HANDLE file = CreateFileW(Extended(W(rel)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content(1 << 16, '\0');
    DWORD read = 0;
    ::ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    content.resize(read);
    return content;
  }
  bool Exists(const std::wstring& rel) const {
    return GetFileAttributesW(Extended(W(rel)).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  DWORD Attributes(const std::wstring& rel) const {
    return GetFileAttributesW(Extended(W(rel)).c_str());
  }
  void SetAttributes(const std::wstring& rel, DWORD attributes) const {
    ASSERT_TRUE(SetFileAttributesW(Extended(W(rel)).c_str(), attributes)) << GetLastError();
  }
  void SetTime(const std::wstring& rel, const FILETIME& time) const {
    HANDLE file = CreateFileW(Extended(W(rel)).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
  }
  FILETIME Time(const std::wstring& rel) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(Extended(W(rel)).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
  }
  // The names in a folder, without "." and "..".
  std::vector<std::wstring> Names(const std::wstring& rel = L"") const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Extended(W(rel)) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }

 private:
  static void RemoveTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
      return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
  }

  std::wstring root_;
};

}  // namespace mirtel
