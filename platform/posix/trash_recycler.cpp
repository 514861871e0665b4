#include "platform/posix/trash_recycler.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/file_system.h"
#include "platform/posix/long_path.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/unique_fd.h"

namespace mirtel {
namespace {

// The folder holding `path`, without a trailing separator; "/" at the top.
std::string FolderAbove(const std::string& path) {
  const std::string folder = WithoutSeparator(ParentOf(path));
  return folder.empty() ? std::string("/") : folder;
}

// $XDG_DATA_HOME, or ~/.local/share; empty when there is no home at all.
std::string DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    const passwd* user = ::getpwuid(::getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  if (home == nullptr || home[0] != '/') return {};
  return std::string(home) + "/.local/share";
}

// Makes `path` and any missing folder above it, each for the user alone.
void MakeFolders(const std::string& path) {
  struct stat st {};
  if (path == "/" || ::stat(path.c_str(), &st) == 0) return;
  MakeFolders(FolderAbove(path));
  ::mkdir(path.c_str(), 0700);
}

// The device of `path`, or of the nearest folder above it that exists.
dev_t DeviceOf(std::string path) {
  struct stat st {};
  while (::stat(path.c_str(), &st) != 0 && path != "/") path = FolderAbove(path);
  return st.st_dev;
}

// `path` is a folder of this user's, made if missing, and not a link that
// could lead the items elsewhere.
bool OwnFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// The home Trash may itself be a link the user set up; its two folders may
// not.
bool TrashFolders(const std::string& trash, bool ownTop) {
  if (ownTop) {
    if (!OwnFolder(trash)) return false;
  } else {
    MakeFolders(trash);
  }
  return OwnFolder(trash + "/files") && OwnFolder(trash + "/info");
}

// The original place as the info file keeps it: a path with every byte but
// the unreserved ones and '/' written as %XX.
std::string PercentEncoded(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The time of deletion in local time, as the info file keeps it.
std::string LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// A name that leaves room for ".trashinfo" and a number, cut between
// characters.
std::string TrashBaseName(std::string name) {
  constexpr std::size_t kMax = 200;
  if (name.size() <= kMax) return name;
  std::size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  name.resize(cut);
  return name;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

TrashRecycler::Trash TrashRecycler::FindTrash(dev_t device, const std::string& item) const {
  // Items on the data folder's volume go to the home Trash.
  const std::string data = DataHome();
  if (!data.empty()) {
    MakeFolders(data);
    if (DeviceOf(data) == device) {
      const std::string trash = data + "/Trash";
      if (!TrashFolders(trash, false)) throw FsError(FsErrorKind::NoRecycleBin, item);
      return {trash + "/files", trash + "/info"};
    }
  }

  // Others to the Trash at the top of their own volume: the real path of
  // their folder up to the last folder on the same device.
  char* real = ::realpath(FolderAbove(item).c_str(), nullptr);
  if (real == nullptr) throw ErrnoError(errno, item);
  std::string top = real;
  std::free(real);
  struct stat st {};
  if (::stat(top.c_str(), &st) != 0 || st.st_dev != device) {
    // A volume's own top folder: it cannot leave its place.
    throw FsError(FsErrorKind::NoRecycleBin, item);
  }
  while (top != "/" && ::stat(FolderAbove(top).c_str(), &st) == 0 && st.st_dev == device) {
    top = FolderAbove(top);
  }
  if (top == "/") top.clear();
  const std::string uid = std::to_string(::getuid());

  // The administrator's shared .Trash counts only as a real folder with the
  // sticky bit; otherwise the user's own .Trash-$uid.
  const std::string shared = top + "/.Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
    const std::string trash = shared + "/" + uid;
    if (TrashFolders(trash, true)) return {trash + "/files", trash + "/info"};
  }
  const std::string trash = top + "/.Trash-" + uid;
  if (TrashFolders(trash, true)) return {trash + "/files", trash + "/info"};
  throw FsError(FsErrorKind::NoRecycleBin, item);
}

TrashRecycler::Trash TrashRecycler::TrashFor(dev_t device, const std::string& item) {
  const std::lock_guard lock(mutex_);
  auto known = trashes_.find(device);
  if (known == trashes_.end()) known = trashes_.emplace(device, FindTrash(device, item)).first;
  return known->second;
}

bool TrashRecycler::MoveInto(const Trash& trash, dev_t device, const std::string& item, int dir,
                             const std::string& name) {
  const std::string base = TrashBaseName(name);
  const std::string info =
      "[Trash Info]\nPath=" + PercentEncoded(item) + "\nDeletionDate=" + LocalNow() + "\n";
  const std::string numbered = trash.info + '/' + base;
  unsigned number = 0;
  {
    const std::lock_guard lock(mutex_);
    number = lastNumber_[numbered];
  }
  for (int tries = 0; tries < 100000; ++tries) {
    ++number;
    const std::string held = number == 1 ? base : base + "." + std::to_string(number);
    // First the info file, made anew under a name nobody holds; then the
    // item, by a rename that never replaces anything.
    const std::string infoPath = trash.info + "/" + held + ".trashinfo";
    const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      const int err = errno;
      if (err == EEXIST) continue;
      if (err == ENOENT) return false;
      throw FsError(FsErrorKind::NoRecycleBin, item);
    }
    const bool written = WriteAll(fd, info);
    if (::close(fd) != 0 || !written) {
      ::unlink(infoPath.c_str());
      throw FsError(FsErrorKind::NoRecycleBin, item);
    }
    const std::string target = trash.files + "/" + held;
    int err = 0;
    // From the item's own folder, held open: a path beyond the system's
    // limit goes as any other.
    bool plain = trash.plainRename;
    if (!plain && ::renameat2(dir, name.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
      err = errno;
      plain = err == EINVAL || err == ENOSYS;
      if (plain) {
        const std::lock_guard lock(mutex_);
        if (const auto known = trashes_.find(device); known != trashes_.end()) {
          known->second.plainRename = true;
        }
      }
    }
    if (plain) {
      // A file system that cannot promise not to replace: the name is ours
      // by its info file, so a plain rename where files/ has it free.
      err = !ClaimPlainName(device, trash, held)                           ? EEXIST
            : ::renameat(dir, name.c_str(), AT_FDCWD, target.c_str()) == 0 ? 0
                                                                           : errno;
      if (err != 0 && err != EEXIST) {
        const std::lock_guard lock(mutex_);
        plainNames_[device].erase(held);
      }
    }
    if (err == 0) {
      const std::lock_guard lock(mutex_);
      unsigned& last = lastNumber_[numbered];
      if (number > last) last = number;
      return true;
    }
    ::unlink(infoPath.c_str());
    if (err == EEXIST || err == ENOTEMPTY) continue;  // a leftover without its info
    struct stat st {};
    if (err == ENOENT || err == EXDEV) {
      // The item gone, or the Trash gone or moved to another volume.
      if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        throw ErrnoError(errno, item);
      }
      return false;
    }
    throw ErrnoError(err, item);
  }
  throw FsError(FsErrorKind::NoRecycleBin, item);
}

bool TrashRecycler::ClaimPlainName(dev_t device, const Trash& trash, const std::string& name) {
  const std::lock_guard lock(mutex_);
  auto known = plainNames_.find(device);
  if (known == plainNames_.end()) {
    // Whatever files/ holds, a leftover without its info file too.
    std::set<std::string> names;
    DIR* folder = ::opendir(trash.files.c_str());
    if (folder == nullptr) {
      struct stat st {};
      return ::lstat((trash.files + "/" + name).c_str(), &st) != 0;
    }
    while (const dirent* entry = ::readdir(folder)) names.insert(entry->d_name);
    ::closedir(folder);
    known = plainNames_.emplace(device, std::move(names)).first;
  }
  return known->second.insert(name).second;
}

void TrashRecycler::MoveToRecycleBin(const std::string& path) {
  Move(path);
  if (fs_ != nullptr) fs_->NoteChanged(path);
}

std::function<void()> TrashRecycler::MoveLater(const std::string& path) {
  return [this, path] { Move(path); };
}

void TrashRecycler::Move(const std::string& given) {
  std::string path = given;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path == "/") {
    throw FsError(FsErrorKind::DriveRoot, given);
  }
  if (path[0] != '/') {
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr) throw ErrnoError(errno, path);
    path = std::string(cwd) + "/" + path;
    std::free(cwd);
  }
  const UniqueFd dir(OpenLong(AT_FDCWD, FolderAbove(path), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) throw ErrnoError(errno, path);
  const std::string name = NameOf(path);
  struct stat st {};
  if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    throw ErrnoError(errno, path);
  }

  // A Trash found earlier may have been removed since: looked up once more.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (MoveInto(TrashFor(st.st_dev, path), st.st_dev, path, dir.get(), name)) return;
    // Its names start afresh with it.
    const std::lock_guard lock(mutex_);
    trashes_.erase(st.st_dev);
    plainNames_.erase(st.st_dev);
    lastNumber_.clear();
  }
  throw FsError(FsErrorKind::NoRecycleBin, path);
}

}  // namespace mirtel
