#include "platform/volume_identity.h"

#include "platform/posix/mount_of.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace mirtel {

namespace {

// The UUID of the block device that is `device`, from the links the system
// keeps for them; "" for a volume without one (tmpfs, btrfs, a share).
std::string UuidOf(dev_t device) {
  const std::string folder = "/dev/disk/by-uuid/";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return {};
  std::string uuid;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat target {};
    if (::stat((folder + name).c_str(), &target) == 0 && S_ISBLK(target.st_mode) &&
        target.st_rdev == device) {
      uuid = name;
      break;
    }
  }
  ::closedir(dir);
  return uuid;
}

}  // namespace

std::string VolumeIdentity(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return {};
  if (std::string uuid = UuidOf(info.st_dev); !uuid.empty()) return "uuid:" + uuid;
  if (const Mount mount = MountOf(info.st_dev); !mount.type.empty()) {
    return "mount:" + mount.type + ":" + mount.source;
  }
  return "dev:" + std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
}

}  // namespace mirtel
