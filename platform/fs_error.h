// A failed file-system operation, as the platform layers report it.
#pragma once

#include <stdexcept>
#include <string>

namespace mirtel {

enum class FsErrorKind {
  NotFound,        // no such entry, folder or drive
  AccessDenied,    // permissions, a read-only file, a locked file
  AlreadyExists,   // make folder: an entry of that name is there
  DiskFull,        // no space left on the volume
  ReadOnlyVolume,  // the volume is mounted read-only
  NameTooLong,     // the path or a name is longer than the system allows
  InvalidName,     // a malformed path or name
  ListingEnded,    // the listing was asked for a name after its last one
  NoRecycleBin,    // nothing can take the item without deleting it for good
  Other,
};

class FsError : public std::runtime_error {
 public:
  FsError(FsErrorKind kind, std::string path, const std::string& detail = {})
      : std::runtime_error(detail.empty() ? path : path + ": " + detail),
        kind_(kind),
        path_(std::move(path)) {}

  FsErrorKind kind() const { return kind_; }
  const std::string& path() const { return path_; }

 private:
  FsErrorKind kind_;
  std::string path_;
};

}  // namespace mirtel
