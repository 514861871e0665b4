// The state one copy job shares between the job driver and the walks, in
// three parts: what the job works on (its roots), what one run counts and
// remembers, and how it was asked to run. A new run resets only the second.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace mirtel {

// The folders of the job and what they are, settled before the walks start.
struct JobRoots {
  std::string MotoFolder;  // source root, ends in the separator
  std::string SakiFolder;  // destination root, ends in the separator
  // Leading characters that form the root of the tree being walked; each
  // walk sets it for itself.
  std::int32_t RootLength = 0;

  // MakeSakiFolder made SakiFolder just now: it holds nothing yet.
  bool SakiFolderMade = false;

  // What the roots are, taken when the job starts (see engine/job_roots.h):
  // the walks compare folders by identity, never by spelling.
  FileId MotoId;
  bool MotoIdKnown = false;
  FileId SakiId;
  bool SakiIdKnown = false;
  std::vector<FileId> MotoAncestors;  // the source root and every folder above it
  bool SourceInsideDest = false;      // pruning would reach the source itself

  // The versions folder where it lies inside SakiFolder: its path below
  // SakiFolder, ending in the separator ("" otherwise). The walks neither
  // copy into it nor prune it.
  std::string VersionsBelowSaki;
};

// What one run counts and remembers; all of it starts afresh with each run.
struct RunCounters {
  std::int32_t CopiedCount = 0;  // files copied (successfully) by the job
  bool FoundFile = false;        // the copy walk met at least one source file
  bool StopFlag = false;         // the user asked the job to stop

  std::int32_t FailedCount = 0;   // entries that failed: copies, removals, folders left unfinished
  std::int32_t RemovedCount = 0;  // items moved to the Recycle Bin / Trash
  // Destination folders whose removal failed in this job: tried once only.
  std::set<std::string> FailedRemovals;
  // Each kind of error box comes once per job; later failures of that kind
  // are listed with their reason only, so a bad volume does not bury the
  // user in boxes.
  bool CopyErrorShown = false;
  bool SyncErrorShown = false;
  bool RemovalErrorShown = false;
  std::string LastRemovalError;  // reason of the last failed removal
  bool NoTrash = false;          // a removal failed because no Trash could take it

  // Pruning stopped because the source root is no longer what it was.
  bool PruningStopped = false;
  // Destination items a preview replaced in its copy walk: its sync walk
  // takes them as replaced already, as after a real copy walk.
  std::set<std::string> DryRunReplaced;
};

// How the job was asked to run.
struct JobFlags {
  // The user agreed to removals for this job (the sync confirmation): type
  // clashes are then settled in the source's favour during the copy walk.
  bool PruneConfirmed = false;
  // A preview: every decision is made and listed as a job would make it,
  // and nothing is changed anywhere.
  bool DryRun = false;
  // Result lines name each item by its path below the walked root, not by
  // its bare name: a log or a terminal keeps no folder context around them.
  bool ItemsByPath = false;
  // Where what the job replaces or removes is kept instead of the Trash:
  // the versions folder of this job (the versions folder + its date and
  // time), ending in the separator; "" for the Trash.
  std::string VersionsFolder;
  // Copies in flight at once: 0 as the destination's volume suits, 1 one
  // after the other.
  std::int32_t Parallel = 0;
};

struct JobState : JobRoots, RunCounters, JobFlags {
  // Starts a new run: every counter and note of the last one goes.
  void ResetRun() { static_cast<RunCounters&>(*this) = RunCounters{}; }
};

// What a sync would remove, counted before anything is removed.
struct PruneCount {
  std::int64_t entries = 0;   // every entry of the destination tree
  std::int64_t removals = 0;  // those that would go, with everything inside them
};

}  // namespace mirtel
