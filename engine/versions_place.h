// Kept versions: what a job replaces or removes moves, on the same volume,
// to <versions folder>/<date and time of the job>/<path below the job's
// destination root> instead of the Trash.
#pragma once

#include <string>

#include "engine/job_state.h"
#include "platform/file_system.h"

namespace mirtel {

// Where item `path` of the destination tree (below SakiFolder, no trailing
// separator) is kept, the folders above it made (no more open than their
// counterparts in the destination). A second version of one item in a job
// gets a free name: ".2", ".3"... appended.
std::string VersionPlace(FileSystem& fs, const JobState& state, const std::string& path);

// How destination entry `path` (no trailing separator) stands to a versions
// folder inside the destination.
enum class VersionsRelation {
  None,     // unrelated
  IsIt,     // the versions folder itself: never copied into, compared or pruned
  HoldsIt,  // a folder above it: never removed whole, nor replaced by a file
};
VersionsRelation RelationToVersions(const JobState& state, const std::string& path);

}  // namespace mirtel
