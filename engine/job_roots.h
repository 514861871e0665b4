// The chosen folders of a job compared by what they are (identity), not by
// how they are spelled: a link, a bind mount, another letter case or a short
// name must not make a folder look like another, or the same look different.
#pragma once

#include <string>

#include "engine/job_state.h"
#include "platform/file_system.h"

namespace mirtel {

// True when both paths lead to the same folder.
bool SameFolderByIdentity(FileSystem& fs, const std::string& a, const std::string& b);

// The folder above `folder` (both end in the separator); "" at a root.
std::string ParentFolder(const std::string& folder);

// After the destination subfolder is settled: takes the identities of the
// roots into `state` (MotoId, SakiId, MotoAncestors, SourceInsideDest).
void RecordRoots(FileSystem& fs, JobState& state);

// True when the job's own subfolder of the destination (the one named after
// the source) is a link: it is never followed.
bool JobSubfolderIsLink(FileSystem& fs, const JobState& state);

}  // namespace mirtel
