// The mount a device is, from the system's table of mounts.
#pragma once

#include <sys/types.h>

#include <string>

namespace mirtel {

struct Mount {
  std::string type;    // "ext4", "fuseblk", "fuse.sshfs", ...; "" when not found
  std::string source;  // the device or share it mounts
};

// The same for every mount of one share or one file system.
Mount MountOf(dev_t device);

}  // namespace mirtel
