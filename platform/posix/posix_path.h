// Paths as the Linux layer takes them apart: '/' separates, a folder path
// ends in it, and trailing separators name the same entry as none.
#pragma once

#include <string>
#include <utility>

namespace mirtel {

inline constexpr char kSep = '/';

// Where the name of `path` ends: its size less its trailing separators ("/"
// keeps its one).
std::size_t NameEnd(const std::string& path);
// The position of the last separator before `end`, npos when none.
std::size_t SeparatorBefore(const std::string& path, std::size_t end);

// "dir/" of "dir/name" (and of "dir/name/"); "" for a bare name.
std::string ParentOf(const std::string& path);

// "name" of "dir/name" (and of "dir/name/").
std::string NameOf(const std::string& path);

// `path` without its trailing separators ("/" stays itself).
std::string WithoutSeparator(const std::string& path);

// Whether the folder path `folder` (ending in the separator) is `entry`
// itself or lies below it (`entry` without a trailing separator).
bool IsAtOrBelow(const std::string& folder, const std::string& entry);

}  // namespace mirtel
