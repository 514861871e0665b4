// The names of our temporary copies: ".mirtel-<pid>-<n>.tmp" in the
// destination's folder, so that a run that ended before renaming one can be
// told from a run still writing it, and from the user's own files.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/file_system.h"

namespace mirtel {

std::string TemporaryName(pid_t pid, unsigned number);

// Exactly that pattern (no sign, no leading zero, nothing around it) is
// ours: Live while its process runs on this machine (or is `self`), Dead
// once it has ended.
Temporary ClassifyTemporaryName(const std::string& name, pid_t self);

}  // namespace mirtel
