// What the program needs of the file system. Paths are UTF-8 (on POSIX, any
// bytes the system gave us), with the native separator; folder paths end in it.
// Every failing call throws FsError.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/fs_error.h"

namespace mirtel {

// Attribute bits, Windows values; the POSIX layer maps onto them.
enum FileAttribute : std::uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrDevice = 0x40,         // a device, FIFO or socket: never opened, never copied
  kAttrReparsePoint = 0x400,  // a symlink or junction (never followed)
};

// Listing mask of the walks: directories + system + hidden, i.e. everything.
inline constexpr std::uint32_t kListEverything = 22;

// The last write of a file, and how finely its volume keeps such times.
struct FileTime {
  std::int64_t ns = 0;          // nanoseconds since 1970-01-01 UTC
  std::int64_t resolution = 1;  // the volume's step in ns: 1 on ext4, 100 on NTFS, 2 s on FAT
};

// What an entry is, whatever path leads to it: device and inode on POSIX,
// volume serial and file index on Windows.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileId&) const = default;
};

// A name of our own temporary copies, as a listing meets it.
enum class Temporary {
  NotOurs,  // the user's entry
  Live,     // being written by a program that still runs
  Dead,     // left by a run that ended before finishing it: ours to remove
};

// An entry of a folder read whole, with what the read itself tells of it.
struct FolderEntry {
  enum class Kind : std::uint8_t {
    Unknown,  // only a look at the entry tells
    File,
    Folder,
    Link,    // a symlink or junction: where it leads takes a look
    Device,  // a device, FIFO or socket
  };
  std::string name;
  Kind kind = Kind::Unknown;
};

// Told how far the copy of one file has got, while it runs, on the thread
// that asked for the copy: a large file shows its progress as it goes.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // `done` of the source's `total` bytes are written (total as the copy
  // began; a file that grows meanwhile may pass it).
  virtual void CopyProgress(const std::string& source, std::uint64_t done, std::uint64_t total) = 0;
};

// One copy of a file split so that its work can run on another thread:
// made on the walk's thread, Run on any one (once, throwing as CopyFile
// does), then Finish on the walk's thread, after Run ended either way.
class PendingCopy {
 public:
  virtual ~PendingCopy() = default;
  virtual void Run() = 0;
  virtual void Finish() {}
  // True when the copy was made already, Run only telling how it went: a
  // stop must still tell it.
  virtual bool Made() const { return false; }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The one listing cursor of the program. `pattern` is a folder path ending
  // in the separator followed by "*.*". Returns the bare name of the first
  // entry, or "" when there is none (also when the folder does not exist).
  // Throws when the folder exists but cannot be read. Starting a listing
  // abandons the one in progress. Re-listing an unchanged folder is cheap.
  // Names come in one fixed order (after "." and ".."), the same for a
  // folder read afresh.
  virtual std::string ListStart(const std::string& pattern, std::uint32_t mask) = 0;

  // The next name of the listing in progress, "" after the last one; asking
  // again after "" throws FsError(ListingEnded).
  virtual std::string ListNext() = 0;

  // Restarts the listing of `pattern` (as ListStart) and skips forward past
  // the entry named exactly `name`, returning the name after it ("" when it
  // was the last). When `name` is no longer listed (moved away meanwhile)
  // the listing goes on with the first name that comes after where it stood.
  // Throws FsError(ListingEnded) when the folder itself is gone.
  virtual std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                                      const std::string& name) = 0;

  // Every entry of `folder` (ending in the separator) but "." and "..", in
  // no particular order, read at once: a walk that asks about most entries
  // of a folder asks the system once instead of once per entry. A folder
  // that is not there reads as empty; false when it cannot be read. This
  // one uses the listing cursor and leaves every kind Unknown: no listing
  // may be in progress.
  virtual bool ReadFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    try {
      for (std::string name = ListStart(folder + "*.*", kListEverything); !name.empty();
           name = ListNext()) {
        if (name != "." && name != "..") entries.push_back({name, FolderEntry::Kind::Unknown});
      }
      return true;
    } catch (const FsError&) {
      return false;
    }
  }

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

  // Last-write time of a file (through a link, of what it leads to), with
  // the resolution of the volume that holds it.
  virtual FileTime LastWriteTime(const std::string& path) = 0;

  // Makes one folder; throws when an entry of that name exists or the parent
  // is missing.
  virtual void MakeFolder(const std::string& path) = 0;

  // Makes one folder as MakeFolder does, with the permissions (and, where
  // the system lets us, the owner) of folder `model`; never more open than
  // that at any moment.
  virtual void MakeFolderLike(const std::string& path, const std::string& model) {
    static_cast<void>(model);
    MakeFolder(path);
  }

  // Around the copy walk's filling of a destination folder: a folder whose
  // mode keeps even its owner from adding entries (a read-only source
  // folder's copy) is opened to its owner for the filling, and given its
  // mode back at the end.
  virtual void BeginFilling(const std::string& folder) { static_cast<void>(folder); }
  virtual void EndFilling(const std::string& folder) { static_cast<void>(folder); }

  // Copies `source` over `dest` soundly: the bytes go to a temporary in
  // dest's folder, get the source's last-write time and permissions and are
  // put in place only when complete. On failure the old dest is untouched and
  // no temporary is left. A read-only dest is replaced only when the source
  // is read-only too (the mark came from it); otherwise AccessDenied. Links to
  // files are copied as the file they lead to; devices, FIFOs and sockets are
  // refused without being opened.
  virtual void CopyFile(const std::string& source, const std::string& dest) = 0;

  // From now on the copies tell `observer` (null: nobody) how far they got,
  // a few times a second at most for a large file, never for a small one.
  virtual void ObserveCopies(CopyObserver* observer) { static_cast<void>(observer); }

  // CopyFile to a name the walk knows to be free (in a folder it has just
  // made), without looking at dest first. When the name is taken meanwhile,
  // what is there stays untouched and FsError AlreadyExists is thrown: the
  // caller then compares as for any existing copy.
  virtual void CopyNewFile(const std::string& source, const std::string& dest) = 0;

  // CopyFile (CopyNewFile where `toFreeName`) as a PendingCopy, whose Run
  // touches nothing the other calls use: several may run at once beside the
  // walk. A system that cannot split its copy does it now, and Run tells
  // how it went. Reports no progress.
  virtual std::unique_ptr<PendingCopy> PrepareCopy(const std::string& source,
                                                   const std::string& dest, bool toFreeName);

  // How many copies into destination folder `folder` are worth having in
  // flight at once: CopiesInFlightOnALocalDisk() on a local disk, 2 on a
  // disk behind a user-space driver, kCopiesInFlightOnAShare where each
  // call waits for a network.
  static constexpr int kCopiesInFlightOnAShare = 32;
  // Two where the machine has two cores to share the work, else one.
  static int CopiesInFlightOnALocalDisk();
  virtual int CopiesInFlight(const std::string& folder) {
    static_cast<void>(folder);
    return 1;
  }

  // Reads the entries of `folder` through at once, changing nothing. A
  // network file system's client keeps the attributes each entry came with
  // in a listing and answers the looks at them that follow from memory, so
  // a walk that is about to look at most of a destination folder's entries
  // on a share saves a round trip each. A folder that cannot be read is
  // left to the looks themselves.
  virtual void ReadAhead(const std::string& folder) { static_cast<void>(folder); }

  // The identity of what `path` names, through links (the roots of a job may
  // be links the user chose). False when it cannot be looked at.
  virtual bool Identify(const std::string& path, FileId& id) = 0;

  // `folder` spelled as the system resolves it: links followed, "." and ".."
  // gone, the system's own letter case and long names. Ends in the separator.
  virtual std::string ResolvedFolder(const std::string& folder) = 0;

  // True when `folder` is the top of a volume (a drive root, a mount point).
  virtual bool IsVolumeRoot(const std::string& folder) = 0;

  // Learns, once per volume, what the volume of destination folder `folder`
  // cannot keep, by what it does with a temporary of ours made there (looked
  // up in another case, given a time and a mode, removed). A volume that
  // cannot be written is left to what its type says.
  virtual void LearnVolume(const std::string& folder) { static_cast<void>(folder); }

  // True when names of `folder` that differ only in letter case are one
  // entry there (FAT, exFAT, NTFS as Windows uses it; on Windows a folder
  // may be set otherwise).
  virtual bool IgnoresCase(const std::string& folder) {
    static_cast<void>(folder);
    return false;
  }

  // Gives entry `path` the name `name` in the same folder: a change of its
  // letter case. Never replaces another entry.
  virtual void RenameInFolder(const std::string& path, const std::string& name) {
    static_cast<void>(name);
    throw FsError(FsErrorKind::Other, path);
  }

  // Moves entry `path` (a file, a link, a whole folder) to `target`, whose
  // folder exists, on the same volume: a rename, never a copy. Never
  // replaces what is at `target` (AlreadyExists).
  virtual void MoveAside(const std::string& path, const std::string& target) {
    static_cast<void>(target);
    throw FsError(FsErrorKind::Other, path);
  }

  // CopyFile, where the old dest is moved to `keepOldAt` (as MoveAside) only
  // once the new copy is complete, just before it takes dest's place. When
  // the copy or the move fails, the old dest stays where it was.
  virtual void CopyFileKeeping(const std::string& source, const std::string& dest,
                               const std::string& keepOldAt) {
    static_cast<void>(source);
    static_cast<void>(keepOldAt);
    throw FsError(FsErrorKind::Other, dest);
  }

  // Deletes a file, a link or an empty folder for good (a link itself,
  // never what it leads to). Only kept versions the user asked to drop
  // ever go this way.
  virtual void RemoveForGood(const std::string& path) { throw FsError(FsErrorKind::Other, path); }

  // Whether a listed name is one of our own temporary copies.
  virtual Temporary ClassifyTemporary(const std::string& name) {
    static_cast<void>(name);
    return Temporary::NotOurs;
  }

  // Whether entry `name` of `folder` is one of our own temporary copies:
  // named by our rule and carrying the mark only our copies carry while
  // they are written. Anything else is the user's, whatever its name.
  virtual Temporary ClassifyEntry(const std::string& folder, const std::string& name) {
    static_cast<void>(folder);
    return ClassifyTemporary(name);
  }

  // Deletes a dead temporary copy of ours for good (it never was the
  // user's); throws FsError(NotALeftover) for anything else.
  virtual void RemoveLeftover(const std::string& path) = 0;

  // Something other than this object (the Recycle Bin / Trash) moved or
  // removed `path`: what is remembered of it and its folder is dropped.
  virtual void NoteChanged(const std::string& path) { static_cast<void>(path); }

  // Whole-file access for the program's own small data file.
  virtual std::string ReadFile(const std::string& path) = 0;
  // Writes a temporary file beside `path` and renames it over `path`.
  virtual void WriteFileAtomically(const std::string& path, const std::string& bytes) = 0;
};

// The copy done at once, its outcome kept for Run.
class FinishedCopy final : public PendingCopy {
 public:
  explicit FinishedCopy(std::exception_ptr error) : error_(std::move(error)) {}
  void Run() override {
    if (error_) std::rethrow_exception(error_);
  }
  bool Made() const override { return true; }

 private:
  std::exception_ptr error_;
};

inline std::unique_ptr<PendingCopy> FileSystem::PrepareCopy(const std::string& source,
                                                            const std::string& dest,
                                                            bool toFreeName) {
  std::exception_ptr error;
  try {
    if (toFreeName) {
      CopyNewFile(source, dest);
    } else {
      CopyFile(source, dest);
    }
  } catch (...) {
    error = std::current_exception();
  }
  return std::make_unique<FinishedCopy>(error);
}

}  // namespace mirtel
