// Paths of any length. The system takes at most PATH_MAX bytes of path in
// one call; the folders of a deeper path are opened a piece at a time, each
// piece a run of whole names looked up in the folder before it, which
// resolves exactly as the whole path would.
#pragma once

#include <sys/stat.h>

#include <string>

namespace mirtel {

// openat(dir, path, flags, mode) for a path of any length; -1 with errno
// as the system set it.
int OpenLong(int dir, const std::string& path, int flags, mode_t mode = 0);

// stat(path) for a path of any length (links followed); -1 with errno.
int StatLong(const std::string& path, struct stat& st);

}  // namespace mirtel
