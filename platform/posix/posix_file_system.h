// The file system on POSIX calls. Keeps the listings of the folders on the
// walk's path, so that re-listing an unchanged folder after a descent costs
// one stat and a hash look-up. Every name is looked up with an *at call in
// its folder, held open, so that paths of any length work and a bare name is
// never taken relative to the process's current folder by a change.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/time_steps.h"

namespace mirtel {

class PosixFileSystem : public FileSystem {
 public:
  PosixFileSystem();
  ~PosixFileSystem() override;
  PosixFileSystem(const PosixFileSystem&) = delete;
  PosixFileSystem& operator=(const PosixFileSystem&) = delete;

  std::string ListStart(const std::string& pattern, std::uint32_t mask) override;
  std::string ListNext() override;
  std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                              const std::string& name) override;
  std::uint32_t Attributes(const std::string& path) override;
  bool TryAttributes(const std::string& path, std::uint32_t& attrs, FsErrorKind& why) override;
  FileTime LastWriteTime(const std::string& path) override;
  void MakeFolder(const std::string& path) override;
  void MakeFolderLike(const std::string& path, const std::string& model) override;
  void CopyFile(const std::string& source, const std::string& dest) override;
  bool Identify(const std::string& path, FileId& id) override;
  std::string ResolvedFolder(const std::string& folder) override;
  bool IsVolumeRoot(const std::string& folder) override;
  Temporary ClassifyTemporary(const std::string& name) override;
  void RemoveLeftover(const std::string& path) override;
  void NoteChanged(const std::string& path) override;
  void BeginFilling(const std::string& folder) override;
  void EndFilling(const std::string& folder) override;
  std::string ReadFile(const std::string& path) override;
  void WriteFileAtomically(const std::string& path, const std::string& bytes) override;

  // How many folders were read from the disk (not served from memory).
  std::size_t FolderReads() const { return folderReads_; }

 private:
  struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    nlink_t nlink = 0;
    timespec mtime{};
    timespec ctime{};
    bool operator==(const Stamp& o) const;
  };
  struct Entry {
    std::string name;
    unsigned char type;  // d_type, DT_UNKNOWN when the system did not say
  };
  struct Listing {
    std::string folder;  // ends in the separator
    Stamp stamp;
    // Read so soon after the folder's last change that a further change
    // could leave the same stamp: never served again from memory.
    bool racy = false;
    std::vector<Entry> entries;  // "." and ".." first, then in byte order
    std::size_t dots = 0;        // how many of those two there are
    std::unordered_map<std::string_view, std::size_t> index;  // built on first need
    bool valid = true;  // false once this object changed the folder
    std::size_t Find(const std::string& name);
  };

  std::shared_ptr<Listing> Acquire(const std::string& folder);
  std::shared_ptr<Listing> Read(const std::string& folder);
  bool Passes(const Entry& entry) const;
  std::string Advance();
  void Mutated(const std::string& path);
  // lstat result remembered for `path`; null when none or when it is absent.
  const struct stat* Recent(const std::string& path) const;
  // The attributes of `path` into `attrs`; the errno of a failed look, else 0.
  int Query(const std::string& path, std::uint32_t& attrs);

  std::vector<std::shared_ptr<Listing>> path_;  // the folders on the walk's path
  std::shared_ptr<Listing> cursor_;
  std::size_t next_ = 0;     // next entry the cursor looks at
  std::size_t current_ = 0;  // entry it returned last
  bool returned_ = false;    // current_ is meaningful
  bool ended_ = true;
  std::uint32_t mask_ = 0;
  std::string glob_;
  std::size_t folderReads_ = 0;

  // lstat results of the entry under work, so that Attributes followed by
  // LastWriteTime asks the system once, and a copy to a name just found
  // missing need not look again. Cleared at every step of a listing and at
  // every change this object makes.
  struct RecentStat {
    std::string path;
    bool absent = false;  // the system said there is no such entry
    struct stat st {};
  };
  RecentStat recent_[2];
  int recentNext_ = 0;
  void Remember(const std::string& path, const struct stat* st);
  bool KnownAbsent(const std::string& path) const;

  // Two folders held open for the *at calls, the walk's source and
  // destination folder: a name looked up in an open folder costs the
  // system one step instead of the whole path. Closed at every start of a
  // listing, and when this object removes or moves the folder or one above.
  struct OpenFolder {
    std::string folder;  // ends in the separator
    int fd = -1;
  };
  OpenFolder openFolders_[2];
  int lastOpenFolder_ = 0;
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
  void CloseFolders();
  // A folder path as the key of finalModes_: without its trailing separator.
  static std::string FolderKey(const std::string& folder);

  // The time of `st`, an entry named `name` in `dir`, with its volume's step.
  FileTime TimeOf(const struct stat& st, int dir, const std::string& name);
  TimeSteps steps_;

  // The steps of a copy (posix_copy.cpp).
  struct Source;
  void CopyInto(int out, const Source& from, const std::string& source, const std::string& dest);
  void Finish(int out, const struct stat& src, const std::string& dest);
  // Pairs of (source, destination) devices that refused a clone.
  std::set<std::pair<dev_t, dev_t>> noClone_;

  pid_t pid_;
  bool root_;
  // Modes a folder is to get back once filled (see BeginFilling), by path.
  std::unordered_map<std::string, mode_t> finalModes_;
  unsigned tempCounter_ = 0;
};

}  // namespace mirtel
