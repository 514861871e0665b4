// The file system on POSIX calls. Keeps the listings of the folders on the
// walk's path (listing_cache.h) and what it has just seen of the entries
// under work (recent_looks.h); looks every name up with an *at call in its
// folder, held open (held_folders.h), so that paths of any length work and a
// bare name is never taken relative to the process's current folder by a
// change. The copy is in posix_copy.cpp.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/file_system.h"
#include "platform/posix/held_folders.h"
#include "platform/posix/listing_cache.h"
#include "platform/posix/recent_looks.h"
#include "platform/posix/time_steps.h"

namespace mirtel {

// Errors by which a volume says it has no unnamed files (O_TMPFILE).
bool UnnamedFilesRefused(int err);

class PosixFileSystem final : public FileSystem {
 public:
  PosixFileSystem();
  ~PosixFileSystem() override;
  PosixFileSystem(const PosixFileSystem&) = delete;
  PosixFileSystem& operator=(const PosixFileSystem&) = delete;

  std::string ListStart(const std::string& pattern, std::uint32_t mask) override;
  std::string ListNext() override;
  std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                              const std::string& name) override;
  bool ReadFolder(const std::string& folder, std::vector<FolderEntry>& entries) override;
  std::uint32_t Attributes(const std::string& path) override;
  bool TryAttributes(const std::string& path, std::uint32_t& attrs, FsErrorKind& why) override;
  FileTime LastWriteTime(const std::string& path) override;
  void MakeFolder(const std::string& path) override;
  void MakeFolderLike(const std::string& path, const std::string& model) override;
  void CopyFile(const std::string& source, const std::string& dest) override;
  void CopyNewFile(const std::string& source, const std::string& dest) override;
  void CopyFileKeeping(const std::string& source, const std::string& dest,
                       const std::string& keepOldAt) override;
  void MoveAside(const std::string& path, const std::string& target) override;
  void RemoveForGood(const std::string& path) override;
  void ObserveCopies(CopyObserver* observer) override { observer_ = observer; }
  void ReadAhead(const std::string& folder) override;
  bool Identify(const std::string& path, FileId& id) override;
  std::string ResolvedFolder(const std::string& folder) override;
  bool IsVolumeRoot(const std::string& folder) override;
  void LearnVolume(const std::string& folder) override;
  bool IgnoresCase(const std::string& folder) override;
  void RenameInFolder(const std::string& path, const std::string& name) override;
  Temporary ClassifyTemporary(const std::string& name) override;
  Temporary ClassifyEntry(const std::string& folder, const std::string& name) override;
  void RemoveLeftover(const std::string& path) override;
  void NoteChanged(const std::string& path) override;
  void BeginFilling(const std::string& folder) override;
  void EndFilling(const std::string& folder) override;
  std::string ReadFile(const std::string& path) override;
  void WriteFileAtomically(const std::string& path, const std::string& bytes) override;

  std::unique_ptr<PendingCopy> PrepareCopy(const std::string& source, const std::string& dest,
                                           bool toFreeName) override;
  int CopiesInFlight(const std::string& folder) override;

  // A copy in three steps (posix_copy.cpp): planned on the walk's thread
  // from what this object remembers, run on any thread touching nothing of
  // it, and learned from back on the walk's thread.
  struct CopyPlan;
  CopyPlan PlanCopy(const std::string& source, const std::string& dest, bool mayReplace);
  void RunCopy(CopyPlan& plan);
  void Learn(CopyPlan& plan);

  // How many folders were read from the disk (not served from memory).
  std::size_t FolderReads() const { return listings_.FolderReads(); }

 private:
  bool Passes(const Listing::Entry& entry) const;
  std::string NameFrom(std::size_t position);
  // The attributes of `path` into `attrs`; the errno of a failed look, else 0.
  int Query(const std::string& path, std::uint32_t& attrs);

  // The time of `st`, an entry named `name` in `dir`, with its volume's step.
  FileTime TimeOf(const struct stat& st, int dir, const std::string& name);

  // The steps of a copy (posix_copy.cpp).
  // CopyFile, or CopyNewFile where `mayReplace` is false; the old dest moved
  // to `*keepOldAt` where given.
  void Copy(const std::string& source, const std::string& dest, bool mayReplace,
            const std::string* keepOldAt = nullptr);
  // Gives `out` the owner, mode, extended attributes (from open file `in`)
  // and times of `src`; `made` is what the system said of `out`.
  void Finish(int out, int in, const struct stat& src, const struct stat& made, CopyPlan& plan);
  // Gives the unnamed file `fd` the name `name` in `dir`; the errno when it
  // cannot.
  int LinkUnnamed(int fd, int dir, const std::string& name);
  std::atomic<bool> linkByDescriptor_{true};  // until the system refuses it once

  TimeSteps steps_;
  ListingCache listings_{steps_};
  HeldFolders held_;
  RecentLooks recent_;

  // The listing in progress.
  std::shared_ptr<Listing> current_;
  ListingCursor cursor_;
  std::uint32_t mask_ = 0;
  std::string names_;  // the pattern's names, "*.*" for all

  // What a destination volume showed it cannot do (LearnVolume).
  struct VolumeLimits {
    bool ignoresCase = false;
    bool keepsOwnerAndMode = true;
    // The probe's time showed the volume's step: nothing for the copies to
    // read back.
    bool timeStepShown = false;
  };
  // The limits of volume `dev`, learned in `folder` (open as `dir`, on
  // that volume) where not yet.
  const VolumeLimits& LimitsOf(dev_t dev, int dir, const std::string& folder);
  std::unordered_map<dev_t, VolumeLimits> limits_;

  // What a destination volume refused once, never asked of it again in
  // this job: each costs a round trip per file on a share.
  struct Refusals {
    bool unnamedFiles = false;     // O_TMPFILE
    bool noReplaceRename = false;  // RENAME_NOREPLACE
    bool marks = false;            // the extended attribute marking our temporaries
  };
  std::unordered_map<dev_t, Refusals> refused_;
  // Pairs of (source, destination) devices the kernel's copy refused.
  std::set<std::pair<dev_t, dev_t>> noKernelCopy_;

  // Pairs of (source, destination) devices that refused a clone.
  std::set<std::pair<dev_t, dev_t>> noClone_;
  CopyObserver* observer_ = nullptr;

  pid_t pid_;
  bool root_;
  // Modes a folder is to get back once filled (see BeginFilling), by path
  // without its trailing separator.
  std::unordered_map<std::string, mode_t> finalModes_;
  // The folder MakeFolderLike made last, open to its owner already.
  std::string madeOpen_;
  std::atomic<unsigned> tempCounter_{0};
};

}  // namespace mirtel
