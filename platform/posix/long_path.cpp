#include "platform/posix/long_path.h"

#include <fcntl.h>
#include <limits.h>

#include <cerrno>

#include "platform/posix/unique_fd.h"

namespace mirtel {

int OpenLong(int dir, const std::string& path, int flags, mode_t mode) {
  if (path.size() < PATH_MAX) return ::openat(dir, path.c_str(), flags, mode);
  UniqueFd held;
  int at = dir;
  std::size_t start = 0;
  while (path.size() - start >= PATH_MAX) {
    // The longest run of whole names that fits, ending in its separator:
    // what it names must be a folder.
    const std::size_t cut = path.rfind('/', start + PATH_MAX - 2);
    if (cut == std::string::npos || cut < start) {
      errno = ENAMETOOLONG;
      return -1;
    }
    const std::string piece = path.substr(start, cut - start + 1);
    const int fd = ::openat(at, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    held.Reset(fd);
    at = fd;
    // Doubled separators must not make the rest an absolute path.
    start = cut + 1;
    while (start < path.size() && path[start] == '/') ++start;
  }
  const std::string rest = start < path.size() ? path.substr(start) : std::string(".");
  return ::openat(at, rest.c_str(), flags, mode);
}

int StatLong(const std::string& path, struct stat& st) {
  if (path.size() < PATH_MAX) return ::stat(path.c_str(), &st);
  const UniqueFd fd(OpenLong(AT_FDCWD, path, O_PATH | O_CLOEXEC));
  if (!fd.ok()) return -1;
  return ::fstat(fd.get(), &st);
}

}  // namespace mirtel
