// Paths and errors of the wide Win32 calls.
#pragma once

#include <string>

#include "platform/fs_error.h"

namespace mirtel {

// `path` in the \\?\ form that lifts the 260-character limit
// (\\?\UNC\server\share\... for network paths). An absolute path with
// backslashes only is taken literally, so that names the listing gave back
// (even with a trailing dot or space) name the same entry; anything else is
// resolved by the system first. Throws FsError(InvalidName) for an empty or
// malformed path.
std::wstring ExtendedPath(const std::string& path);

// An extended path as the shell wants it: without the \\?\ prefix.
std::wstring PlainPath(const std::wstring& extended);

// The root of the volume of an extended path (\\?\C:\ or
// \\?\UNC\server\share\), or "" when it has no such root.
std::wstring VolumeRootOf(const std::wstring& extended);

// The folder holding an extended path, ending in a backslash ("" for a root).
std::wstring ParentOf(const std::wstring& extended);

FsErrorKind KindOfError(unsigned long code);

// The system's own text for an error code, with the code.
std::string SystemMessage(unsigned long code);

[[noreturn]] void ThrowWin32Error(unsigned long code, const std::string& path);

}  // namespace mirtel
