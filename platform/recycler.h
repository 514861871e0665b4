// Moves a file or a whole folder to the Recycle Bin / Trash.
#pragma once

#include <functional>
#include <string>

namespace mirtel {

class Recycler {
 public:
  virtual ~Recycler() = default;

  // Moves `path` (no trailing separator; a link is moved itself, never what
  // it leads to) to the Recycle Bin / Trash, silently, without confirmation.
  // Never deletes for good: where nothing can take the item it stays, and
  // FsError(NoRecycleBin) is thrown. Any other failure throws FsError too.
  virtual void MoveToRecycleBin(const std::string& path) = 0;

  // The same move as work for another thread, several of which may run at
  // once; it tells nobody of the change, so the caller tells its file
  // system once the work is done. Empty where the system's Recycle Bin is
  // asked only from the thread that made this object.
  virtual std::function<void()> MoveLater(const std::string& path) {
    static_cast<void>(path);
    return {};
  }
};

}  // namespace mirtel
