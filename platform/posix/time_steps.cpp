#include "platform/posix/time_steps.h"

#include <sys/vfs.h>

#include <algorithm>

namespace mirtel {

namespace {

// Coarsest first; each divides the one before it.
constexpr std::int64_t kSteps[] = {2 * kSecond, kSecond, 10000000, 1000000, 1000, 100};

}  // namespace

std::int64_t TimeSteps::StepOfType(long type) {
  // Magic numbers of <linux/magic.h> and the file systems' own sources.
  switch (static_cast<unsigned long>(type)) {
    case 0x4d44:  // msdos, vfat
      return 2 * kSecond;
    case 0x2011BAB0:  // exfat
      return 10000000;
    case 0x5346544e:  // ntfs
    case 0x7366746e:  // ntfs3
      return 100;
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0x858458f6:  // ramfs
    case 0xF2F52010:  // f2fs
    case 0x2fc12fc1:  // zfs
    case 0x3153464a:  // jfs
    case 0x794c7630:  // overlay: in practice over one of these
      return 1;
    case 0x15013346:  // udf
      return 1000;
    case 0x9660:      // iso9660
    case 0x73717368:  // squashfs
    case 0x482b:      // hfsplus
    case 0x52654973:  // reiserfs
      return kSecond;
    default:
      return 0;
  }
}

std::int64_t TimeSteps::StepShown(std::int64_t asked, std::int64_t kept) {
  const auto a = static_cast<std::uint64_t>(asked);
  const auto k = static_cast<std::uint64_t>(kept);
  const std::uint64_t gap = asked > kept ? a - k : k - a;
  for (const std::int64_t step : kSteps) {
    if (kept % step == 0 && gap < static_cast<std::uint64_t>(step)) return step;
  }
  return kept == asked ? 1 : 0;
}

std::int64_t TimeSteps::Cached(dev_t dev) const {
  if (lastStep_ != 0 && dev == lastDev_) return lastStep_;
  const auto it = volumes_.find(dev);
  return it == volumes_.end() ? 0 : it->second.step;
}

bool TimeSteps::Sure(dev_t dev) const {
  const auto it = volumes_.find(dev);
  return it != volumes_.end() && (it->second.fromType || it->second.learned);
}

std::int64_t TimeSteps::Of(dev_t dev, int fd) {
  if (lastStep_ != 0 && dev == lastDev_) return lastStep_;
  auto it = volumes_.find(dev);
  if (it == volumes_.end()) {
    Volume v;
    struct statfs fs {};
    if (fd >= 0 && ::fstatfs(fd, &fs) == 0) {
      const std::int64_t step = StepOfType(static_cast<long>(fs.f_type));
      if (step != 0) {
        v.step = step;
        v.fromType = true;
      }
    }
    it = volumes_.emplace(dev, v).first;
  }
  lastDev_ = dev;
  lastStep_ = it->second.step;
  return lastStep_;
}

bool TimeSteps::KeepsNanoseconds(dev_t dev) const {
  const auto it = volumes_.find(dev);
  return it != volumes_.end() && it->second.nanoseconds;
}

void TimeSteps::Learn(dev_t dev, std::int64_t asked, std::int64_t kept) {
  Volume& v = volumes_[dev];
  const std::int64_t shown = StepShown(asked, kept);
  // Moved by more than any step: the time lay outside what the volume can
  // hold (FAT starts in 1980) and says nothing of its step.
  if (shown == 0) return;
  if (kept == asked && asked % 1000 != 0) v.nanoseconds = true;
  if (kept != asked) {
    // A fraction dropped: the first such time replaces what the type said.
    v.step = v.learned ? std::min(v.step, shown) : shown;
    v.learned = true;
  } else if (v.learned && kept % v.step != 0) {
    // Kept exactly, yet finer than what was learned.
    v.step = std::min(v.step, shown);
  }
  if (dev == lastDev_) lastStep_ = v.step;
}

}  // namespace mirtel
