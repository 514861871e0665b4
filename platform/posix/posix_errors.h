// errno as the program's file-system errors.
#pragma once

#include <string>

#include "platform/fs_error.h"

namespace mirtel {

FsErrorKind KindOfErrno(int err);
FsError ErrnoError(int err, const std::string& path);

// The volume cannot keep an owner or a mode (FAT, some shares), or does not
// know the owner: what was made stays as closed as it was made.
bool CannotKeepOwnerOrMode(int err);

}  // namespace mirtel
