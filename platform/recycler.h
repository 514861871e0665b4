// Moves a file or a whole folder to the Recycle Bin / Trash.
#pragma once

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
};

}  // namespace mirtel
