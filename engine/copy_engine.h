// The copy walk, the sync pruning and the destination subfolder of a job.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "engine/copy_pool.h"
#include "engine/job_state.h"
#include "engine/ordered_walk_view.h"
#include "platform/file_system.h"
#include "platform/recycler.h"
#include "platform/walk_view.h"

namespace mirtel {

// The shell file operation the sync walk asks for: removal, always to the
// Recycle Bin / Trash.
inline constexpr std::int32_t kFoDelete = 3;

class CopyEngine {
 public:
  CopyEngine(FileSystem& fs, Recycler& recycler, WalkView& view, JobState& state)
      : fs_(fs), recycler_(recycler), ordered_(view), view_(ordered_), state_(state) {}

  // Points SakiFolder into a subfolder named after the source folder and
  // makes it (a failure to make it is left to the caller's check).
  void MakeSakiFolder();

  // Brings the destination up to date with source folder `folder` (MotoFolder
  // or a folder below it) and everything below it. An
  // error on one entry fails that entry only; the walk goes on. `destMade`:
  // the walk made the destination folder just now, so its names are free
  // unless something takes one meanwhile.
  void FolderCopy(const std::string& folder, bool destMade = false);

  // Moves to the Recycle Bin / Trash what destination folder `folder` holds
  // that `motoRoot` no longer has (`folder` is SakiFolder or a folder below
  // it). Stops at once when the source root is no longer the folder
  // the job started with.
  void StartSync(const std::string& folder, const std::string& motoRoot);

  // Counts what StartSync would remove from SakiFolder, removing nothing.
  PruneCount CountPruning();

  // The shell file operation on one item; returns false (after telling the
  // user) when the item did not go. Removal is the only operation, and it
  // always goes to the Recycle Bin / Trash: no target and no flags to give.
  bool FileCopySub(const std::string& from, std::int32_t operation);

 private:
  // The walks themselves, below the root each public entry sets.
  void CopyFolder(const std::string& folder, bool destMade);
  void PruneFolder(const std::string& folder, const std::string& motoRoot);
  // Where the copy walk goes after one source entry.
  enum class Next {
    Stay,            // on with the next entry
    Descend,         // into the folder, which was there
    DescendIntoMade  // into the folder, made just now
  };
  // True when names `earlier` and `name` of source folder `folder`, which
  // fold alike, are one entry in destination folder `sakiBase` and
  // `earlier` is one the walk copies there.
  bool OneEntryAtDest(const std::string& folder, const std::string& sakiBase,
                      const std::string& earlier, const std::string& name);
  // One source entry of the copy walk, to `dest` in a folder the walk made
  // just now (`inMade`) or not.
  Next CopyEntry(const std::string& folder, const std::string& name, const std::string& dest,
                 bool inMade);
  Next PrepareFolder(const std::string& source, const std::string& name, const std::string& dest,
                     std::uint32_t attrs, bool inMade);
  // Makes destination folder `dest` like `source`; on failure, a line and
  // the error box. Taken: the name was taken meanwhile, nothing is said and
  // the caller looks at what is there.
  enum class Made { Yes, Failed, Taken };
  Made MakeFolderFor(const std::string& dest, const std::string& source, const std::string& name);
  // What the walk knows of a destination name before it copies a file there.
  enum class DestName {
    Unknown,  // to be looked at
    Free,     // in a folder made just now
    Freed     // what held it went to the Trash just now, and is not to go again
  };
  void CopyFileEntry(const std::string& source, const std::string& dest, const std::string& name,
                     DestName known);
  // Whether a copy makes a new file or replaces an older copy: the line
  // the user reads says which.
  enum class CopyKind { New, Overwrite };
  // Copies one file and tells the user. To a free name (`toFreeName`), and
  // false then, with nothing done, when the name was taken meanwhile.
  bool CopyOne(const std::string& source, const std::string& dest, const std::string& name,
               CopyKind kind, bool toFreeName = false);
  // CopyOne on the pool where there is one: the copy runs on a worker and
  // its line comes in the walk's order; a free name taken meanwhile is then
  // looked at as CopyFileEntry does. False where there is no pool.
  bool CopyOnPool(const std::string& source, const std::string& dest, const std::string& name,
                  CopyKind kind, bool toFreeName, DestName known);
  // What CopyOne's outcome means for the user: counted and told.
  bool CopyOutcome(const std::string& source, const std::string& name, CopyKind kind,
                   bool toFreeName, std::exception_ptr error);
  // After a copy to a free name found it taken: what is there now decides.
  void NameTaken(const std::string& source, const std::string& dest, const std::string& name,
                 DestName known);
  // A file at dest: the newer one wins.
  void CompareAndCopy(const std::string& source, const std::string& dest, const std::string& name,
                      std::uint32_t destAttrs, DestName known);
  // What a pool of the walks does while the walk waits for it: the window
  // stays responsive, and a stop drops what no worker has started.
  std::function<bool()> PoolIdle();
  // The end of a walk with a pool: after a stop nothing more is handed out
  // and what is in flight is finished and told; otherwise all is told.
  void EndPool(CopyPool& pool);
  // Runs `step` once every copy handed out before it is done (at once
  // without a pool).
  void AfterCopies(std::function<void()> step);

  // One destination entry of the sync walk; true when the walk used the
  // listing cursor (a descent) and must resume after `name`.
  bool PruneEntry(const std::string& folder, const std::string& motoRoot,
                  const std::string& relative, const std::string& name, const FileId& motoHere);
  bool SourceStillThere(const std::string& motoFolder, const FileId& motoHere);
  // For a destination that ignores case: the name of source folder
  // `motoFolder` that folds like `name` but is spelled otherwise, "" for
  // none. Uses the listing cursor.
  std::string SourceSpelling(const std::string& motoFolder, const std::string& name);
  void CountFolder(const std::string& folder, const std::string& relative, bool removing,
                   PruneCount& count);
  void CountEntries(const std::string& folder, const std::string& relative, bool removing,
                    PruneCount& count);
  // The line of a removal: done, or planned in a preview.
  std::string RemovalLine(const std::string& name, bool isFolder) const;
  // The sync walk's removal of `path`, counted and told.
  void RemoveItem(const std::string& path, const std::string& shown, const std::string& label,
                  bool isFolder);
  void RemovalTold(const std::string& path, const std::string& shown, const std::string& label,
                   bool isFolder, bool removed);
  // A removal that failed with `error`: the reason kept for the line, the
  // error box once a job. Call inside a catch block.
  void RemovalFailed(const std::exception& error);
  void StopPruning();

  // A destination item whose source counterpart is of the other kind (file
  // against folder): to the Recycle Bin / Trash, and the source's item made
  // in its place. True when the walk used the listing cursor.
  bool ReplaceWithSource(const std::string& dest, const std::string& source,
                         const std::string& name, bool sourceIsFolder);

  // Failures: a line naming the item with the reason, counted; the walk's
  // error box once per job.
  void EntryFailed(const std::string& text, const std::exception& error);
  // The walks' error traps, each once a job; call inside a catch block.
  void CopyTrapBox();
  void SyncTrapBox();

  FileSystem& fs_;
  Recycler& recycler_;
  OrderedWalkView ordered_;
  WalkView& view_;            // ordered_
  CopyPool* pool_ = nullptr;  // during a copy walk with copies in flight
  // The destination is on a share: each of its folders is read through
  // before its entries are looked at one by one (FileSystem::ReadAhead).
  bool readAheadDest_ = false;
  // How many moves to the Trash the sync walk may have in flight (1: each
  // in its turn), and the pool they run on once there is one.
  int removalsInFlight_ = 1;
  std::unique_ptr<CopyPool> removalPool_;
  JobState& state_;
};

}  // namespace mirtel
