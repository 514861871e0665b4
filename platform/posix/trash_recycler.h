// The Trash of the desktop (freedesktop.org layout), through QtCore.
#pragma once

#include <string>

#include "platform/recycler.h"

namespace mirtel {

class PosixFileSystem;

class TrashRecycler : public Recycler {
 public:
  // `fs`, when given, learns about every item moved away.
  explicit TrashRecycler(PosixFileSystem* fs = nullptr) : fs_(fs) {}

  void MoveToRecycleBin(const std::string& path) override;

 private:
  PosixFileSystem* fs_;
};

}  // namespace mirtel
