// Our temporary copies on POSIX: the names of platform/common, and the mark
// (an extended attribute) each carries while it is written, so that a file
// a user named like one is never taken for ours.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/common/temporary_name.h"
#include "platform/file_system.h"

namespace mirtel {

// The extended attribute our temporaries carry while they are written.
inline constexpr const char* kTemporaryMark = "user.mirtel.temporary";

// The name rule alone: Live while its process runs on this machine (or is
// `self`), Dead once it has ended, NotOurs for any other name.
Temporary ClassifyTemporaryName(const std::string& name, pid_t self);

// Marks the open temporary `fd` as ours, and takes the mark off again just
// before it is put in place. A volume without extended attributes takes no
// mark: a copy left there is never taken for ours.
bool MarkTemporary(int fd);  // false where the volume keeps no such mark
void UnmarkTemporary(int fd);
// Whether entry `name` of folder `dir` carries the mark.
bool CarriesTemporaryMark(int dir, const std::string& name);

}  // namespace mirtel
