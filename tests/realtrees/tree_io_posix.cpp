// The test's own file access on POSIX: *at calls from a folder opened step by
// step, so that paths beyond PATH_MAX work as well as short ones.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "tests/realtrees/tree_io.h"

namespace mirtel::realtrees {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, int err) {
  throw std::runtime_error(std::string(what) + " failed (" + std::strerror(err) + "): " + path);
}

// Paths shorter than this go to the system whole.
constexpr std::size_t kShortPath = 3000;

// The folder that holds `path`, open, and the last name within it.
class At {
 public:
  explicit At(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.size() < kShortPath) {
      name_ = p;
      return;
    }
    const std::size_t slash = p.rfind('/');
    name_ = p.substr(slash + 1);
    const std::string parent = p.substr(0, slash + 1);
    std::size_t pos = 0;
    if (parent[0] == '/') {
      dir_ = Open(AT_FDCWD, "/", path);
      pos = 1;
    }
    // Each step opens the longest run of whole names the system takes.
    while (pos < parent.size()) {
      std::size_t end = std::min(parent.size(), pos + kShortPath);
      if (end < parent.size()) end = parent.rfind('/', end - 1) + 1;
      if (end <= pos) Fail("open", path, ENAMETOOLONG);
      const int next = Open(dir_, parent.substr(pos, end - pos), path);
      Close();
      dir_ = next;
      pos = end;
    }
  }
  ~At() { Close(); }
  At(const At&) = delete;
  At& operator=(const At&) = delete;

  int dir() const { return dir_; }
  const char* name() const { return name_.c_str(); }

 private:
  static int Open(int from, const std::string& rel, const std::string& path) {
    const int fd = ::openat(from, rel.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) Fail("open", path, errno);
    return fd;
  }
  void Close() {
    if (dir_ != AT_FDCWD) ::close(dir_);
    dir_ = AT_FDCWD;
  }

  int dir_ = AT_FDCWD;
  std::string name_;
};

struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

Kind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return Kind::File;
  if (S_ISDIR(mode)) return Kind::Folder;
  if (S_ISLNK(mode)) return Kind::Link;
  if (S_ISFIFO(mode)) return Kind::Fifo;
  return Kind::Other;
}

Stat StatOf(const std::string& path, int flags) {
  const At at(path);
  struct stat st {};
  if (::fstatat(at.dir(), at.name(), &st, flags) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    Fail("stat", path, errno);
  }
  Stat s;
  s.kind = KindOf(st.st_mode);
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.mode = st.st_mode & 07777;
  s.allocated = static_cast<std::uint64_t>(st.st_blocks) * 512;
  s.volume = static_cast<std::uint64_t>(st.st_dev);
  s.file = static_cast<std::uint64_t>(st.st_ino);
  s.changeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

void WriteAll(int fd, const char* data, std::size_t size, std::uint64_t offset,
              const std::string& path) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write", path, errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
}

// A new or emptied file open for writing; a read-only one is opened all the
// same (without root, a rewrite would otherwise be refused).
int OpenForWriting(const std::string& path) {
  const At at(path);
  struct stat st {};
  if (::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
    ::fchmodat(at.dir(), at.name(), 0600, 0);
  }
  const int fd =
      ::openat(at.dir(), at.name(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) Fail("create", path, errno);
  return fd;
}

}  // namespace

const Platform& SystemPlatform() {
  static const Platform platform = [] {
    Platform p;
    p.sep = '/';
    p.modes = true;
    p.fifos = true;
    p.invalidUtf8 = true;
    p.caseTwins = true;
    p.links = true;
    p.sparse = true;
    p.trash = true;
    p.deepPathBytes = 4200;
    p.longNameBytes = 255;
    p.timeStep = 1;
    p.destModes = p.modes;
    p.destTimeStep = p.timeStep;
    return p;
  }();
  return platform;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

Stat LookAt(const std::string& path) { return StatOf(path, AT_SYMLINK_NOFOLLOW); }

Stat LookThrough(const std::string& path) { return StatOf(path, 0); }

std::string LinkTarget(const std::string& path) {
  const At at(path);
  std::string target(4096, '\0');
  const ssize_t n = ::readlinkat(at.dir(), at.name(), target.data(), target.size());
  if (n < 0) Fail("readlink", path, errno);
  target.resize(static_cast<std::size_t>(n));
  return target;
}

std::vector<std::string> Names(const std::string& folder) {
  const At at(folder);
  const int fd = ::openat(at.dir(), at.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) Fail("open folder", folder, errno);
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    const int err = errno;
    ::close(fd);
    Fail("list", folder, err);
  }
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(dir);
    if (d == nullptr) break;
    if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0) {
      names.emplace_back(d->d_name);
    }
  }
  const int err = errno;
  ::closedir(dir);
  if (err != 0) Fail("list", folder, err);
  std::sort(names.begin(), names.end());
  return names;
}

std::uint64_t HashOf(const std::string& path) {
  const At at(path);
  const Fd in(::openat(at.dir(), at.name(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.fd < 0) Fail("open", path, errno);
  struct stat st {};
  if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) Fail("hash (not a file)", path, EINVAL);
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  const auto buffer = std::make_unique<unsigned char[]>(kChunk);
  ContentHash hash;
  for (;;) {
    const ssize_t n = ::read(in.fd, buffer.get(), kChunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("read", path, errno);
    }
    if (n == 0) break;
    hash.Add(buffer.get(), static_cast<std::size_t>(n));
  }
  return hash.Value();
}

// A volume without modes (FAT through FUSE) refuses to set any: the entry
// is made all the same.
bool KeepsNoModes(int err) { return err == ENOSYS || err == EOPNOTSUPP; }

void MakeFolder(const std::string& path, std::uint32_t mode) {
  const At at(path);
  if (::mkdirat(at.dir(), at.name(), 0700) != 0) Fail("mkdir", path, errno);
  if (::fchmodat(at.dir(), at.name(), mode, 0) != 0 && !KeepsNoModes(errno)) {
    Fail("chmod", path, errno);
  }
}

void WriteFile(const std::string& path, const std::string& bytes, std::uint32_t mode) {
  const Fd out(OpenForWriting(path));
  WriteAll(out.fd, bytes.data(), bytes.size(), 0, path);
  if (::fchmod(out.fd, mode) != 0 && !KeepsNoModes(errno)) Fail("chmod", path, errno);
}

void WriteSparse(const std::string& path, std::uint64_t size,
                 const std::vector<std::pair<std::uint64_t, std::string>>& pieces,
                 std::uint32_t mode) {
  const Fd out(OpenForWriting(path));
  if (::ftruncate(out.fd, static_cast<off_t>(size)) != 0) Fail("truncate", path, errno);
  for (const auto& [offset, bytes] : pieces) {
    WriteAll(out.fd, bytes.data(), bytes.size(), offset, path);
  }
  if (::fchmod(out.fd, mode) != 0) Fail("chmod", path, errno);
}

void SetTime(const std::string& path, std::int64_t ns) {
  const At at(path);
  timespec times[2];
  times[0].tv_sec = static_cast<time_t>(ns / 1000000000);
  times[0].tv_nsec = static_cast<long>(ns % 1000000000);
  times[1] = times[0];
  if (::utimensat(at.dir(), at.name(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    Fail("set time", path, errno);
  }
}

void SetMode(const std::string& path, std::uint32_t mode) {
  const At at(path);
  if (::fchmodat(at.dir(), at.name(), mode, 0) != 0) Fail("chmod", path, errno);
}

void MakeLink(const std::string& path, const std::string& target, bool /*toFolder*/) {
  const At at(path);
  if (::symlinkat(target.c_str(), at.dir(), at.name()) != 0) Fail("symlink", path, errno);
}

void MakeFifo(const std::string& path) {
  const At at(path);
  if (::mkfifoat(at.dir(), at.name(), 0644) != 0) Fail("mkfifo", path, errno);
}

void Rename(const std::string& from, const std::string& to) {
  const At a(from);
  const At b(to);
  if (::renameat(a.dir(), a.name(), b.dir(), b.name()) != 0)
    Fail("rename", from + " -> " + to, errno);
}

void RemoveTree(const std::string& path) {
  const Stat self = LookAt(path);
  if (self.kind == Kind::Missing) return;
  if (self.kind == Kind::Folder) {
    // Without root, a folder of the user's own that is not writable must be
    // opened up before it can be emptied.
    SetMode(path, 0700);
    for (const std::string& name : Names(path)) RemoveTree(Join(path, name));
  }
  const At at(path);
  if (::unlinkat(at.dir(), at.name(), self.kind == Kind::Folder ? AT_REMOVEDIR : 0) != 0) {
    Fail("remove", path, errno);
  }
}

std::string MakeScratch(const std::string& label) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (tmp != nullptr && tmp[0] == '/' ? std::string(tmp) : "/tmp") +
                        "/mirtel-realtrees-" + label + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp", pattern, errno);
  return pattern;
}

void ChangeDir(const std::string& path) {
  if (::chdir(path.c_str()) != 0) Fail("chdir", path, errno);
}

std::string CurrentDir() {
  char* cwd = ::getcwd(nullptr, 0);
  if (cwd == nullptr) Fail("getcwd", "", errno);
  std::string path(cwd);
  std::free(cwd);
  return path;
}

void SetEnv(const std::string& name, const std::string& value) {
  if (::setenv(name.c_str(), value.c_str(), 1) != 0) Fail("setenv", name, errno);
}

std::uint32_t SetUmask(std::uint32_t mask) { return ::umask(static_cast<mode_t>(mask)); }

}  // namespace mirtel::realtrees
