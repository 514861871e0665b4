#include "platform/posix/temporary_name.h"

#include <signal.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdint>

namespace mirtel {

Temporary ClassifyTemporaryName(const std::string& name, pid_t self) {
  return ClassifyTemporaryName(name, 0x7fffffff, static_cast<std::uint64_t>(self),
                               [](std::uint64_t pid) {
                                 // EPERM: it runs, under another user.
                                 return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
                               });
}

bool MarkTemporary(int fd) { return ::fsetxattr(fd, kTemporaryMark, "1", 1, 0) == 0; }

void UnmarkTemporary(int fd) { ::fremovexattr(fd, kTemporaryMark); }

bool CarriesTemporaryMark(int dir, const std::string& name) {
  // Through the folder's descriptor: any depth, and never through a link.
  const std::string path = "/proc/self/fd/" + std::to_string(dir) + "/" + name;
  char value[4];
  return ::lgetxattr(path.c_str(), kTemporaryMark, value, sizeof value) > 0;
}

}  // namespace mirtel
