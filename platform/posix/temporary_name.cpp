#include "platform/posix/temporary_name.h"

#include <signal.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdint>

namespace mirtel {

namespace {

constexpr const char* kMark = "user.mirtel.temporary";

}  // namespace

Temporary ClassifyTemporaryName(const std::string& name, pid_t self) {
  std::uint64_t pid = 0;
  if (!TemporaryNameOwner(name, 0x7fffffff, pid)) return Temporary::NotOurs;
  const auto owner = static_cast<pid_t>(pid);
  if (owner == self) return Temporary::Live;
  // EPERM: it runs, under another user.
  if (::kill(owner, 0) == 0 || errno == EPERM) return Temporary::Live;
  return Temporary::Dead;
}

bool MarkTemporary(int fd) { return ::fsetxattr(fd, kMark, "1", 1, 0) == 0; }

void UnmarkTemporary(int fd) { ::fremovexattr(fd, kMark); }

bool CarriesTemporaryMark(int dir, const std::string& name) {
  // Through the folder's descriptor: any depth, and never through a link.
  const std::string path = "/proc/self/fd/" + std::to_string(dir) + "/" + name;
  char value[4];
  return ::lgetxattr(path.c_str(), kMark, value, sizeof value) > 0;
}

}  // namespace mirtel
