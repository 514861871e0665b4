#include "platform/posix/moving_aside.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/posix/held_folders.h"
#include "platform/posix/long_path.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/unique_fd.h"

namespace mirtel {

namespace {

// The folder of absolute path `path`, open, and its last name.
struct Parent {
  UniqueFd fd;
  std::string name;
};
Parent OpenParent(const std::string& path) {
  const std::size_t cut = path.find_last_of('/');
  if (cut == std::string::npos || cut + 1 >= path.size()) {
    throw FsError(FsErrorKind::InvalidName, path);
  }
  Parent parent{UniqueFd(OpenLong(AT_FDCWD, cut == 0 ? "/" : path.substr(0, cut),
                                  O_PATH | O_DIRECTORY | O_CLOEXEC)),
                path.substr(cut + 1)};
  if (!parent.fd.ok()) throw ErrnoError(errno, path);
  return parent;
}

}  // namespace

void MoveEntryAside(int dir, const std::string& name, const std::string& target) {
  const Parent to = OpenParent(target);
  const char* toName = to.name.c_str();
  if (::renameat2(dir, name.c_str(), to.fd.get(), toName, RENAME_NOREPLACE) == 0) return;
  const int err = errno;
  if (err != EINVAL && err != ENOSYS) throw ErrnoError(err, target);
  // The volume cannot keep a rename from replacing: looked at first.
  struct stat taken {};
  if (::fstatat(to.fd.get(), toName, &taken, AT_SYMLINK_NOFOLLOW) == 0) {
    throw FsError(FsErrorKind::AlreadyExists, target);
  }
  if (::renameat(dir, name.c_str(), to.fd.get(), toName) != 0) throw ErrnoError(errno, target);
}

bool MoveEntryBack(const std::string& target, int dir, const std::string& name) {
  try {
    const Parent from = OpenParent(target);
    return ::renameat(from.fd.get(), from.name.c_str(), dir, name.c_str()) == 0;
  } catch (const FsError&) {
    return false;
  }
}

void PosixFileSystem::MoveAside(const std::string& path, const std::string& target) {
  const HeldFolders::Located at = held_.Target(path);
  try {
    MoveEntryAside(at.dir, at.name, target);
  } catch (const FsError& e) {
    if (e.kind() == FsErrorKind::AlreadyExists) throw;
    // Said of the item that stays, not of where it was to go.
    throw FsError(e.kind(), path, e.diagnostic());
  }
  NoteChanged(path);
  NoteChanged(target);
  held_.CloseAtOrBelow(path);
}

void PosixFileSystem::RemoveForGood(const std::string& path) {
  const HeldFolders::Located at = held_.Target(path);
  struct stat st {};
  if (::fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    throw ErrnoError(errno, path);
  }
  const int rc = ::unlinkat(at.dir, at.name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0);
  const int err = errno;
  NoteChanged(path);
  held_.CloseAtOrBelow(path);
  if (rc != 0) throw ErrnoError(err, path);
}

}  // namespace mirtel
