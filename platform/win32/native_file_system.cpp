#include "platform/native_file_system.h"

#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_recycler.h"

namespace mirtel {

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<Win32FileSystem>(); }

std::unique_ptr<Recycler> MakeNativeRecycler(FileSystem& fs) {
  return std::make_unique<Win32Recycler>(&fs);
}

}  // namespace mirtel
