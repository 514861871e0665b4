#include "platform/volume_identity.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>

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

// The file-system type and source of the mount whose device is `device`:
// the same for every mount of one share or one file system.
std::string MountOf(dev_t device) {
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string number = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  for (std::string line; std::getline(mounts, line);) {
    std::istringstream fields(line);
    std::string id, parent, devno;
    fields >> id >> parent >> devno;
    if (devno != number) continue;
    const std::size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string type, source;
    tail >> type >> source;
    return type + ":" + source;
  }
  return {};
}

}  // namespace

std::string VolumeIdentity(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return {};
  if (std::string uuid = UuidOf(info.st_dev); !uuid.empty()) return "uuid:" + uuid;
  if (std::string mount = MountOf(info.st_dev); !mount.empty()) return "mount:" + mount;
  return "dev:" + std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
}

}  // namespace mirtel
