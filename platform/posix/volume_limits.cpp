// What a destination volume cannot keep, asked of the volume itself once:
// FUSE drivers give each spelling of a name its own inode number, and their
// type says nothing of how finely they keep times or whether modes stay.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/posix/mount_of.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/temporary_name.h"
#include "platform/posix/unique_fd.h"

namespace mirtel {

namespace {

std::string UpperAscii(std::string name) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

}  // namespace

bool UnnamedFilesRefused(int err) {
  return err == EOPNOTSUPP || err == EISDIR || err == EINVAL || err == ENOENT || err == EBADF;
}

const PosixFileSystem::VolumeLimits& PosixFileSystem::LimitsOf(dev_t dev, int dir,
                                                               const std::string& folder) {
  if (const auto known = limits_.find(dev); known != limits_.end()) return known->second;
  VolumeLimits limits;
  std::string name;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    name = TemporaryName(pid_, ++tempCounter_);
    fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    // Not writable here: nothing to learn, and nothing will be copied.
    return limits_.emplace(dev, limits).first->second;
  }
  const UniqueFd probe(fd);
  struct stat made {};
  struct stat other {};
  // Our names are lower case: the same name in upper case finds the probe
  // only where the volume ignores case.
  limits.ignoresCase = ::fstat(fd, &made) == 0 &&
                       ::fstatat(dir, UpperAscii(name).c_str(), &other, AT_SYMLINK_NOFOLLOW) == 0 &&
                       S_ISREG(other.st_mode) && other.st_size == made.st_size;
  // A time with every digit of its fraction shows the volume's step.
  const timespec asked{1234567891, 123456789};
  const timespec times[2] = {asked, asked};
  struct stat kept {};
  if (::futimens(fd, times) == 0 && ::fstat(fd, &kept) == 0) {
    steps_.Of(kept.st_dev, fd);
    steps_.Learn(kept.st_dev, Ns(asked), Ns(kept.st_mtim));
    limits.timeStepShown = kept.st_dev == dev;
  }
  // A mode that does not stay (FAT, exFAT: fixed by the mount) is not asked
  // for file by file.
  if (::fchmod(fd, 0640) != 0) {
    limits.keepsOwnerAndMode = !CannotKeepOwnerOrMode(errno);
  } else if (::fstat(fd, &kept) == 0) {
    limits.keepsOwnerAndMode = (kept.st_mode & 0777) == 0640;
  }
  // What a copy would try first and a share refuses, each a round trip per
  // file if asked again: the mark of our temporaries, a rename that must
  // not replace, an unnamed file.
  Refusals& refused = refused_[dev];
  refused.marks = !MarkTemporary(fd);
  const std::string renamed = TemporaryName(pid_, ++tempCounter_);
  if (::renameat2(dir, name.c_str(), dir, renamed.c_str(), RENAME_NOREPLACE) == 0) {
    NoteChanged(folder + name);
    name = renamed;
  } else if (errno == EINVAL || errno == ENOSYS) {
    refused.noReplaceRename = true;
  }
  const UniqueFd unnamed(::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  refused.unnamedFiles = !unnamed.ok() && UnnamedFilesRefused(errno);
  ::unlinkat(dir, name.c_str(), 0);
  NoteChanged(folder + name);
  return limits_.emplace(dev, limits).first->second;
}

int PosixFileSystem::CopiesInFlight(const std::string& folder) {
  // Where each call crosses a network, many copies in flight hide the
  // waits (on a share at 2 ms a round trip, 32 copy in a third of the time
  // 8 take); a disk behind a user-space driver (a USB disk's exFAT or NTFS)
  // serves one call at a time; on a local disk the kernel's own read-ahead
  // and write-back hide the waits, and a second copy only shares the work
  // of copying with a second core.
  constexpr long kFuse = 0x65735546;
  constexpr long kNfs = 0x6969;
  constexpr long kCifs = 0xFF534D42;
  constexpr long kSmb2 = 0xFE534D42;
  constexpr long kSmb = 0x517B;
  constexpr long kNinep = 0x01021997;
  constexpr long kCeph = 0x00C36400;
  const HeldFolders::Located at = held_.At(folder + ".");
  struct statfs fs {};
  if (at.dir < 0 || ::fstatfs(at.dir, &fs) != 0) return 1;
  switch (static_cast<long>(fs.f_type)) {
    case kFuse: {
      // A driver of something local names it by its path (a device, an
      // image, a folder); one of a share by its host or remote.
      struct stat st {};
      const Mount mount = ::fstat(at.dir, &st) == 0 ? MountOf(st.st_dev) : Mount{};
      const bool local = mount.type == "fuseblk" || mount.source.starts_with('/');
      return local ? 2 : kCopiesInFlightOnAShare;
    }
    case kNfs:
    case kCifs:
    case kSmb2:
    case kSmb:
    case kNinep:
    case kCeph:
      return kCopiesInFlightOnAShare;
    default:
      return CopiesInFlightOnALocalDisk();
  }
}

void PosixFileSystem::LearnVolume(const std::string& folder) {
  const HeldFolders::Located at = held_.At(folder + ".");
  struct stat st {};
  if (at.dir < 0 || ::fstat(at.dir, &st) != 0) return;
  LimitsOf(st.st_dev, at.dir, folder);
}

bool PosixFileSystem::IgnoresCase(const std::string& folder) {
  const HeldFolders::Located at = held_.At(folder + ".");
  struct stat st {};
  if (at.dir < 0 || ::fstat(at.dir, &st) != 0) return false;
  return LimitsOf(st.st_dev, at.dir, folder).ignoresCase;
}

void PosixFileSystem::RenameInFolder(const std::string& path, const std::string& name) {
  const HeldFolders::Located at = held_.Target(path);
  // The same entry under another spelling: a plain rename, since a rename
  // that must not replace takes the entry itself for one in the way.
  if (::renameat(at.dir, at.name.c_str(), at.dir, name.c_str()) != 0) {
    throw ErrnoError(errno, path);
  }
  NoteChanged(path);
  held_.CloseAtOrBelow(path);
}

}  // namespace mirtel
