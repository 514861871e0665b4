#include "platform/posix/recent_looks.h"

namespace mirtel {

void RecentLooks::Remember(const std::string& path, const struct stat* st) {
  Look& slot = looks_[next_];
  next_ ^= 1;
  slot.path = path;
  slot.absent = st == nullptr;
  if (st != nullptr) slot.st = *st;
}

const struct stat* RecentLooks::Recent(const std::string& path) const {
  for (const Look& look : looks_) {
    if (!look.absent && !look.path.empty() && look.path == path) return &look.st;
  }
  return nullptr;
}

bool RecentLooks::KnownAbsent(const std::string& path) const {
  for (const Look& look : looks_) {
    if (look.absent && !look.path.empty() && look.path == path) return true;
  }
  return false;
}

void RecentLooks::Forget() {
  looks_[0].path.clear();
  looks_[1].path.clear();
}

}  // namespace mirtel
