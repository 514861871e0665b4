// The versions folder of a job, as the command sets it up: checked before
// anything is written, stamped with the job's date and time, and pruned of
// old versions when asked to by name.
#pragma once

#include <ctime>
#include <string>

#include "engine/job_state.h"
#include "platform/file_system.h"
#include "platform/walk_view.h"

namespace mirtel {

// The name of the folder of one job's versions: its local date and time,
// "2026-12-08_203235".
std::string VersionsStamp(std::time_t when);
// The time such a name stands for; false for any other name.
bool ReadVersionsStamp(const std::string& name, std::time_t& when);

enum class VersionsRefusal {
  None,
  NotAFolder,     // a file (or a link) has its name
  Unreachable,    // neither it nor a folder above it can be looked at
  OtherVolume,    // not on the destination's volume: a rename could not take anything there
  InsideSource,   // inside the source (or the source itself): it would be copied
  IsDestination,  // the job's destination folder itself: versions would mix with the copies
};

// Checks versions folder `folder` (ending in the separator; it may be
// missing) against the job's source and chosen destination in `state`,
// before anything is made.
VersionsRefusal CheckVersionsFolder(FileSystem& fs, const JobState& state,
                                    const std::string& folder);
std::string VersionsRefusalText(VersionsRefusal refusal, const std::string& folder);

// After the destination subfolder is settled: the job keeps its versions in
// `folder`/<stamp of `when`>/, and the walks leave `folder` alone where it
// lies inside the destination. Refuses the job's destination folder itself.
VersionsRefusal UseVersionsFolder(FileSystem& fs, JobState& state, const std::string& folder,
                                  std::time_t when);

// Deletes for good the version folders of `folder` (only names of the
// stamp's form) older than `days` days before `now`, each told as a line;
// a preview only lists them. A failure is counted in `state`.
void DropOldVersions(FileSystem& fs, WalkView& view, JobState& state, const std::string& folder,
                     int days, std::time_t now);

}  // namespace mirtel
