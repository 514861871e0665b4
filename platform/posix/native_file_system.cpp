#include "platform/native_file_system.h"

#include "platform/posix/posix_file_system.h"
#include "platform/posix/trash_recycler.h"

namespace mirtel {

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

std::unique_ptr<Recycler> MakeNativeRecycler(FileSystem& fs) {
  return std::make_unique<TrashRecycler>(&fs);
}

}  // namespace mirtel
