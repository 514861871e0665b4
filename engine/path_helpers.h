// Small routines on folder paths, shared by the walks, the job and the runner.
#pragma once

#include <string>

#include "engine/job_state.h"
#include "platform/file_system.h"

namespace mirtel {

// What must be appended to `path` so that it ends in the separator: "" or
// the separator. PlusYen("") is the separator.
std::string PlusYen(const std::string& path);

// True when the attribute query of `path` succeeds (any entry, any
// attributes); every error is false.
bool ChkExist(FileSystem& fs, const std::string& path);

// Present, absent, or unknown (the query failed for another reason than
// "not found"): pruning removes only what is definitely absent. `attrs`,
// when given, receives the attributes of a present entry.
enum class Presence { Present, Absent, Unknown };
Presence ProbeEntry(FileSystem& fs, const std::string& path, std::uint32_t* attrs = nullptr);

// True when the normalised folder path is a drive root: "C:\" and the like
// on Windows, and a network share's top, "\\server\share\"; only "/" on
// POSIX.
bool IsDriveRoot(const std::string& folder);

// Folder paths compared as the platform compares them (ignoring letter case
// on Windows).
bool SameFolder(const std::string& a, const std::string& b);

}  // namespace mirtel
