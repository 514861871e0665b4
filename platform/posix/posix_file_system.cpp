#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/posix/posix_errors.h"

namespace mirtel {

namespace {

constexpr char kSep = '/';

bool TimeEq(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// "dir/" of "dir/name" (and of "dir/name/").
std::string ParentOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == kSep) p.pop_back();
  const std::size_t slash = p.rfind(kSep);
  if (slash == std::string::npos) return {};
  return p.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == kSep) p.pop_back();
  const std::size_t slash = p.rfind(kSep);
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool IsHiddenName(const std::string& name) {
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

// Closes a descriptor when leaving the scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  int Release() {
    const int f = fd;
    fd = -1;
    return f;
  }
};

void WriteAll(int fd, const char* data, std::size_t size, const std::string& path) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno, path);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

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

// Copies the bytes of `in` to `out`: the kernel's copy (reflink where the
// file system can) first, plain reads and writes where it cannot. `size` is
// what fstat said: each call asks for one byte more than should remain, so a
// short answer at exactly `size` is the end of the file without a further
// call, while a file that grew meanwhile hands over that byte and is copied
// to its real end.
void CopyBytes(int in, int out, off_t size, const std::string& source, const std::string& dest) {
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  // An empty file, or a pseudo file that claims to be one: only reading
  // tells, and costs nothing for a really empty file.
  bool kernel = size > 0;
  off_t total = 0;
  while (kernel) {
    const std::size_t want =
        total < size ? std::min(static_cast<std::size_t>(size - total) + 1, kChunk) : kChunk;
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
    if (n > 0) {
      total += n;
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
    if (total == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP ||
                       errno == EINVAL || errno == EBADF || errno == ETXTBSY)) {
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
    WriteAll(out, buffer.get(), static_cast<std::size_t>(n), dest);
  }
}

// A folder is never replaced by a file, nor a read-only file at all: that
// mark says this copy is not to be changed, and root would otherwise
// replace it without a word.
void CheckReplaceable(const struct stat& old, const std::string& dest) {
  if (S_ISDIR(old.st_mode)) throw FsError(FsErrorKind::AlreadyExists, dest);
  if (S_ISREG(old.st_mode) && !(old.st_mode & S_IWUSR)) {
    throw FsError(FsErrorKind::AccessDenied, dest);
  }
}

// Renames the finished temporary `temp` to `name`, both in folder `dir`.
// Where dest was seen missing, the rename must not replace anything: an
// entry that turned up since is checked like any existing one first.
void PutInPlace(int dir, const char* temp, const char* name, bool absent, const std::string& dest) {
  if (absent) {
    if (::renameat2(dir, temp, dir, name, RENAME_NOREPLACE) == 0) return;
    const int err = errno;
    if (err == EEXIST) {
      struct stat old {};
      if (::fstatat(dir, name, &old, AT_SYMLINK_NOFOLLOW) == 0) CheckReplaceable(old, dest);
    } else if (err != EINVAL && err != ENOSYS) {
      // EINVAL and ENOSYS: the file system cannot keep from replacing;
      // anything else is a real failure.
      throw ErrnoError(err, dest);
    }
  }
  if (::renameat(dir, temp, dir, name) != 0) throw ErrnoError(errno, dest);
}

}  // namespace

bool PosixFileSystem::Stamp::operator==(const Stamp& o) const {
  return dev == o.dev && ino == o.ino && nlink == o.nlink && TimeEq(mtime, o.mtime) &&
         TimeEq(ctime, o.ctime);
}

std::size_t PosixFileSystem::Listing::Find(const std::string& name) {
  if (index.empty() && !entries.empty()) {
    index.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) index.emplace(entries[i].name, i);
  }
  const auto it = index.find(name);
  return it == index.end() ? std::string::npos : it->second;
}

std::shared_ptr<PosixFileSystem::Listing> PosixFileSystem::Read(const std::string& folder) {
  const std::string open = folder.empty() ? std::string(".") : folder;
  const int fd = ::open(open.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    // A folder that is not there lists as empty; one that cannot be read
    // is an error.
    if (errno == ENOENT || errno == ENOTDIR) return nullptr;
    throw ErrnoError(errno, folder);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    throw ErrnoError(err, folder);
  }
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    const int err = errno;
    ::close(fd);
    throw ErrnoError(err, folder);
  }
  auto listing = std::make_shared<Listing>();
  listing->folder = folder;
  // Taken before reading: a change while we read shows at the next check.
  listing->stamp = Stamp{st.st_dev, st.st_ino, st.st_nlink, st.st_mtim, st.st_ctim};
  bool dot = false;
  bool dotdot = false;
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(dir);
    if (d == nullptr) {
      const int err = errno;
      if (err != 0) {
        ::closedir(dir);
        throw ErrnoError(err, folder);
      }
      break;
    }
    if (std::strcmp(d->d_name, ".") == 0) {
      dot = true;
    } else if (std::strcmp(d->d_name, "..") == 0) {
      dotdot = true;
    } else {
      listing->entries.push_back(Entry{d->d_name, d->d_type});
    }
  }
  ::closedir(dir);
  ++folderReads_;
  // A fixed order whatever the file system does, so that a folder read
  // afresh after a change still resumes at the right place.
  std::sort(listing->entries.begin(), listing->entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  std::vector<Entry> dots;
  if (dot) dots.push_back(Entry{".", DT_DIR});
  if (dotdot) dots.push_back(Entry{"..", DT_DIR});
  listing->entries.insert(listing->entries.begin(), dots.begin(), dots.end());
  return listing;
}

std::shared_ptr<PosixFileSystem::Listing> PosixFileSystem::Acquire(const std::string& folder) {
  // Keep only the folder itself and those above it: the walk's path.
  std::erase_if(path_, [&](const std::shared_ptr<Listing>& l) {
    return folder.compare(0, l->folder.size(), l->folder) != 0;
  });
  for (auto it = path_.begin(); it != path_.end(); ++it) {
    if ((*it)->folder != folder) continue;
    struct stat st {};
    const std::string open = folder.empty() ? std::string(".") : folder;
    if ((*it)->valid && ::stat(open.c_str(), &st) == 0 &&
        (*it)->stamp == Stamp{st.st_dev, st.st_ino, st.st_nlink, st.st_mtim, st.st_ctim}) {
      return *it;
    }
    path_.erase(it);
    break;
  }
  auto listing = Read(folder);
  if (listing) path_.push_back(listing);
  return listing;
}

bool PosixFileSystem::Passes(const Entry& entry) const {
  const bool isDot = entry.name == "." || entry.name == "..";
  if (!(mask_ & kAttrDirectory) && (isDot || entry.type == DT_DIR)) return false;
  if (!(mask_ & kAttrHidden) && IsHiddenName(entry.name)) return false;
  if (glob_ == "*" || glob_ == "*.*") return true;
  return ::fnmatch(glob_.c_str(), entry.name.c_str(), FNM_PERIOD) == 0;
}

std::string PosixFileSystem::Advance() {
  recent_[0].path.clear();
  recent_[1].path.clear();
  if (cursor_) {
    while (next_ < cursor_->entries.size()) {
      const std::size_t i = next_++;
      if (Passes(cursor_->entries[i])) {
        current_ = i;
        returned_ = true;
        return cursor_->entries[i].name;
      }
    }
  }
  returned_ = false;
  ended_ = true;
  return {};
}

std::string PosixFileSystem::ListStart(const std::string& pattern, std::uint32_t mask) {
  const std::size_t slash = pattern.rfind(kSep);
  const std::string folder =
      slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
  cursor_.reset();
  returned_ = false;
  ended_ = false;
  // Folders are held open only while one listing lasts: a folder replaced
  // between two jobs (or two folders of a walk) is opened afresh by name.
  CloseFolders();
  next_ = 0;
  mask_ = mask;
  glob_ = pattern.substr(folder.size());
  cursor_ = Acquire(folder);
  return Advance();
}

std::string PosixFileSystem::ListNext() {
  if (ended_) throw FsError(FsErrorKind::ListingEnded, cursor_ ? cursor_->folder : std::string());
  return Advance();
}

std::string PosixFileSystem::ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                                             const std::string& name) {
  ListStart(pattern, mask);
  const std::size_t at = cursor_ ? cursor_->Find(name) : std::string::npos;
  if (at == std::string::npos || !Passes(cursor_->entries[at])) {
    ended_ = true;
    returned_ = false;
    const std::size_t slash = pattern.rfind(kSep);
    throw FsError(
        FsErrorKind::ListingEnded,
        (slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1)) + name);
  }
  next_ = at + 1;
  return Advance();
}

PosixFileSystem::PosixFileSystem() : pid_(::getpid()) {}

PosixFileSystem::~PosixFileSystem() { CloseFolders(); }

void PosixFileSystem::CloseFolders() {
  for (OpenFolder& f : openFolders_) {
    if (f.fd >= 0) ::close(f.fd);
    f.fd = -1;
    f.folder.clear();
  }
}

int PosixFileSystem::At(const std::string& path, std::string& name) {
  const std::size_t slash = path.rfind(kSep);
  if (slash == std::string::npos || slash + 1 == path.size()) {
    name = path;
    return AT_FDCWD;
  }
  const std::string_view folder(path.data(), slash + 1);
  name.assign(path, slash + 1);
  for (int i = 0; i < 2; ++i) {
    if (openFolders_[i].fd >= 0 && openFolders_[i].folder == folder) {
      lastOpenFolder_ = i;
      return openFolders_[i].fd;
    }
  }
  const int fd = ::open(std::string(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    // The call on the whole path reports what is wrong with it.
    name = path;
    return AT_FDCWD;
  }
  lastOpenFolder_ ^= 1;  // the one used longer ago
  OpenFolder& slot = openFolders_[lastOpenFolder_];
  if (slot.fd >= 0) ::close(slot.fd);
  slot.folder.assign(folder);
  slot.fd = fd;
  return fd;
}

void PosixFileSystem::Remember(const std::string& path, const struct stat* st) {
  RecentStat& slot = recent_[recentNext_];
  recentNext_ ^= 1;
  slot.path = path;
  slot.absent = st == nullptr;
  if (st != nullptr) slot.st = *st;
}

const struct stat* PosixFileSystem::Recent(const std::string& path) const {
  for (const auto& r : recent_) {
    if (!r.absent && !r.path.empty() && r.path == path) return &r.st;
  }
  return nullptr;
}

bool PosixFileSystem::KnownAbsent(const std::string& path) const {
  for (const auto& r : recent_) {
    if (r.absent && !r.path.empty() && r.path == path) return true;
  }
  return false;
}

std::uint32_t PosixFileSystem::Attributes(const std::string& path) {
  std::uint32_t attrs = 0;
  if (const int err = Query(path, attrs); err != 0) throw ErrnoError(err, path);
  return attrs;
}

bool PosixFileSystem::TryAttributes(const std::string& path, std::uint32_t& attrs,
                                    FsErrorKind& why) {
  const int err = Query(path, attrs);
  if (err != 0) why = KindOfErrno(err);
  return err == 0;
}

int PosixFileSystem::Query(const std::string& path, std::uint32_t& attrs) {
  const std::string name = NameOf(path);
  const std::uint32_t hidden = IsHiddenName(name) ? std::uint32_t{kAttrHidden} : 0u;
  // The entry the listing just returned: a folder needs no question to the
  // system (folders carry no read-only bit here).
  if (cursor_ && cursor_->valid && returned_) {
    const Entry& e = cursor_->entries[current_];
    if (e.type == DT_DIR && e.name == name && path.size() == cursor_->folder.size() + name.size() &&
        path.compare(0, cursor_->folder.size(), cursor_->folder) == 0) {
      attrs = kAttrDirectory | hidden;
      return 0;
    }
  }
  std::string entry;
  const int dir = At(path, entry);
  struct stat st {};
  if (::fstatat(dir, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    const int err = errno;
    // Only a plain "no such entry" is worth remembering: the copy that
    // usually follows then skips its own look.
    if (err == ENOENT) Remember(path, nullptr);
    return err;
  }
  Remember(path, &st);
  attrs = hidden;
  if (S_ISLNK(st.st_mode)) {
    attrs |= kAttrReparsePoint;
    struct stat target {};
    if (::fstatat(dir, entry.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode)) {
      attrs |= kAttrDirectory;
    }
  } else if (S_ISDIR(st.st_mode)) {
    attrs |= kAttrDirectory;
  } else {
    attrs |= kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) attrs |= kAttrReadOnly;
  }
  return 0;
}

std::int64_t PosixFileSystem::LastWriteTime(const std::string& path) {
  if (const struct stat* st = Recent(path); st != nullptr && !S_ISLNK(st->st_mode)) {
    return static_cast<std::int64_t>(st->st_mtim.tv_sec);
  }
  std::string name;
  const int dir = At(path, name);
  struct stat st {};
  if (::fstatat(dir, name.c_str(), &st, 0) != 0) throw ErrnoError(errno, path);
  return static_cast<std::int64_t>(st.st_mtim.tv_sec);
}

void PosixFileSystem::Mutated(const std::string& path) {
  recent_[0].path.clear();
  recent_[1].path.clear();
  std::string self = path;
  while (self.size() > 1 && self.back() == kSep) self.pop_back();
  // The folder that held it, and everything of it when it was a folder.
  const std::string parent = ParentOf(self);
  for (auto& l : path_) {
    if (l->folder == parent || l->folder.compare(0, self.size() + 1, self + kSep) == 0) {
      l->valid = false;
    }
  }
  if (cursor_ && (cursor_->folder == parent ||
                  cursor_->folder.compare(0, self.size() + 1, self + kSep) == 0)) {
    cursor_->valid = false;
  }
  std::erase_if(path_, [](const std::shared_ptr<Listing>& l) { return !l->valid; });
  // An open folder that went (or was moved) must not take the next names.
  for (OpenFolder& f : openFolders_) {
    if (f.fd >= 0 && f.folder.compare(0, self.size() + 1, self + kSep) == 0) {
      ::close(f.fd);
      f.fd = -1;
      f.folder.clear();
    }
  }
}

void PosixFileSystem::Changed(const std::string& path) { Mutated(path); }

void PosixFileSystem::MakeFolder(const std::string& path) {
  std::string name;
  const int rc = ::mkdirat(At(path, name), name.c_str(), 0777);
  const int err = errno;
  Mutated(path);
  if (rc != 0) throw ErrnoError(err, path);
}

void PosixFileSystem::CopyFile(const std::string& source, const std::string& dest) {
  // Each folder is open for the *at calls only until the next At: the
  // source is opened before the destination's folder is asked for.
  std::string name;
  Fd in(::openat(At(source, name), name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (in.fd < 0) throw ErrnoError(errno, source);
  struct stat src {};
  if (::fstat(in.fd, &src) != 0) throw ErrnoError(errno, source);
  if (!S_ISREG(src.st_mode)) {
    throw FsError(FsErrorKind::Other, source, "通常のファイルではありません");
  }
  // The walk has just looked at dest: what it saw still holds, as nothing
  // has changed here since.
  const int dir = At(dest, name);
  const bool absent = KnownAbsent(dest);
  if (!absent) {
    struct stat old {};
    const struct stat* known = Recent(dest);
    if (known == nullptr && ::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
      known = &old;
    }
    if (known != nullptr) CheckReplaceable(*known, dest);
  }

  // The temporary name lies in dest's folder; the full one is for messages.
  const std::string prefix = dir == AT_FDCWD ? ParentOf(dest) : std::string();
  std::string temp;
  int outFd = -1;
  for (int attempt = 0; attempt < 100 && outFd < 0; ++attempt) {
    temp = prefix + ".mirtel-" + std::to_string(pid_) + "-" + std::to_string(++tempCounter_) +
           ".tmp";
    outFd = ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, src.st_mode & 0777);
    if (outFd < 0 && errno != EEXIST) throw ErrnoError(errno, dest);
  }
  if (outFd < 0) throw FsError(FsErrorKind::AlreadyExists, ParentOf(dest) + NameOf(temp));
  Mutated(dest);
  Fd out(outFd);
  try {
    CopyBytes(in.fd, out.fd, src.st_size, source, dest);
    const timespec times[2] = {src.st_atim, src.st_mtim};
    if (::futimens(out.fd, times) != 0) throw ErrnoError(errno, dest);
    if (::close(out.Release()) != 0) throw ErrnoError(errno, dest);
    PutInPlace(dir, temp.c_str(), name.c_str(), absent, dest);
  } catch (...) {
    ::unlinkat(dir, temp.c_str(), 0);
    throw;
  }
}

std::string PosixFileSystem::ReadFile(const std::string& path) {
  Fd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (in.fd < 0) throw ErrnoError(errno, path);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno, path);
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

void PosixFileSystem::WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".mirtel-" + std::to_string(pid_) + ".tmp";
  Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (out.fd < 0) throw ErrnoError(errno, path);
  Mutated(path);
  try {
    WriteAll(out.fd, bytes.data(), bytes.size(), path);
    if (::fsync(out.fd) != 0) throw ErrnoError(errno, path);
    if (::close(out.Release()) != 0) throw ErrnoError(errno, path);
    if (::rename(temp.c_str(), path.c_str()) != 0) throw ErrnoError(errno, path);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

}  // namespace mirtel
