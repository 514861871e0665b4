// Which volume holds a folder, told in a way that stays the same while the
// volume does (across mounts and restarts): a backup disk that is not
// mounted leaves its mount point on another volume, and a saved job must see
// that before it fills the mount point.
#pragma once

#include <string>

namespace mirtel {

// A short text naming the volume that holds `folder` (a file-system UUID or
// the mount's source on Linux, the volume serial number on Windows); "" when
// it cannot be told.
std::string VolumeIdentity(const std::string& folder);

}  // namespace mirtel
