// Last-write times on Windows volumes: their ticks, their steps, reading
// and keeping them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/win32_api.h"

namespace mirtel {

inline std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// FILETIME counts 100 ns ticks from 1601; FileTime nanoseconds from 1970,
// which hold the years 1677 to 2262: times beyond stay at the ends, in order.
std::int64_t NsSince1970(const FILETIME& time);

// How finely a volume keeps last-write times, by the name of its file
// system: FAT in steps of 2 s, exFAT of 10 ms; NTFS, ReFS and whatever we do
// not know of in 100 ns ticks. Too fine a step only costs a needless copy
// where too coarse a one would miss a change, so the unknown get the finest.
constexpr std::int64_t kTickStep = 100;
std::int64_t StepOfFileSystem(std::wstring_view name);

struct Written {
  FILETIME time;
  DWORD attributes;
  std::int64_t step;  // of the volume the time was read from; 0: that of the path's folder
};

// Last-write time of a file; a link is followed to the file it leads to,
// which may lie on another volume.
Written WriteTimeOf(const std::wstring& extended, const std::string& path);

// Gives `extended` the last-write time `time` unless it has it already.
bool KeepWriteTime(const std::wstring& extended, const FILETIME& time);

}  // namespace mirtel
