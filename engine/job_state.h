// The state one copy job shares between the job driver and the walks.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace mirtel {

struct JobState {
  std::string MotoFolder;        // source root, ends in the separator
  std::string SakiFolder;        // destination root, ends in the separator
  std::int32_t RootLength = 0;   // leading characters that form the walked root
  std::int32_t CopiedCount = 0;  // files copied (successfully) by the job
  bool FoundFile = false;        // the copy walk met at least one source file
  bool StopFlag = false;         // the user asked the job to stop
  std::int64_t MotoDate = 0;     // ns of UTC of the file pair under comparison
  std::int64_t SakiDate = 0;

  // MakeSakiFolder made SakiFolder just now: it holds nothing yet.
  bool SakiFolderMade = false;

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

  // What the roots are, taken when the job starts (see engine/job_roots.h):
  // the walks compare folders by identity, never by spelling.
  FileId MotoId;
  bool MotoIdKnown = false;
  FileId SakiId;
  bool SakiIdKnown = false;
  std::vector<FileId> MotoAncestors;  // the source root and every folder above it
  bool SourceInsideDest = false;      // pruning would reach the source itself

  // The user agreed to removals for this job (the sync confirmation): type
  // clashes are then settled in the source's favour during the copy walk.
  bool PruneConfirmed = false;
  // Pruning stopped because the source root is no longer what it was.
  bool PruningStopped = false;

  // A preview: every decision is made and listed as a job would make it,
  // and nothing is changed anywhere.
  bool DryRun = false;
  // Result lines name each item by its path below the walked root, not by
  // its bare name: a log or a terminal keeps no folder context around them.
  bool ItemsByPath = false;
  // Destination items a preview replaced in its copy walk: its sync walk
  // takes them as replaced already, as after a real copy walk.
  std::set<std::string> DryRunReplaced;
};

// What a sync would remove, counted before anything is removed.
struct PruneCount {
  std::int64_t entries = 0;   // every entry of the destination tree
  std::int64_t removals = 0;  // those that would go, with everything inside them
};

}  // namespace mirtel
