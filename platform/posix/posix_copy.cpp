// The sound copy: the bytes go to an unnamed file in the destination's
// folder (or, where the volume has none, to a temporary name), get the
// source's owner, mode and time, and are put in place only when complete.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>

#include "platform/posix/extended_attributes.h"
#include "platform/posix/long_path.h"
#include "platform/posix/moving_aside.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/temporary_name.h"
#include "platform/posix/unique_fd.h"

namespace mirtel {

namespace {

void WriteAll(int fd, const char* data, std::size_t size, off_t at, const std::string& path) {
  while (size > 0) {
    const ssize_t n = at < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno, path);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    if (at >= 0) at += n;
  }
}

// How far the copy of one file has got, told to the observer at most ten
// times a second: a file copied in less than that is never told.
class Progress {
 public:
  Progress(CopyObserver* observer, const std::string& source, off_t total)
      : observer_(observer),
        source_(source),
        total_(total > 0 ? static_cast<std::uint64_t>(total) : 0) {}

  // Bytes asked of the kernel at once: small enough to be told in between.
  std::size_t Chunk(std::size_t otherwise) const {
    return observer_ != nullptr ? std::min<std::size_t>(otherwise, std::size_t{16} << 20)
                                : otherwise;
  }

  void Add(ssize_t bytes) {
    done_ += static_cast<std::uint64_t>(bytes);
    if (observer_ == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - told_ < std::chrono::milliseconds(100)) return;
    told_ = now;
    observer_->CopyProgress(source_, done_, total_);
  }

 private:
  CopyObserver* observer_;
  const std::string& source_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::chrono::steady_clock::time_point told_ = std::chrono::steady_clock::now();
};

// Errors of the copy: lack of room and the like belong to the destination.
std::string Culprit(int err, const std::string& source, const std::string& dest) {
  switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EROFS:
      return dest;
    default:
      return source;
  }
}

// The kernel's copy cannot be used between these two files at all.
bool KernelCopyRefused(int err) {
  return err == EXDEV || err == ENOSYS || err == EOPNOTSUPP || err == EINVAL || err == EBADF ||
         err == ETXTBSY;
}

// Refusals that hold for every file between the same two volumes.
bool KernelCopyNeverWorks(int err) { return err == EXDEV || err == ENOSYS || err == EOPNOTSUPP; }

// Copies the bytes of `in` to `out`: the kernel's copy first, plain reads
// and writes where it cannot. `size` is what fstat said: each call asks for
// one byte more than should remain, so a short answer at exactly `size` is
// the end of the file without a further call, while a file that grew
// meanwhile hands over that byte and is copied to its real end.
// `kernel`: the kernel's copy may be tried; false once it refused.
void CopyBytes(int in, int out, off_t size, const std::string& source, const std::string& dest,
               Progress& progress, bool& kernel) {
  const std::size_t kChunk = progress.Chunk(std::size_t{1} << 30);
  // An empty file, or a pseudo file that claims to be one: only reading
  // tells, and costs nothing for a really empty file.
  bool tryKernel = kernel && size > 0;
  off_t total = 0;
  while (tryKernel) {
    const std::size_t want =
        total < size ? std::min(static_cast<std::size_t>(size - total) + 1, kChunk) : kChunk;
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
    if (n > 0) {
      total += n;
      progress.Add(n);
      if (total == size && static_cast<std::size_t>(n) < want) return;
      continue;
    }
    if (n == 0) {
      // Some pseudo files claim a size but are empty to the kernel's copy;
      // otherwise the file ended early (it shrank), which is its end.
      if (total == 0) break;
      return;
    }
    if (errno == EINTR) continue;
    if (total == 0 && KernelCopyRefused(errno)) {
      if (KernelCopyNeverWorks(errno)) kernel = false;
      break;
    }
    const int err = errno;
    throw ErrnoError(err, Culprit(err, source, dest));
  }
  // Left unfilled: an empty file must not pay for clearing a megabyte.
  constexpr std::size_t kBuffer = std::size_t{1} << 20;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kBuffer);
  for (;;) {
    const ssize_t n = ::read(in, buffer.get(), kBuffer);
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno, source);
    }
    WriteAll(out, buffer.get(), static_cast<std::size_t>(n), -1, dest);
    progress.Add(n);
  }
}

// Copies `length` bytes at `at` of `in` to the same place of `out`; less
// when the file ends sooner.
void CopyRange(int in, int out, off_t at, off_t length, const std::string& source,
               const std::string& dest, Progress& progress, bool& kernel) {
  off_t from = at;
  off_t to = at;
  off_t left = length;
  bool tryKernel = kernel;
  while (left > 0 && tryKernel) {
    const ssize_t n =
        ::copy_file_range(in, &from, out, &to, progress.Chunk(static_cast<std::size_t>(left)), 0);
    if (n > 0) {
      left -= n;
      progress.Add(n);
      continue;
    }
    if (n == 0) return;
    if (errno == EINTR) continue;
    if (!KernelCopyRefused(errno)) {
      const int err = errno;
      throw ErrnoError(err, Culprit(err, source, dest));
    }
    if (KernelCopyNeverWorks(errno)) kernel = false;
    tryKernel = false;
  }
  constexpr std::size_t kBuffer = std::size_t{1} << 20;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kBuffer);
  while (left > 0) {
    const ssize_t n =
        ::pread(in, buffer.get(), static_cast<std::size_t>(std::min<off_t>(left, kBuffer)), from);
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno, source);
    }
    WriteAll(out, buffer.get(), static_cast<std::size_t>(n), from, dest);
    from += n;
    left -= n;
    progress.Add(n);
  }
}

// A file with holes: only its data is copied, each piece to its own place,
// and the size set at the end, so that the holes stay holes. False where
// the system cannot tell holes (nothing has been written then).
bool CopyData(int in, int out, const std::string& source, const std::string& dest,
              Progress& progress, bool& kernel) {
  off_t pos = 0;
  for (;;) {
    const off_t data = ::lseek(in, pos, SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO) break;  // no data after pos
      if (pos == 0 && (errno == EINVAL || errno == EOPNOTSUPP)) return false;
      throw ErrnoError(errno, source);
    }
    const off_t hole = ::lseek(in, data, SEEK_HOLE);
    if (hole < 0) throw ErrnoError(errno, source);
    CopyRange(in, out, data, hole - data, source, dest, progress, kernel);
    pos = hole;
  }
  const off_t end = ::lseek(in, 0, SEEK_END);
  if (end < 0) throw ErrnoError(errno, source);
  if (::ftruncate(out, end) != 0) throw ErrnoError(errno, dest);
  return true;
}

// A folder is never replaced by a file. A read-only file is replaced only
// by a read-only source: otherwise the mark says this copy is not to be
// changed, and root would replace it without a word.
void CheckReplaceable(const struct stat& old, mode_t source, const std::string& dest) {
  if (S_ISDIR(old.st_mode)) throw FsError(FsErrorKind::FolderInTheWay, dest);
  if (S_ISREG(old.st_mode) && !(old.st_mode & S_IWUSR) && (source & S_IWUSR)) {
    throw FsError(FsErrorKind::ReadOnlyFile, dest);
  }
}

// An entry at dest where the copy was to make a new one.
[[noreturn]] void NameTaken(const std::string& dest) {
  throw FsError(FsErrorKind::AlreadyExists, dest);
}

// Renames the finished temporary `temp` to `name`, both in folder `dir`.
// Where dest was seen missing, the rename must not replace anything: an
// entry that turned up since is checked like any existing one first, or
// left alone where the copy may not replace at all.
// `noReplace`: the volume may keep a rename from replacing; false once it
// said it cannot.
void PutInPlace(int dir, const std::string& temp, const std::string& name, bool absent,
                bool mayReplace, mode_t source, const std::string& dest, bool& noReplace) {
  if (absent) {
    int err = EINVAL;
    if (noReplace) {
      if (::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_NOREPLACE) == 0) return;
      err = errno;
      if (err == EINVAL || err == ENOSYS) noReplace = false;
    }
    struct stat old {};
    if (err == EEXIST) {
      if (!mayReplace) NameTaken(dest);
      if (::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        CheckReplaceable(old, source, dest);
      }
    } else if (err != EINVAL && err != ENOSYS) {
      // EINVAL and ENOSYS: the file system cannot keep from replacing;
      // anything else is a real failure.
      throw ErrnoError(err, dest);
    } else if (!mayReplace && ::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
      NameTaken(dest);
    }
  }
  if (::renameat(dir, temp.c_str(), dir, name.c_str()) != 0) throw ErrnoError(errno, dest);
}

// PutInPlace over an existing dest whose old file moves to `keep` first; put
// back where the new copy cannot take its place.
void PutInPlaceKeeping(int dir, const std::string& temp, const std::string& name,
                       const std::string& keep, mode_t source, const std::string& dest) {
  struct stat old {};
  if (::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) throw ErrnoError(errno, dest);
    // Gone meanwhile: nothing to keep.
    bool noReplace = true;
    PutInPlace(dir, temp, name, true, true, source, dest, noReplace);
    return;
  }
  CheckReplaceable(old, source, dest);
  MoveEntryAside(dir, name, keep);
  if (::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_NOREPLACE) != 0) {
    int err = errno;
    // A volume that cannot keep a rename from replacing (FUSE drivers):
    // the name is looked at first.
    struct stat taken {};
    if ((err == EINVAL || err == ENOSYS) &&
        ::fstatat(dir, name.c_str(), &taken, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) {
      if (::renameat(dir, temp.c_str(), dir, name.c_str()) == 0) return;
      err = errno;
    }
    if (!MoveEntryBack(keep, dir, name)) {
      throw FsError(FsErrorKind::RecycleStranded, dest, keep);
    }
    throw ErrnoError(err, dest);
  }
}

}  // namespace

// What one copy needs of the file system's memory, taken on the walk's
// thread, and what it learns there, given back on that thread: the copy in
// between touches nothing shared, so that it may run on a worker.
struct PosixFileSystem::CopyPlan {
  std::string source;
  std::string dest;
  bool mayReplace = true;
  // Where the old dest goes once the new copy is complete; empty: replaced.
  std::string keepOldAt;
  // The folders of source and dest, held open for this copy alone.
  UniqueFd fromHeld;
  int fromDir = AT_FDCWD;
  std::string fromName;
  UniqueFd toHeld;
  std::string toName;
  bool sourceSeenAsFile = false;  // the walk's own look saw a plain file
  bool absent = false;            // dest is known to be missing
  bool destSeen = false;          // destSeenAs holds the walk's look at dest
  struct stat destSeenAs {};
  dev_t destDev = 0;
  Refusals refused;
  bool keepsOwnerAndMode = true;
  bool timeStepShown = false;
  bool keepsNanoseconds = false;
  std::set<std::pair<dev_t, dev_t>> noClone;
  std::set<std::pair<dev_t, dev_t>> noKernelCopy;
  CopyObserver* observer = nullptr;

  // Learned by the copy.
  std::pair<dev_t, dev_t> devices{0, 0};
  bool cloneRefused = false;
  bool kernelCopyRefused = false;
  bool timeKept = false;
  dev_t keptDev = 0;
  std::int64_t timeAsked = 0;
  std::int64_t timeGot = 0;
};

namespace {

struct Source {
  int fd;
  struct stat st;
};

}  // namespace

int PosixFileSystem::LinkUnnamed(int fd, int dir, const std::string& name) {
  // By the descriptor itself where the system allows it (newer kernels, or
  // a privilege), else through /proc.
  if (linkByDescriptor_.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    const int err = errno;
    if (err != ENOENT && err != EPERM) return err;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    linkByDescriptor_.store(false, std::memory_order_relaxed);
    return 0;
  }
  return errno;
}

namespace {

// Fills `out` from `from`; what the system says of `out` once made.
struct stat CopyInto(int out, const Source& from, PosixFileSystem::CopyPlan& plan) {
  const std::string& source = plan.source;
  const std::string& dest = plan.dest;
  struct stat made {};
  if (::fstat(out, &made) != 0) throw ErrnoError(errno, dest);
  // A clone shares the blocks where the file system can: the fastest copy,
  // and one that keeps the holes.
  plan.devices = {from.st.st_dev, made.st_dev};
  if (from.st.st_size > 0 && !plan.noClone.contains(plan.devices)) {
    if (::ioctl(out, FICLONE, from.fd) == 0) return made;
    const int err = errno;
    if (err == EOPNOTSUPP || err == ENOTTY || err == EXDEV || err == EINVAL || err == ENOSYS) {
      plan.cloneRefused = true;
    }
  }
  Progress progress(plan.observer, source, from.st.st_size);
  bool kernel = !plan.noKernelCopy.contains(plan.devices);
  if (from.st.st_blocks * 512 >= from.st.st_size ||
      !CopyData(from.fd, out, source, dest, progress, kernel)) {
    CopyBytes(from.fd, out, from.st.st_size, source, dest, progress, kernel);
  }
  plan.kernelCopyRefused = !kernel;
  return made;
}

}  // namespace

void PosixFileSystem::Finish(int out, int in, const struct stat& src, const struct stat& made,
                             CopyPlan& plan) {
  const std::string& dest = plan.dest;
  // Owner before mode, mode last: chown may clear bits, and until now
  // the file was as closed as the source at most. Each is set only where
  // the new file does not have it already, and the volume keeps it.
  const bool keeps = plan.keepsOwnerAndMode;
  if (keeps && root_ && (made.st_uid != src.st_uid || made.st_gid != src.st_gid) &&
      ::fchown(out, src.st_uid, src.st_gid) != 0 && !CannotKeepOwnerOrMode(errno)) {
    throw ErrnoError(errno, dest);
  }
  // Set-user and set-group bits stay behind; the sticky bit comes along.
  // The ACL before the mode: until it is there, the group bits would stand
  // for more than the owning group had.
  const mode_t mode = in >= 0 ? CopyExtendedAttributes(in, out, src.st_mode & (0777 | S_ISVTX))
                              : src.st_mode & (0777 | S_ISVTX);
  if (keeps && (made.st_mode & 07777) != mode && ::fchmod(out, mode) != 0 &&
      !CannotKeepOwnerOrMode(errno)) {
    throw ErrnoError(errno, dest);
  }
  const timespec times[2] = {src.st_atim, src.st_mtim};
  if (::futimens(out, times) != 0) throw ErrnoError(errno, dest);
  // What the volume kept of the time tells how finely it keeps times, until
  // it has shown it keeps nanoseconds.
  struct stat kept {};
  if (!plan.timeStepShown && !plan.keepsNanoseconds && ::fstat(out, &kept) == 0) {
    plan.timeKept = true;
    plan.keptDev = kept.st_dev;
    plan.timeAsked = Ns(src.st_mtim);
    plan.timeGot = Ns(kept.st_mtim);
  }
}

void PosixFileSystem::CopyFile(const std::string& source, const std::string& dest) {
  Copy(source, dest, true);
}

void PosixFileSystem::CopyFileKeeping(const std::string& source, const std::string& dest,
                                      const std::string& keepOldAt) {
  Copy(source, dest, true, &keepOldAt);
}

void PosixFileSystem::CopyNewFile(const std::string& source, const std::string& dest) {
  Copy(source, dest, false);
}

void PosixFileSystem::Copy(const std::string& source, const std::string& dest, bool mayReplace,
                           const std::string* keepOldAt) {
  CopyPlan plan = PlanCopy(source, dest, mayReplace);
  plan.observer = observer_;
  if (keepOldAt != nullptr) plan.keepOldAt = *keepOldAt;
  try {
    RunCopy(plan);
  } catch (...) {
    Learn(plan);
    throw;
  }
  Learn(plan);
}

namespace {

// A descriptor of its own for held folder `dir`: the walk may close its
// own meanwhile.
UniqueFd Own(int dir, const std::string& path) {
  if (dir < 0) return UniqueFd();
  UniqueFd own(::fcntl(dir, F_DUPFD_CLOEXEC, 0));
  if (!own.ok()) throw ErrnoError(errno, path);
  return own;
}

}  // namespace

PosixFileSystem::CopyPlan PosixFileSystem::PlanCopy(const std::string& source,
                                                    const std::string& dest, bool mayReplace) {
  CopyPlan plan;
  plan.source = source;
  plan.dest = dest;
  plan.mayReplace = mayReplace;
  // Each folder is open for the *at calls only until the next At: the
  // source's is taken before the destination's folder is asked for.
  const HeldFolders::Located from = held_.At(source);
  if (from.dir == -1) throw ErrnoError(from.err, source);
  plan.fromHeld = Own(from.dir, source);
  plan.fromDir = plan.fromHeld.ok() ? plan.fromHeld.get() : from.dir;
  plan.fromName = from.name;
  // The walk's own look at it serves, where it saw a plain file.
  const struct stat* looked = recent_.Recent(source);
  plan.sourceSeenAsFile = looked != nullptr && S_ISREG(looked->st_mode);
  // The walk has just looked at dest, or knows it free: what it saw still
  // holds, as nothing has changed here since.
  const HeldFolders::Located to = held_.Target(dest);
  plan.toHeld = Own(to.dir, dest);
  plan.toName = to.name;
  plan.absent = !mayReplace || recent_.KnownAbsent(dest);
  if (const struct stat* known = recent_.Recent(dest); known != nullptr && !plan.absent) {
    plan.destSeen = true;
    plan.destSeenAs = *known;
  }
  plan.destDev = held_.Device(to.dir);
  plan.refused = refused_[plan.destDev];
  const auto limits = limits_.find(plan.destDev);
  if (limits != limits_.end()) {
    plan.keepsOwnerAndMode = limits->second.keepsOwnerAndMode;
    plan.timeStepShown = limits->second.timeStepShown;
  }
  plan.keepsNanoseconds = plan.destDev != 0 && steps_.KeepsNanoseconds(plan.destDev);
  plan.noClone = noClone_;
  plan.noKernelCopy = noKernelCopy_;
  return plan;
}

void PosixFileSystem::Learn(CopyPlan& plan) {
  if (plan.cloneRefused) noClone_.insert(plan.devices);
  if (plan.kernelCopyRefused) noKernelCopy_.insert(plan.devices);
  Refusals& refused = refused_[plan.destDev];
  refused.unnamedFiles |= plan.refused.unnamedFiles;
  refused.noReplaceRename |= plan.refused.noReplaceRename;
  refused.marks |= plan.refused.marks;
  if (plan.timeKept && !steps_.KeepsNanoseconds(plan.keptDev)) {
    // The descriptor asked for the step is any one on the volume: dest's
    // folder, still open for this copy.
    steps_.Of(plan.keptDev, plan.toHeld.get());
    steps_.Learn(plan.keptDev, plan.timeAsked, plan.timeGot);
  }
  NoteChanged(plan.dest);
}

void PosixFileSystem::RunCopy(CopyPlan& plan) {
  const std::string& source = plan.source;
  const std::string& dest = plan.dest;
  const bool mayReplace = plan.mayReplace;
  // Looked at before it is opened, so that a device, FIFO or socket never
  // is; O_NONBLOCK keeps a FIFO put in its place meanwhile from waiting for
  // a writer, and the second look refuses it.
  if (!plan.sourceSeenAsFile) {
    struct stat seen {};
    if (::fstatat(plan.fromDir, plan.fromName.c_str(), &seen, 0) != 0) {
      throw ErrnoError(errno, source);
    }
    if (!S_ISREG(seen.st_mode)) throw FsError(FsErrorKind::NotAFile, source);
  }
  const UniqueFd in(
      ::openat(plan.fromDir, plan.fromName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!in.ok()) throw ErrnoError(errno, source);
  Source src{in.get(), {}};
  if (::fstat(in.get(), &src.st) != 0) throw ErrnoError(errno, source);
  if (!S_ISREG(src.st.st_mode)) throw FsError(FsErrorKind::NotAFile, source);

  const int dir = plan.toHeld.get();
  const std::string& name = plan.toName;
  plan.devices = {src.st.st_dev, plan.destDev};
  bool absent = plan.absent;
  if (!absent) {
    struct stat old {};
    const struct stat* known = plan.destSeen ? &plan.destSeenAs : nullptr;
    if (known == nullptr) {
      if (::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        known = &old;
      } else if (errno == ENOENT) {
        absent = true;
      } else {
        throw ErrnoError(errno, dest);
      }
    }
    if (known != nullptr) CheckReplaceable(*known, src.st.st_mode, dest);
  }
  // Never more open than the copy will be: the source's mode where the
  // copy keeps the owner it is made with (and then usually nothing is left
  // to set), else the owner's bits until the owner is set.
  // With an ACL, the owner's bits alone until the copy has it.
  const bool ownerStays = !root_ || (src.st.st_uid == 0 && src.st.st_gid == 0);
  const mode_t creating = src.st.st_mode & (ownerStays && !HasAccessAcl(src.fd) ? 0777 : 0700);

  Refusals& refused = plan.refused;
  if (absent && !refused.unnamedFiles) {
    // An unnamed file leaves nothing behind whatever happens before it is
    // complete, even when the process is killed.
    UniqueFd out(::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, creating));
    if (out.ok()) {
      Finish(out.get(), src.fd, src.st, CopyInto(out.get(), src, plan), plan);
      const int err = LinkUnnamed(out.get(), dir, name);
      if (err == 0) {
        if (::close(out.Release()) != 0) {
          const int closeErr = errno;
          ::unlinkat(dir, name.c_str(), 0);
          throw ErrnoError(closeErr, dest);
        }
        return;
      }
      if (err != EEXIST) throw ErrnoError(err, dest);
      if (!mayReplace) NameTaken(dest);
      // An entry turned up meanwhile: replaced as any existing one, through
      // a temporary name.
      struct stat old {};
      if (::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        CheckReplaceable(old, src.st.st_mode, dest);
      }
      std::string temp;
      int linked = EEXIST;
      for (int attempt = 0; attempt < 100 && linked == EEXIST; ++attempt) {
        temp = TemporaryName(pid_, ++tempCounter_);
        linked = LinkUnnamed(out.get(), dir, temp);
      }
      if (linked != 0) throw ErrnoError(linked, ParentOf(dest) + temp);
      try {
        if (::close(out.Release()) != 0) throw ErrnoError(errno, dest);
        if (!plan.keepOldAt.empty()) {
          PutInPlaceKeeping(dir, temp, name, plan.keepOldAt, src.st.st_mode, dest);
        } else {
          bool noReplace = !refused.noReplaceRename;
          PutInPlace(dir, temp, name, false, true, src.st.st_mode, dest, noReplace);
        }
      } catch (...) {
        ::unlinkat(dir, temp.c_str(), 0);
        throw;
      }
      return;
    }
    const int err = errno;
    // Volumes without unnamed files say so in several ways.
    if (!UnnamedFilesRefused(err)) throw ErrnoError(err, dest);
    refused.unnamedFiles = true;
  }

  std::string temp;
  int outFd = -1;
  for (int attempt = 0; attempt < 100 && outFd < 0; ++attempt) {
    temp = TemporaryName(pid_, ++tempCounter_);
    outFd =
        ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, creating);
    if (outFd < 0 && errno != EEXIST) throw ErrnoError(errno, dest);
  }
  if (outFd < 0) throw FsError(FsErrorKind::AlreadyExists, ParentOf(dest) + temp);
  UniqueFd out(outFd);
  // Until it is complete, the temporary carries our mark: only a file with
  // it is ever taken for a leftover of ours.
  const bool marked = !refused.marks && MarkTemporary(out.get());
  if (!marked) refused.marks = true;
  try {
    Finish(out.get(), src.fd, src.st, CopyInto(out.get(), src, plan), plan);
    if (marked) UnmarkTemporary(out.get());
    if (::close(out.Release()) != 0) throw ErrnoError(errno, dest);
    if (!plan.keepOldAt.empty() && !absent) {
      PutInPlaceKeeping(dir, temp, name, plan.keepOldAt, src.st.st_mode, dest);
    } else {
      bool noReplace = !refused.noReplaceRename;
      PutInPlace(dir, temp, name, absent, mayReplace, src.st.st_mode, dest, noReplace);
      if (!noReplace) refused.noReplaceRename = true;
    }
  } catch (...) {
    ::unlinkat(dir, temp.c_str(), 0);
    throw;
  }
}

namespace {

// A copy planned on the walk's thread, run on a worker, learned from back
// on the walk's thread.
class PosixPendingCopy final : public PendingCopy {
 public:
  PosixPendingCopy(PosixFileSystem& fs, PosixFileSystem::CopyPlan plan)
      : fs_(fs), plan_(std::move(plan)) {}
  void Run() override { fs_.RunCopy(plan_); }
  void Finish() override { fs_.Learn(plan_); }

 private:
  PosixFileSystem& fs_;
  PosixFileSystem::CopyPlan plan_;
};

}  // namespace

std::unique_ptr<PendingCopy> PosixFileSystem::PrepareCopy(const std::string& source,
                                                          const std::string& dest,
                                                          bool toFreeName) {
  // Told of no progress: the observer lives on the walk's thread.
  return std::make_unique<PosixPendingCopy>(*this, PlanCopy(source, dest, !toFreeName));
}

void PosixFileSystem::WriteFileAtomically(const std::string& path, const std::string& bytes) {
  // Named and marked as every temporary of ours, so that one a killed run
  // left is known for what it is.
  const std::string folder = ParentOf(path);
  std::string temp;
  UniqueFd out;
  for (int attempt = 0; attempt < 100 && !out.ok(); ++attempt) {
    temp = folder + TemporaryName(pid_, ++tempCounter_);
    out = UniqueFd(OpenLong(AT_FDCWD, temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.ok() && errno != EEXIST) break;
  }
  if (!out.ok()) throw ErrnoError(errno, path);
  MarkTemporary(out.get());
  NoteChanged(path);
  try {
    WriteAll(out.get(), bytes.data(), bytes.size(), -1, path);
    if (::fsync(out.get()) != 0) throw ErrnoError(errno, path);
    UnmarkTemporary(out.get());
    if (::close(out.Release()) != 0) throw ErrnoError(errno, path);
    if (::rename(temp.c_str(), path.c_str()) != 0) throw ErrnoError(errno, path);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

}  // namespace mirtel
