// A descriptor closed when it goes out of scope.
#pragma once

#include <unistd.h>

#include <cerrno>

namespace mirtel {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.Release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    Reset(o.Release());
    return *this;
  }
  ~UniqueFd() { Reset(); }

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  int Release() {
    const int f = fd_;
    fd_ = -1;
    return f;
  }
  // Closing keeps errno: the error that made us give up is what counts.
  void Reset(int fd = -1) {
    if (fd_ >= 0) {
      const int saved = errno;
      ::close(fd_);
      errno = saved;
    }
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace mirtel
