// A few folders held open for the *at calls: the walk's source and
// destination folder, and those its guards look at between them. A name looked up in an open folder
// costs the system one step instead of the whole path, works at any depth, and is never taken
// relative to the process's current folder.
//
// A folder stays held until the file system closes them all (at every
// start of a listing: a folder replaced between two jobs is opened afresh
// by its name) or closes those at or below an entry it changed or was told
// about (a folder moved away must not take the next names).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace mirtel {

class HeldFolders {
 public:
  HeldFolders() = default;
  ~HeldFolders() { CloseAll(); }
  HeldFolders(const HeldFolders&) = delete;
  HeldFolders& operator=(const HeldFolders&) = delete;

  // The folder of `path`, open, and the last name of `path` within it (a
  // trailing separator dropped). One value, so that no call can read the
  // name before it is filled. `dir` is AT_FDCWD for a bare name, which only
  // a look may use (Target refuses it), and -1 with `err` set when the
  // folder cannot be opened.
  struct Located {
    int dir;
    std::string name;
    int err = 0;
  };
  Located At(const std::string& path);
  // At for a change: throws where `path` has no folder or it cannot be
  // opened.
  Located Target(const std::string& path);

  // The device of held folder `dir` (as At returned it), looked at once
  // while it is held; 0 where it cannot be told.
  dev_t Device(int dir);

  void CloseAll();
  // Closes the held folders that are `entry` or lie below it.
  void CloseAtOrBelow(const std::string& entry);

 private:
  struct Held {
    std::string folder;  // ends in the separator
    int fd = -1;
    dev_t dev = 0;  // 0: not looked at yet
    std::uint64_t used = 0;
  };
  // A sync looks at the source's folder, the destination's and the
  // source root's parent for each entry it removes: all stay held.
  static constexpr int kHeld = 4;
  Held held_[kHeld];
  int last_ = 0;  // the one used last
  std::uint64_t uses_ = 0;
};

}  // namespace mirtel
