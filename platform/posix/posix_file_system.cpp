#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/common/list_pattern.h"
#include "platform/posix/extended_attributes.h"
#include "platform/posix/long_path.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/temporary_name.h"
#include "platform/posix/unique_fd.h"

namespace mirtel {

namespace {

bool IsHiddenName(const std::string& name) {
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

bool IsDeviceType(unsigned char type) {
  return type == DT_CHR || type == DT_BLK || type == DT_FIFO || type == DT_SOCK;
}

bool IsDeviceMode(mode_t mode) {
  return S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode);
}

}  // namespace

PosixFileSystem::PosixFileSystem() : pid_(::getpid()), root_(::geteuid() == 0) {}

PosixFileSystem::~PosixFileSystem() = default;

bool PosixFileSystem::Passes(const Listing::Entry& entry) const {
  const bool isDot = entry.name == "." || entry.name == "..";
  if (!(mask_ & kAttrDirectory) && (isDot || entry.type == DT_DIR)) return false;
  if (!(mask_ & kAttrHidden) && IsHiddenName(entry.name)) return false;
  if (IsWholeFolder(names_)) return true;
  return ::fnmatch(names_.c_str(), entry.name.c_str(), FNM_PERIOD) == 0;
}

std::string PosixFileSystem::NameFrom(std::size_t position) {
  // Each step of a listing moves the walk to another entry.
  recent_.Forget();
  if (!current_) {
    cursor_.End();
    return {};
  }
  const std::size_t at = cursor_.NextFrom(position, current_->entries.size(), [&](std::size_t i) {
    return Passes(current_->entries[i]);
  });
  return at == std::string::npos ? std::string() : current_->entries[at].name;
}

std::string PosixFileSystem::ListStart(const std::string& pattern, std::uint32_t mask) {
  auto [folder, names] = SplitListPattern(pattern, "/", "");
  current_.reset();
  cursor_.Begin();
  // Folders are held open only while one listing lasts: a folder replaced
  // between two jobs (or two folders of a walk) is opened afresh by name.
  held_.CloseAll();
  mask_ = mask;
  names_ = std::move(names);
  current_ = listings_.CachedListing(folder);
  if (!current_) {
    current_ = listings_.ReadListing(folder);
    if (current_) listings_.KeepForResume(current_);
  }
  return NameFrom(0);
}

std::string PosixFileSystem::ListNext() {
  if (cursor_.Ended()) {
    throw FsError(FsErrorKind::ListingEnded, current_ ? current_->folder : std::string());
  }
  return NameFrom(cursor_.Next());
}

std::string PosixFileSystem::ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                                             const std::string& name) {
  const std::string folder = SplitListPattern(pattern, "/", "").folder;
  // What was listed there before: another folder put in its place is not
  // the one the walk was in.
  const Listing* before = listings_.Kept(folder);
  const bool listedBefore = before != nullptr;
  const Listing::Stamp was = listedBefore ? before->stamp : Listing::Stamp{};
  ListStart(pattern, mask);
  if (!current_ ||
      (listedBefore && (current_->stamp.dev != was.dev || current_->stamp.ino != was.ino))) {
    current_.reset();
    cursor_.End();
    throw FsError(FsErrorKind::ListingEnded, folder + name);
  }
  return NameFrom(
      ResumePosition(current_->entries, current_->Find(name),
                     [&](const Listing::Entry& e) { return Listing::Before(e, name); }));
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
  if (current_ && current_->valid && cursor_.HasReturned()) {
    const Listing::Entry& e = current_->entries[cursor_.Returned()];
    if ((e.type == DT_DIR || IsDeviceType(e.type)) && e.name == name &&
        path.size() == current_->folder.size() + name.size() &&
        path.compare(0, current_->folder.size(), current_->folder) == 0) {
      attrs =
          (e.type == DT_DIR ? std::uint32_t{kAttrDirectory} : std::uint32_t{kAttrDevice}) | hidden;
      return 0;
    }
  }
  const HeldFolders::Located at = held_.At(path);
  if (at.dir == -1) return at.err;
  struct stat st {};
  if (::fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    const int err = errno;
    // Only a plain "no such entry" is worth remembering: the copy that
    // usually follows then skips its own look.
    if (err == ENOENT) recent_.Remember(path, nullptr);
    return err;
  }
  recent_.Remember(path, &st);
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
  const HeldFolders::Located at = held_.At(path);
  if (at.dir == -1) throw ErrnoError(at.err, path);
  if (const struct stat* st = recent_.Recent(path); st != nullptr && !S_ISLNK(st->st_mode)) {
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

bool PosixFileSystem::ReadFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  const UniqueFd fd(OpenLong(AT_FDCWD, folder.empty() ? std::string(".") : folder,
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.ok()) return errno == ENOENT || errno == ENOTDIR;
  std::vector<Listing::Entry> listed;
  bool dot = false;
  bool dotdot = false;
  try {
    ReadEntries(fd.get(), folder, listed, dot, dotdot);
  } catch (const FsError&) {
    return false;
  }
  entries.reserve(listed.size());
  for (Listing::Entry& e : listed) {
    FolderEntry::Kind kind = FolderEntry::Kind::Unknown;
    if (e.type == DT_REG) kind = FolderEntry::Kind::File;
    if (e.type == DT_DIR) kind = FolderEntry::Kind::Folder;
    if (e.type == DT_LNK) kind = FolderEntry::Kind::Link;
    if (IsDeviceType(e.type)) kind = FolderEntry::Kind::Device;
    entries.push_back({std::move(e.name), kind});
  }
  return true;
}

void PosixFileSystem::ReadAhead(const std::string& folder) {
  const int fd = OpenLong(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return;
  }
  while (::readdir(dir) != nullptr) {
  }
  ::closedir(dir);
}

bool PosixFileSystem::Identify(const std::string& path, FileId& id) {
  const HeldFolders::Located at = held_.At(path);
  struct stat st {};
  if (at.dir == -1 || ::fstatat(at.dir, at.name.c_str(), &st, 0) != 0) return false;
  // The walk identifies a folder just before it makes its copy like it.
  recent_.RememberFollowed(path, st);
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

Temporary PosixFileSystem::ClassifyEntry(const std::string& folder, const std::string& name) {
  const Temporary byName = ClassifyTemporaryName(name, pid_);
  if (byName == Temporary::NotOurs) return byName;
  const HeldFolders::Located at = held_.At(folder + name);
  return at.dir >= 0 && CarriesTemporaryMark(at.dir, at.name) ? byName : Temporary::NotOurs;
}

void PosixFileSystem::RemoveLeftover(const std::string& path) {
  const HeldFolders::Located at = held_.Target(path);
  // Only what a finished run of ours left: never the user's file.
  struct stat st {};
  if (ClassifyTemporaryName(at.name, pid_) == Temporary::Dead &&
      ::fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    throw ErrnoError(errno, path);
  }
  if (ClassifyTemporaryName(at.name, pid_) != Temporary::Dead ||
      !CarriesTemporaryMark(at.dir, at.name)) {
    throw FsError(FsErrorKind::NotALeftover, path);
  }
  const int rc = ::unlinkat(at.dir, at.name.c_str(), 0);
  const int err = errno;
  NoteChanged(path);
  if (rc != 0) throw ErrnoError(err, path);
}

void PosixFileSystem::NoteChanged(const std::string& path) {
  recent_.Forget();
  const std::string entry = WithoutSeparator(path);
  // The folder that held it, and everything of it when it was a folder:
  // read afresh when next listed.
  listings_.NoteChanged(entry);
  if (current_ && current_->ChangedBy(entry)) current_->valid = false;
  // A held folder that went (or was moved) must not take the next names.
  held_.CloseAtOrBelow(entry);
}

void PosixFileSystem::MakeFolder(const std::string& path) {
  const HeldFolders::Located at = held_.Target(path);
  const int rc = ::mkdirat(at.dir, at.name.c_str(), 0777);
  const int err = errno;
  NoteChanged(path);
  if (rc != 0) throw ErrnoError(err, path);
}

void PosixFileSystem::MakeFolderLike(const std::string& path, const std::string& model) {
  struct stat like {};
  // The model open for its extended attributes, before the copy's folder is
  // asked for (a held folder serves until the next At).
  UniqueFd modelFd;
  {
    const HeldFolders::Located from = held_.At(model);
    if (from.dir == -1) throw ErrnoError(from.err, model);
    modelFd = UniqueFd(::openat(from.dir, from.name.c_str(),
                                O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (const struct stat* seen = recent_.RecentFollowed(model); seen != nullptr) {
      like = *seen;
    } else if (::fstatat(from.dir, from.name.c_str(), &like, 0) != 0) {
      throw ErrnoError(errno, model);
    }
  }
  if (!S_ISDIR(like.st_mode)) throw ErrnoError(ENOTDIR, model);
  // Set-user and set-group bits stay behind; the sticky bit comes along.
  mode_t mode = like.st_mode & (0777 | S_ISVTX);

  // Made as closed as the model at most, then given its owner, then its
  // mode: never more open on the way.
  const HeldFolders::Located at = held_.Target(path);
  // A folder its owner may not write (a read-only source folder's copy)
  // could not take its own entries: the owner gets in until the walk has
  // filled it (EndFilling); nobody else gains anything meanwhile.
  mode_t fillMode = root_ ? mode : mode | S_IRWXU;
  const int rc = ::mkdirat(at.dir, at.name.c_str(), fillMode & 0700);
  const int err = errno;
  NoteChanged(path);
  if (rc != 0) throw ErrnoError(err, path);
  // The folder just made, by its descriptor: not whatever took its name
  // meanwhile. Its owner may read it (root, or the owner's bits of
  // fillMode), so it opens for reading, which fchown and fchmod take.
  constexpr int kOpen = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  UniqueFd fd(::openat(at.dir, at.name.c_str(), kOpen));
  if (!fd.ok() && errno == EACCES && ::fchmodat(at.dir, at.name.c_str(), fillMode & 0700, 0) == 0) {
    // A umask that takes even the owner's reading: the owner's bits by name.
    fd = UniqueFd(::openat(at.dir, at.name.c_str(), kOpen));
  }
  if (!fd.ok()) throw ErrnoError(errno, path);
  if (root_ && ::fchown(fd.get(), like.st_uid, like.st_gid) != 0 && !CannotKeepOwnerOrMode(errno)) {
    throw ErrnoError(errno, path);
  }
  // Its user's extended attributes and ACL, before its mode (see Finish).
  if (modelFd.ok()) {
    mode = CopyExtendedAttributes(modelFd.get(), fd.get(), mode);
    fillMode = root_ ? mode : mode | S_IRWXU;
  }
  if (fillMode != mode) finalModes_[WithoutSeparator(path)] = mode;
  if (::fchmod(fd.get(), fillMode) != 0 && !CannotKeepOwnerOrMode(errno)) {
    throw ErrnoError(errno, path);
  }
  // Filled next, and its owner may write it already.
  madeOpen_ = WithoutSeparator(path);
}

void PosixFileSystem::BeginFilling(const std::string& folder) {
  // Root writes anywhere; a folder its owner may write needs nothing.
  if (root_) return;
  const std::string key = WithoutSeparator(folder);
  if (finalModes_.count(key) != 0 || key == madeOpen_) return;
  const HeldFolders::Located at = held_.At(key);
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
  const auto it = finalModes_.find(WithoutSeparator(folder));
  if (it == finalModes_.end()) return;
  const mode_t mode = it->second;
  const std::string key = it->first;
  finalModes_.erase(it);
  const HeldFolders::Located at = held_.At(key);
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
