// The listings of the folders on the walk's path: the folder being listed
// and those above it, so that resuming a folder after a descent costs one
// stat and a hash look-up instead of reading it again.
//
// A kept listing is served again only while
//   - its folder's stamp (device, inode, link count, change and
//     modification times) is what it was when read: a change by anyone
//     else shows there;
//   - this file system has not changed the folder (or one above it), nor
//     been told of such a change (NoteChanged);
//   - it was not read so soon after the folder's last change that a
//     further change could leave the same stamp ("racy": read afresh each
//     time);
//   - the walk has not left it (a listing of a folder not below it drops it).
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/listing_cursor.h"
#include "platform/posix/time_steps.h"

namespace mirtel {

// One folder as read by one pass of readdir, in the fixed order.
struct Listing {
  struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    nlink_t nlink = 0;
    timespec mtime{};
    timespec ctime{};
    static Stamp Of(const struct stat& st);
    bool operator==(const Stamp& o) const;
  };
  struct Entry {
    std::string name;
    unsigned char type;  // d_type, DT_UNKNOWN when the system did not say
  };

  std::string folder;  // ends in the separator
  Stamp stamp;
  bool racy = false;
  std::vector<Entry> entries;  // "." and ".." first, then in byte order
  bool valid = true;           // false once this file system changed the folder

  // The position of `name`, npos when it is not listed.
  std::size_t Find(const std::string& name) { return index_.Find(entries, name); }
  // Whether `entry` comes before `name` in the order.
  static bool Before(const Entry& entry, const std::string& name);
  // Whether a change to `entry` (without a trailing separator) changed
  // this folder: `entry` is in it, or is it or above it.
  bool ChangedBy(const std::string& entry) const;

 private:
  NameIndex index_;
};

// Every entry of open folder `fd` as the system lists it, "." and ".."
// apart (`dot`, `dotdot`: whether they were listed). Throws ErrnoError
// naming `folder`.
void ReadEntries(int fd, const std::string& folder, std::vector<Listing::Entry>& entries, bool& dot,
                 bool& dotdot);

class ListingCache {
 public:
  explicit ListingCache(TimeSteps& steps) : steps_(steps) {}

  // The listing kept for `folder` while it still holds (see above), else
  // null; first forgets the listings of folders not on the way to it.
  std::shared_ptr<Listing> CachedListing(const std::string& folder);
  // `folder` read afresh; null when it is not there (or not a folder).
  // Throws FsError when it is there but cannot be read.
  std::shared_ptr<Listing> ReadListing(const std::string& folder);
  // Keeps `listing` for the resumes to come.
  void KeepForResume(std::shared_ptr<Listing> listing);
  // The listing last kept for `folder`, fresh or not; null when none.
  const Listing* Kept(const std::string& folder) const;

  // `entry` (without a trailing separator) was changed, moved or removed:
  // the listing of its folder and those of it and below are read afresh.
  void NoteChanged(const std::string& entry);

  // How many folders were read from the disk (not served from memory).
  std::size_t FolderReads() const { return folderReads_; }

 private:
  TimeSteps& steps_;
  std::vector<std::shared_ptr<Listing>> path_;
  std::size_t folderReads_ = 0;
};

}  // namespace mirtel
