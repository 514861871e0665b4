// What the Linux tests need besides the layer under test: folders reached a
// name at a time with plain *at calls (deeper than PATH_MAX, sharing no code
// with the layer), scratch mounts, and guards for the current folder, the
// umask and calls that could block.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs_error.h"

namespace mirtel::posix_test {

inline FsErrorKind KindOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const FsError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no FsError";
  return FsErrorKind::Other;
}

inline std::string WhatOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const FsError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no FsError";
  return {};
}

// A descriptor of the test's own.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = o.fd_;
      o.fd_ = -1;
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// The folder `names` below `root`, opened one name at a time.
inline Fd OpenBelow(const std::string& root, const std::vector<std::string>& names) {
  Fd at(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  for (const std::string& n : names) {
    if (at.get() < 0) break;
    at = Fd(::openat(at.get(), n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  }
  return at;
}

// Names in a folder, in byte order, without "." and "..".
inline std::vector<std::string> NamesIn(int dir) {
  std::vector<std::string> names;
  const int copy = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* d = copy < 0 ? nullptr : ::fdopendir(copy);
  if (d == nullptr) {
    ADD_FAILURE() << "folder cannot be read";
    return names;
  }
  while (const dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string ReadAt(int dir, const std::string& name) {
  std::string bytes;
  const Fd in(::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (in.get() < 0) return "<" + std::string(std::strerror(errno)) + ">";
  char buffer[65536];
  for (ssize_t n; (n = ::read(in.get(), buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

inline void WriteAt(int dir, const std::string& name, const std::string& bytes, mode_t mode,
                    std::int64_t ns) {
  const Fd out(::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  ASSERT_GE(out.get(), 0) << std::strerror(errno);
  ASSERT_EQ(::write(out.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ASSERT_EQ(::fchmod(out.get(), mode), 0);
  const timespec times[2] = {{ns / 1000000000, ns % 1000000000},
                             {ns / 1000000000, ns % 1000000000}};
  ASSERT_EQ(::futimens(out.get(), times), 0);
}

inline struct stat StatAt(int dir, const std::string& name) {
  struct stat st {};
  EXPECT_EQ(::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW), 0) << std::strerror(errno);
  return st;
}

// Works in `folder` for the guard's life.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) : saved_(::open(".", O_PATH | O_DIRECTORY)) {
    EXPECT_EQ(::chdir(folder.c_str()), 0);
  }
  ~InFolder() {
    if (saved_.get() >= 0) {
      EXPECT_EQ(::fchdir(saved_.get()), 0);
    }
  }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  Fd saved_;
};

class Umask {
 public:
  explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
  ~Umask() { ::umask(saved_); }
  Umask(const Umask&) = delete;
  Umask& operator=(const Umask&) = delete;

 private:
  mode_t saved_;
};

// A call that blocks ends the whole test program after `seconds` instead
// of hanging it.
class Deadline {
 public:
  explicit Deadline(unsigned seconds) {
    ::signal(SIGALRM, SIG_DFL);
    ::alarm(seconds);
  }
  ~Deadline() { ::alarm(0); }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;
};

// A file system mounted for one test, gone with it. Where this user or
// this machine cannot mount, ok() is false and the test skips.
class ScratchMount {
 public:
  ScratchMount() = default;
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;
  ~ScratchMount() {
    if (!at_.empty()) ::umount2(at_.c_str(), MNT_DETACH);
  }

  bool Tmpfs(const std::string& at, const std::string& size) {
    if (::mount("mirtel-test", at.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) return false;
    at_ = at;
    return true;
  }
  bool Bind(const std::string& from, const std::string& at) {
    if (::mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
    at_ = at;
    return true;
  }
  // Taken away before the test ends, as a disk that is unplugged.
  bool Unmount() {
    if (at_.empty() || ::umount2(at_.c_str(), MNT_DETACH) != 0) return false;
    at_.clear();
    return true;
  }
  // An image file made by a mkfs tool, mounted through a loop device.
  bool Image(const std::string& mkfs, const std::string& image, const std::string& at) {
    if (::geteuid() != 0) return false;
    const std::string quiet = " >/dev/null 2>&1";
    if (std::system(("truncate -s 8M '" + image + "'" + quiet).c_str()) != 0 ||
        std::system((mkfs + " '" + image + "'" + quiet).c_str()) != 0 ||
        std::system(("mount -o loop '" + image + "' '" + at + "'" + quiet).c_str()) != 0) {
      return false;
    }
    at_ = at;
    return true;
  }

 private:
  std::string at_;
};

}  // namespace mirtel::posix_test
