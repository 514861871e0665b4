// What the program needs of the file system. Paths are UTF-8 (on POSIX, any
// bytes the system gave us), with the native separator; folder paths end in it.
// Every failing call throws FsError.
#pragma once

#include <cstdint>
#include <string>

#include "platform/fs_error.h"

namespace mirtel {

// Attribute bits, Windows values; the POSIX layer maps onto them.
enum FileAttribute : std::uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrReparsePoint = 0x400,  // a symlink or junction (never followed)
};

// Listing mask of the walks: directories + system + hidden, i.e. everything.
inline constexpr std::uint32_t kListEverything = 22;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The one listing cursor of the program. `pattern` is a folder path ending
  // in the separator followed by "*.*". Returns the bare name of the first
  // entry, or "" when there is none (also when the folder does not exist).
  // Throws when the folder exists but cannot be read. Starting a listing
  // abandons the one in progress. Re-listing an unchanged folder is cheap.
  virtual std::string ListStart(const std::string& pattern, std::uint32_t mask) = 0;

  // The next name of the listing in progress, "" after the last one; asking
  // again after "" throws FsError(ListingEnded).
  virtual std::string ListNext() = 0;

  // Restarts the listing of `pattern` (as ListStart) and skips forward to the
  // entry named exactly `name`, returning the name after it ("" when `name`
  // was the last). Throws FsError(ListingEnded) when `name` is not listed:
  // the same outcome as taking names one by one until it turns up, without
  // the quadratic cost.
  virtual std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                                      const std::string& name) = 0;

  // Attribute bits of the entry itself (a link is reported as a link, with
  // kAttrDirectory when it leads to a folder, never followed). Throws
  // FsError(NotFound) when there is no such entry.
  virtual std::uint32_t Attributes(const std::string& path) = 0;

  // Attributes without an exception where the entry cannot be looked at:
  // false, with the reason in `why` (NotFound for no such entry). The walks
  // ask this of every destination name, most of them missing on a first
  // copy, where an exception each would cost more than the question.
  virtual bool TryAttributes(const std::string& path, std::uint32_t& attrs, FsErrorKind& why) {
    try {
      attrs = Attributes(path);
      return true;
    } catch (const FsError& e) {
      why = e.kind();
      return false;
    }
  }

  // Last-write time of a file in whole seconds of UTC (fractions dropped).
  virtual std::int64_t LastWriteTime(const std::string& path) = 0;

  // Makes one folder; throws when an entry of that name exists or the parent
  // is missing.
  virtual void MakeFolder(const std::string& path) = 0;

  // Copies `source` over `dest` soundly: the bytes go to a temporary name in
  // dest's folder, get the source's last-write time and are renamed into
  // place. On failure the old dest is untouched and no temporary is left. A
  // read-only dest is not replaced (AccessDenied). Links to files are copied
  // as the file they lead to.
  virtual void CopyFile(const std::string& source, const std::string& dest) = 0;

  // Whole-file access for the program's own small data file.
  virtual std::string ReadFile(const std::string& path) = 0;
  // Writes a temporary file beside `path` and renames it over `path`.
  virtual void WriteFileAtomically(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace mirtel
