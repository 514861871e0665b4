#include "platform/posix/recent_looks.h"

namespace mirtel {

void RecentLooks::Remember(const std::string& path, const struct stat* st) {
  Look& slot = looks_[next_];
  next_ ^= 1;
  slot.path = path;
  slot.absent = st == nullptr;
  slot.followed = false;
  if (st != nullptr) slot.st = *st;
}

void RecentLooks::RememberFollowed(const std::string& path, const struct stat& st) {
  Remember(path, &st);
  looks_[next_ ^ 1].followed = true;
}

const struct stat* RecentLooks::Recent(const std::string& path) const {
  for (const Look& look : looks_) {
    if (!look.absent && !look.followed && !look.path.empty() && look.path == path) {
      return &look.st;
    }
  }
  return nullptr;
}

const struct stat* RecentLooks::RecentFollowed(const std::string& path) const {
  for (const Look& look : looks_) {
    if (!look.absent && (look.followed || !S_ISLNK(look.st.st_mode)) && !look.path.empty() &&
        look.path == path) {
      return &look.st;
    }
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
