// The running system's own file system and Recycle Bin / Trash, for the
// program's start and for the tests that run against the real thing.
#pragma once

#include <memory>

#include "platform/file_system.h"
#include "platform/recycler.h"

namespace mirtel {

std::unique_ptr<FileSystem> MakeNativeFileSystem();

// `fs` is told about what the recycler moved away, since it may keep the
// listings of the folders on the walk's path.
std::unique_ptr<Recycler> MakeNativeRecycler(FileSystem& fs);

}  // namespace mirtel
