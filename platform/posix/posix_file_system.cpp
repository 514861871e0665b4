#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/posix/long_path.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/temporary_name.h"
#include "platform/posix/unique_fd.h"

namespace mirtel {

namespace {

constexpr char kSep = '/';
constexpr std::int64_t kSecond = 1000000000;

bool TimeEq(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::int64_t Ns(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * kSecond + t.tv_nsec;
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

bool IsDeviceType(unsigned char type) {
  return type == DT_CHR || type == DT_BLK || type == DT_FIFO || type == DT_SOCK;
}

bool IsDeviceMode(mode_t mode) {
  return S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode);
}

// The kernel stamps folders with a clock that moves in ticks.
std::int64_t ClockTick() {
  static const std::int64_t tick = [] {
    timespec res{};
    if (::clock_getres(CLOCK_REALTIME_COARSE, &res) != 0) return std::int64_t{10000000};
    return std::max<std::int64_t>(Ns(res), 1);
  }();
  return tick;
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
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const int fd = OpenLong(AT_FDCWD, open, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
  auto listing = std::make_shared<Listing>();
  listing->folder = folder;
  // Taken before reading: a change while we read shows at the next check,
  // unless it comes so soon after the last one that the folder's times stay
  // the same (within its volume's step, or one tick of the kernel's clock;
  // two seconds where the volume's step is only guessed).
  listing->stamp = Stamp{st.st_dev, st.st_ino, st.st_nlink, st.st_mtim, st.st_ctim};
  const std::int64_t step = steps_.Of(st.st_dev, fd);
  const std::int64_t window =
      steps_.Sure(st.st_dev) ? std::max(step, 2 * ClockTick()) : std::max(step, 2 * kSecond);
  listing->racy = std::max(Ns(st.st_mtim), Ns(st.st_ctim)) + window > Ns(now);
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    const int err = errno;
    ::close(fd);
    throw ErrnoError(err, folder);
  }
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
  listing->dots = dots.size();
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
    if ((*it)->valid && !(*it)->racy && StatLong(open, st) == 0 &&
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
  const std::size_t slash = pattern.rfind(kSep);
  const std::string folder =
      slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
  // What was listed there before: another folder put in its place is not
  // the one the walk was in.
  const Listing* before = nullptr;
  Stamp was;
  for (const auto& l : path_) {
    if (l->folder == folder) {
      before = l.get();
      was = l->stamp;
    }
  }
  ListStart(pattern, mask);
  if (!cursor_ ||
      (before != nullptr && (cursor_->stamp.dev != was.dev || cursor_->stamp.ino != was.ino))) {
    cursor_.reset();
    ended_ = true;
    returned_ = false;
    throw FsError(FsErrorKind::ListingEnded, folder + name);
  }
  const std::size_t at = cursor_->Find(name);
  if (at != std::string::npos) {
    next_ = at + 1;
  } else {
    // Moved away meanwhile: on with the first name after where it stood.
    const auto first = cursor_->entries.begin() + static_cast<std::ptrdiff_t>(cursor_->dots);
    const auto after =
        std::upper_bound(first, cursor_->entries.end(), name,
                         [](const std::string& n, const Entry& e) { return n < e.name; });
    next_ = static_cast<std::size_t>(after - cursor_->entries.begin());
  }
  return Advance();
}

PosixFileSystem::PosixFileSystem() : pid_(::getpid()), root_(::geteuid() == 0) {}

PosixFileSystem::~PosixFileSystem() { CloseFolders(); }

void PosixFileSystem::CloseFolders() {
  for (OpenFolder& f : openFolders_) {
    if (f.fd >= 0) ::close(f.fd);
    f.fd = -1;
    f.folder.clear();
  }
}

PosixFileSystem::Located PosixFileSystem::At(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == kSep) --end;
  if (end == 0) return {AT_FDCWD, std::string()};
  if (end == 1 && path[0] == kSep) return {AT_FDCWD, std::string(1, kSep)};
  const std::size_t slash = path.rfind(kSep, end - 1);
  if (slash == std::string::npos) return {AT_FDCWD, path.substr(0, end)};
  const std::string_view folder(path.data(), slash + 1);
  std::string name = path.substr(slash + 1, end - slash - 1);
  for (int i = 0; i < 2; ++i) {
    if (openFolders_[i].fd >= 0 && openFolders_[i].folder == folder) {
      lastOpenFolder_ = i;
      return {openFolders_[i].fd, std::move(name)};
    }
  }
  const int fd = OpenLong(AT_FDCWD, std::string(folder), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return {-1, std::move(name), errno};
  lastOpenFolder_ ^= 1;  // the one used longer ago
  OpenFolder& slot = openFolders_[lastOpenFolder_];
  if (slot.fd >= 0) ::close(slot.fd);
  slot.folder.assign(folder);
  slot.fd = fd;
  return {fd, std::move(name)};
}

PosixFileSystem::Located PosixFileSystem::Target(const std::string& path) {
  Located at = At(path);
  // A bare name would be taken in whatever folder the process is in.
  if (at.dir == AT_FDCWD) throw FsError(FsErrorKind::InvalidName, path);
  if (at.dir < 0) throw ErrnoError(at.err, path);
  return at;
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
  // The entry the listing just returned: a folder or a device needs no
  // question to the system (neither carries a read-only bit here).
  if (cursor_ && cursor_->valid && returned_) {
    const Entry& e = cursor_->entries[current_];
    if ((e.type == DT_DIR || IsDeviceType(e.type)) && e.name == name &&
        path.size() == cursor_->folder.size() + name.size() &&
        path.compare(0, cursor_->folder.size(), cursor_->folder) == 0) {
      attrs =
          (e.type == DT_DIR ? std::uint32_t{kAttrDirectory} : std::uint32_t{kAttrDevice}) | hidden;
      return 0;
    }
  }
  const Located at = At(path);
  if (at.dir == -1) return at.err;
  struct stat st {};
  if (::fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
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
    if (::fstatat(at.dir, at.name.c_str(), &target, 0) == 0) {
      if (S_ISDIR(target.st_mode)) attrs |= kAttrDirectory;
      if (IsDeviceMode(target.st_mode)) attrs |= kAttrDevice;
    }
  } else if (S_ISDIR(st.st_mode)) {
    attrs |= kAttrDirectory;
  } else if (IsDeviceMode(st.st_mode)) {
    attrs |= kAttrDevice;
  } else {
    attrs |= kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) attrs |= kAttrReadOnly;
  }
  return 0;
}

FileTime PosixFileSystem::LastWriteTime(const std::string& path) {
  const Located at = At(path);
  if (at.dir == -1) throw ErrnoError(at.err, path);
  if (const struct stat* st = Recent(path); st != nullptr && !S_ISLNK(st->st_mode)) {
    return TimeOf(*st, at.dir, at.name);
  }
  struct stat st {};
  if (::fstatat(at.dir, at.name.c_str(), &st, 0) != 0) throw ErrnoError(errno, path);
  return TimeOf(st, at.dir, at.name);
}

FileTime PosixFileSystem::TimeOf(const struct stat& st, int dir, const std::string& name) {
  std::int64_t step = steps_.Cached(st.st_dev);
  if (step == 0) {
    const UniqueFd fd(::openat(dir, name.c_str(), O_PATH | O_CLOEXEC));
    step = steps_.Of(st.st_dev, fd.get());
  }
  return FileTime{Ns(st.st_mtim), step};
}

bool PosixFileSystem::Identify(const std::string& path, FileId& id) {
  const Located at = At(path);
  struct stat st {};
  if (at.dir == -1 || ::fstatat(at.dir, at.name.c_str(), &st, 0) != 0) return false;
  id = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

std::string PosixFileSystem::ResolvedFolder(const std::string& folder) {
  // The separator makes a file fail as the folder it is not.
  std::string asked = folder;
  if (asked.empty() || asked.back() != kSep) asked += kSep;
  char* resolved = ::realpath(asked.c_str(), nullptr);
  if (resolved == nullptr) throw ErrnoError(errno, folder);
  std::string text(resolved);
  std::free(resolved);
  if (text.empty() || text.back() != kSep) text += kSep;
  return text;
}

bool PosixFileSystem::IsVolumeRoot(const std::string& folder) {
  const UniqueFd fd(OpenLong(AT_FDCWD, folder, O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!fd.ok()) return false;
  // The system says so where it can, bind mounts of a folder included.
  struct statx sx {};
  if (::statx(fd.get(), "", AT_EMPTY_PATH, STATX_INO, &sx) == 0 &&
      (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
    return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  }
  struct stat self {};
  struct stat parent {};
  if (::fstat(fd.get(), &self) != 0 || ::fstatat(fd.get(), "..", &parent, 0) != 0) return false;
  return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

Temporary PosixFileSystem::ClassifyTemporary(const std::string& name) {
  return ClassifyTemporaryName(name, pid_);
}

void PosixFileSystem::RemoveLeftover(const std::string& path) {
  const Located at = Target(path);
  // Only what a finished run of ours left: never the user's file.
  if (ClassifyTemporaryName(at.name, pid_) != Temporary::Dead) {
    throw FsError(FsErrorKind::NotALeftover, path);
  }
  const int rc = ::unlinkat(at.dir, at.name.c_str(), 0);
  const int err = errno;
  Mutated(path);
  if (rc != 0) throw ErrnoError(err, path);
}

void PosixFileSystem::Mutated(const std::string& path) {
  recent_[0].path.clear();
  recent_[1].path.clear();
  std::string self = path;
  while (self.size() > 1 && self.back() == kSep) self.pop_back();
  // The folder that held it, and everything of it when it was a folder:
  // read afresh when next listed.
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
  // An open folder that went (or was moved) must not take the next names.
  for (OpenFolder& f : openFolders_) {
    if (f.fd >= 0 && f.folder.compare(0, self.size() + 1, self + kSep) == 0) {
      ::close(f.fd);
      f.fd = -1;
      f.folder.clear();
    }
  }
}

void PosixFileSystem::NoteChanged(const std::string& path) { Mutated(path); }

void PosixFileSystem::MakeFolder(const std::string& path) {
  const Located at = Target(path);
  const int rc = ::mkdirat(at.dir, at.name.c_str(), 0777);
  const int err = errno;
  Mutated(path);
  if (rc != 0) throw ErrnoError(err, path);
}

void PosixFileSystem::MakeFolderLike(const std::string& path, const std::string& model) {
  const Located from = At(model);
  struct stat like {};
  if (from.dir == -1) throw ErrnoError(from.err, model);
  if (::fstatat(from.dir, from.name.c_str(), &like, 0) != 0) throw ErrnoError(errno, model);
  if (!S_ISDIR(like.st_mode)) throw ErrnoError(ENOTDIR, model);
  // Set-user and set-group bits stay behind; the sticky bit comes along.
  const mode_t mode = like.st_mode & (0777 | S_ISVTX);

  // Made as closed as the model at most, then given its owner, then its
  // mode: never more open on the way.
  const Located at = Target(path);
  // A folder its owner may not write (a read-only source folder's copy)
  // could not take its own entries: the owner gets in until the walk has
  // filled it (EndFilling); nobody else gains anything meanwhile.
  const mode_t fillMode = root_ ? mode : mode | S_IRWXU;
  if (fillMode != mode) finalModes_[FolderKey(path)] = mode;
  const int rc = ::mkdirat(at.dir, at.name.c_str(), fillMode & 0700);
  const int err = errno;
  Mutated(path);
  if (rc != 0) throw ErrnoError(err, path);
  const UniqueFd fd(
      ::openat(at.dir, at.name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.ok()) throw ErrnoError(errno, path);
  if (root_ && ::fchownat(fd.get(), "", like.st_uid, like.st_gid, AT_EMPTY_PATH) != 0 &&
      !CannotKeepOwnerOrMode(errno)) {
    throw ErrnoError(errno, path);
  }
  // The folder just made, by its descriptor: not whatever took its name
  // meanwhile. Without /proc, by its name.
  const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
  int moded = ::fchmodat(AT_FDCWD, self.c_str(), fillMode, 0);
  if (moded != 0 && errno == ENOENT) moded = ::fchmodat(at.dir, at.name.c_str(), fillMode, 0);
  if (moded != 0 && !CannotKeepOwnerOrMode(errno)) throw ErrnoError(errno, path);
}

std::string PosixFileSystem::FolderKey(const std::string& folder) {
  std::string key = folder;
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

void PosixFileSystem::BeginFilling(const std::string& folder) {
  // Root writes anywhere; a folder its owner may write needs nothing.
  if (root_) return;
  const std::string key = FolderKey(folder);
  if (finalModes_.count(key) != 0) return;
  const Located at = At(key);
  if (at.dir == -1) return;
  struct stat st {};
  if (::fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
      (st.st_mode & S_IRWXU) == S_IRWXU || st.st_uid != ::geteuid()) {
    return;
  }
  if (::fchmodat(at.dir, at.name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0) == 0) {
    finalModes_[key] = st.st_mode & 07777;
  }
}

void PosixFileSystem::EndFilling(const std::string& folder) {
  const auto it = finalModes_.find(FolderKey(folder));
  if (it == finalModes_.end()) return;
  const mode_t mode = it->second;
  const std::string key = it->first;
  finalModes_.erase(it);
  const Located at = At(key);
  if (at.dir != -1) ::fchmodat(at.dir, at.name.c_str(), mode, 0);
}

std::string PosixFileSystem::ReadFile(const std::string& path) {
  UniqueFd in(OpenLong(AT_FDCWD, path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!in.ok()) throw ErrnoError(errno, path);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno, path);
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace mirtel
