// How finely each volume keeps file times: the step a FileTime carries.
//
// The rule: a volume's type, as statfs tells it, gives the step where the
// type keeps a fixed one (FAT 2 s, exFAT 10 ms, NTFS 100 ns, ext4, XFS,
// Btrfs, tmpfs 1 ns, ...). Other types (FUSE, network shares) start at 1 ns
// and are learned: after a copy sets a time, what the volume kept is read
// back, and when a fraction was dropped the step becomes the coarsest of
// 2 s, 1 s, 10 ms, 1 ms, 1 us, 100 ns that the kept time is a whole multiple
// of and that lies within one step of the time asked for (a time moved
// further was out of the volume's range and teaches nothing). A later time kept
// exactly that is no multiple of the step learned makes it finer again. The
// known types learn the same way, since some keep less than their type
// promises (ext2/3 with small inodes keep whole seconds). Kept per device
// for the life of this object.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstdint>
#include <unordered_map>

namespace mirtel {

inline constexpr std::int64_t kSecond = 1000000000;

// A time of the system as nanoseconds since 1970.
inline std::int64_t Ns(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * kSecond + t.tv_nsec;
}

class TimeSteps {
 public:
  // The step of the volume `dev`; `fd` is any descriptor on that volume (an
  // O_PATH one will do), asked only the first time the device is met.
  std::int64_t Of(dev_t dev, int fd);
  // Already known, without asking the system; 0 when not.
  std::int64_t Cached(dev_t dev) const;
  // Whether the step of `dev` comes from its type or from what it kept,
  // rather than from a guess.
  bool Sure(dev_t dev) const;

  // A time `asked` was set on a file of `dev` and the volume kept `kept`.
  void Learn(dev_t dev, std::int64_t asked, std::int64_t kept);
  // True once `dev` kept a time to the nanosecond: nothing finer exists and
  // a volume's precision does not change, so there is nothing left to learn.
  bool KeepsNanoseconds(dev_t dev) const;

  // The step that `kept` shows for `asked` by the rule above: 1 when
  // nothing was dropped, 0 when no step explains the change.
  static std::int64_t StepShown(std::int64_t asked, std::int64_t kept);
  // The fixed step of a statfs f_type; 0 for a type that must be learned.
  static std::int64_t StepOfType(long type);

 private:
  struct Volume {
    std::int64_t step = 1;
    bool fromType = false;  // the type's own step, not learned yet
    bool learned = false;
    bool nanoseconds = false;  // kept a time that only nanoseconds can hold
  };
  std::unordered_map<dev_t, Volume> volumes_;
  dev_t lastDev_ = 0;
  std::int64_t lastStep_ = 0;  // 0: nothing looked up yet
};

}  // namespace mirtel
