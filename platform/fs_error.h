// A failed file-system operation, as the platform layers report it: what
// went wrong (its kind), on which path, and the system's own diagnostic
// where it has one. The texts a user reads are made from the kind, in one
// place of the core (engine/error_text.h); a platform writes none.
#pragma once

#include <stdexcept>
#include <string>

namespace mirtel {

enum class FsErrorKind {
  NotFound,           // no such entry, folder or drive
  AccessDenied,       // permissions, a locked file
  AlreadyExists,      // make folder: an entry of that name is there
  DiskFull,           // no space left on the volume
  ReadOnlyVolume,     // the volume is mounted read-only
  NameTooLong,        // the path or a name is longer than the system allows
  InvalidName,        // a malformed path or name
  ListingEnded,       // the listing was asked for a name after its last one
  NoRecycleBin,       // nothing can take the item without deleting it for good
  NotAFile,           // a device, FIFO or socket: never opened, never copied
  FolderInTheWay,     // a folder stands where a file is to go
  ReadOnlyFile,       // a read-only copy whose source is not read-only: someone protected it
  NotALeftover,       // not one of our dead temporary copies: never deleted
  VolumeUnreachable,  // the drive or network share is not there
  FolderGone,         // a folder being listed went away or was replaced
  UnknownRealName,    // the system cannot tell a folder's real name
  FileTooLarge,       // larger than the program's own small data file can be
  EmptyPath,          // no path at all
  NulInPath,          // a NUL character inside a path
  NotUtf8,            // a name that is not UTF-8 (where the system needs UTF-16)
  DriveRoot,          // a drive root cannot go to the Recycle Bin / Trash
  RecycleStopped,     // the Recycle Bin stopped part way
  RecycleFailed,      // the Recycle Bin refused the item
  RecycleStranded,    // moved aside to be recycled, then neither recycled nor put back
  Other,
};

class FsError : public std::runtime_error {
 public:
  // `diagnostic` is the system's own word (strerror, a Windows message, a
  // code) or, for RecycleStranded, where the item now is.
  FsError(FsErrorKind kind, std::string path, const std::string& diagnostic = {})
      : std::runtime_error(diagnostic.empty() ? path : path + ": " + diagnostic),
        kind_(kind),
        path_(std::move(path)),
        diagnostic_(diagnostic) {}

  FsErrorKind kind() const { return kind_; }
  const std::string& path() const { return path_; }
  const std::string& diagnostic() const { return diagnostic_; }

 private:
  FsErrorKind kind_;
  std::string path_;
  std::string diagnostic_;
};

}  // namespace mirtel
