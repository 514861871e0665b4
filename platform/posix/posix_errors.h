// errno as the program's file-system errors.
#pragma once

#include <string>

#include "platform/fs_error.h"

namespace mirtel {

FsErrorKind KindOfErrno(int err);
FsError ErrnoError(int err, const std::string& path);

}  // namespace mirtel
