// The state one copy job shares between the job driver and the walks.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace mirtel {

struct JobState {
  std::string MotoFolder;        // source root, ends in the separator
  std::string SakiFolder;        // destination root, ends in the separator
  std::int32_t RootLength = 0;   // leading characters that form the walked root
  std::int32_t CopiedCount = 0;  // files copied (successfully) by the job
  bool FoundFile = false;        // the copy walk met at least one source file
  bool StopFlag = false;         // the user asked the job to stop
  std::int64_t MotoDate = 0;     // UTC seconds of the file pair under comparison
  std::int64_t SakiDate = 0;

  std::int32_t FailedCount = 0;   // copies and removals that failed
  std::int32_t RemovedCount = 0;  // items moved to the Recycle Bin / Trash
  // Destination folders whose removal failed in this job: tried once only.
  std::set<std::string> FailedRemovals;
  // The boxes of a failed removal come once per job; later failures are
  // listed with their reason only, so a volume without a Recycle Bin does
  // not bury the user in boxes.
  bool RemovalErrorShown = false;
  std::string LastRemovalError;  // reason of the last failed removal
};

}  // namespace mirtel
