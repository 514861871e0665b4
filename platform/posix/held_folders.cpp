#include "platform/posix/held_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "platform/fs_error.h"
#include "platform/posix/long_path.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_path.h"

namespace mirtel {

HeldFolders::Located HeldFolders::At(const std::string& path) {
  const std::size_t end = NameEnd(path);
  if (end == 0) return {AT_FDCWD, std::string()};
  if (end == 1 && path[0] == kSep) return {AT_FDCWD, std::string(1, kSep)};
  const std::size_t slash = SeparatorBefore(path, end);
  if (slash == std::string::npos) return {AT_FDCWD, path.substr(0, end)};
  const std::string_view folder(path.data(), slash + 1);
  std::string name = path.substr(slash + 1, end - slash - 1);
  // The one used last first: a walk asks for the same folder many times
  // in a row.
  if (held_[last_].fd >= 0 && held_[last_].folder == folder) {
    held_[last_].used = ++uses_;
    return {held_[last_].fd, std::move(name)};
  }
  int oldest = 0;
  for (int i = 0; i < kHeld; ++i) {
    if (held_[i].fd >= 0 && held_[i].folder == folder) {
      last_ = i;
      held_[i].used = ++uses_;
      return {held_[i].fd, std::move(name)};
    }
    if (held_[i].used < held_[oldest].used) oldest = i;
  }
  const int fd = OpenLong(AT_FDCWD, std::string(folder), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return {-1, std::move(name), errno};
  last_ = oldest;
  Held& slot = held_[last_];
  if (slot.fd >= 0) ::close(slot.fd);
  slot.folder.assign(folder);
  slot.fd = fd;
  slot.dev = 0;
  slot.used = ++uses_;
  return {fd, std::move(name)};
}

HeldFolders::Located HeldFolders::Target(const std::string& path) {
  Located at = At(path);
  // A bare name would be taken in whatever folder the process is in.
  if (at.dir == AT_FDCWD) throw FsError(FsErrorKind::InvalidName, path);
  if (at.dir < 0) throw ErrnoError(at.err, path);
  return at;
}

dev_t HeldFolders::Device(int dir) {
  for (Held& h : held_) {
    if (h.fd != dir || dir < 0) continue;
    struct stat st {};
    if (h.dev == 0 && ::fstat(h.fd, &st) == 0) h.dev = st.st_dev;
    return h.dev;
  }
  return 0;
}

void HeldFolders::CloseAll() {
  for (Held& h : held_) {
    if (h.fd >= 0) ::close(h.fd);
    h.fd = -1;
    h.folder.clear();
    h.used = 0;
  }
}

void HeldFolders::CloseAtOrBelow(const std::string& entry) {
  for (Held& h : held_) {
    if (h.fd >= 0 && IsAtOrBelow(h.folder, entry)) {
      ::close(h.fd);
      h.fd = -1;
      h.folder.clear();
      h.used = 0;
    }
  }
}

}  // namespace mirtel
