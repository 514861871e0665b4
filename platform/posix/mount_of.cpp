#include "platform/posix/mount_of.h"

#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>

namespace mirtel {

Mount MountOf(dev_t device) {
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
    Mount mount;
    tail >> mount.type >> mount.source;
    return mount;
  }
  return {};
}

}  // namespace mirtel
