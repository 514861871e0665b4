#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "tests/realtrees/fuse_volume.h"

namespace mirtel::realtrees {
namespace {

// Quoted for the shell.
std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

bool Have(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

// Different from the folder's parent: something is mounted there.
bool MountedAt(const std::string& path) {
  struct stat self {};
  struct stat parent {};
  return ::stat(path.c_str(), &self) == 0 && ::stat((path + "/..").c_str(), &parent) == 0 &&
         self.st_dev != parent.st_dev;
}

// The coarsest step of 2 s, 1 s, 10 ms, 1 ms, 1 us, 100 ns that `kept`
// is a multiple of and lies within of `asked`; 1 when kept exactly.
std::int64_t StepOf(std::int64_t asked, std::int64_t kept) {
  if (asked == kept) return 1;
  for (const std::int64_t step :
       {2000000000LL, 1000000000LL, 10000000LL, 1000000LL, 1000LL, 100LL}) {
    const std::int64_t gap = asked > kept ? asked - kept : kept - asked;
    if (kept % step == 0 && gap < step) return step;
  }
  return 1;
}

}  // namespace

const char* VolumeName(VolumeKind kind) {
  switch (kind) {
    case VolumeKind::ExFat:
      return "exFAT";
    case VolumeKind::Ntfs:
      return "NTFS";
    case VolumeKind::NtfsIgnoreCase:
      return "NTFS (ignore_case)";
    case VolumeKind::Fat:
      return "FAT32";
  }
  return "?";
}

bool FuseVolume::Run(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1 </dev/null").c_str()) == 0) return true;
  why_ = "failed: " + command;
  return false;
}

FuseVolume::FuseVolume(VolumeKind kind, const std::string& folder) : kind_(kind) {
  const std::string label = kind == VolumeKind::ExFat            ? "exfat"
                            : kind == VolumeKind::Ntfs           ? "ntfs"
                            : kind == VolumeKind::NtfsIgnoreCase ? "ntfs-ic"
                                                                 : "fat";
  image_ = folder + "/" + label + ".img";
  top_ = folder + "/" + label;
  if (::access("/dev/fuse", R_OK | W_OK) != 0) {
    why_ = "no usable /dev/fuse";
    return;
  }
  const char* mkfs = kind == VolumeKind::ExFat ? "mkfs.exfat"
                     : kind == VolumeKind::Fat ? "mkfs.vfat"
                                               : "mkntfs";
  const char* driver = kind == VolumeKind::ExFat            ? "mount.exfat-fuse"
                       : kind == VolumeKind::Ntfs           ? "ntfs-3g"
                       : kind == VolumeKind::NtfsIgnoreCase ? "lowntfs-3g"
                                                            : "fusefat";
  for (const char* tool : {mkfs, driver, "fusermount"}) {
    if (!Have(tool)) {
      why_ = std::string(tool) + " is not installed";
      return;
    }
  }
  // A mount left by a test that was killed goes first.
  if (MountedAt(top_)) Run("fusermount -u -z " + Quoted(top_));
  if (!Run("mkdir -p " + Quoted(top_)) || !Run("rm -f " + Quoted(image_)) ||
      !Run("truncate -s 384M " + Quoted(image_))) {
    return;
  }
  const std::string formatted = kind == VolumeKind::ExFat ? "mkfs.exfat " + Quoted(image_)
                                : kind == VolumeKind::Fat ? "mkfs.vfat -F 32 " + Quoted(image_)
                                                          : "mkntfs -F -Q " + Quoted(image_);
  if (!Run(formatted)) return;
  std::string device = image_;
  if (kind == VolumeKind::ExFat && ::geteuid() == 0) {
    // exfat-fuse run by root insists on a block device.
    FILE* out = ::popen(("losetup -f --show " + Quoted(image_) + " 2>/dev/null").c_str(), "r");
    char line[256] = {};
    if (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) {
      loop_ = line;
      while (!loop_.empty() && (loop_.back() == '\n' || loop_.back() == ' ')) loop_.pop_back();
    }
    if (out != nullptr) ::pclose(out);
    if (loop_.empty()) {
      why_ = "no loop device for the exFAT image";
      return;
    }
    device = loop_;
  }
  const std::string options = kind == VolumeKind::NtfsIgnoreCase ? " -o ignore_case"
                              : kind == VolumeKind::Fat          ? " -o rw+"
                                                                 : "";
  if (!Run(std::string(driver) + options + " " + Quoted(device) + " " + Quoted(top_))) return;
  for (int i = 0; i < 100 && !MountedAt(top_); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  mounted_ = MountedAt(top_);
  if (!mounted_) why_ = std::string(driver) + " did not mount " + image_;
}

FuseVolume::~FuseVolume() {
  if (mounted_) {
    for (int i = 0; i < 50 && MountedAt(top_); ++i) {
      std::system(("fusermount -u " + Quoted(top_) + " >/dev/null 2>&1").c_str());
      if (MountedAt(top_)) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (MountedAt(top_))
      std::system(("fusermount -u -z " + Quoted(top_) + " >/dev/null 2>&1").c_str());
  }
  if (!loop_.empty()) std::system(("losetup -d " + Quoted(loop_) + " >/dev/null 2>&1").c_str());
  ::unlink(image_.c_str());
  ::rmdir(top_.c_str());
}

Platform FuseVolume::Learn() const {
  Platform p = SystemPlatform();
  const std::string probe = Join(top_, "Probe-Case.txt");
  WriteFile(probe, "probe", 0644);
  p.destFoldsCase = LookAt(Join(top_, "PROBE-case.TXT")).kind == Kind::File;
  const std::vector<std::string> names = Names(top_);
  p.destKeepsCase = std::find(names.begin(), names.end(), "Probe-Case.txt") != names.end();
  const std::int64_t asked = 1234567891LL * 1000000000 + 123456789;
  SetTime(probe, asked);
  const std::int64_t kept = LookAt(probe).mtimeNs;
  // A copy gets its time while it is still open, as the program sets it.
  const std::string open = Join(top_, "probe-open");
  std::int64_t keptOpen = asked;
  const int fd = ::open(open.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    const timespec times[2] = {{1234567891, 123456789}, {1234567891, 123456789}};
    const bool set = ::write(fd, "x", 1) == 1 && ::futimens(fd, times) == 0;
    ::close(fd);
    keptOpen = set ? LookAt(open).mtimeNs : 0;
    ::unlink(open.c_str());
  }
  const auto far = [asked](std::int64_t t) {
    return (t > asked ? t - asked : asked - t) > 2000000000;
  };
  // 0: the volume does not keep the time it is given (fusefat: not while
  // the file is open).
  p.destTimeStep = far(kept) || far(keptOpen) ? 0 : StepOf(asked, kept);
  bool modes = true;
  for (const std::uint32_t mode : {0640u, 0604u}) {
    try {
      SetMode(probe, mode);
      modes = modes && LookAt(probe).mode == mode;
    } catch (const std::exception&) {
      modes = false;
    }
  }
  p.destModes = modes;
  RemoveTree(probe);
  // The names the generator makes must fit both volumes.
  const std::string odd = Join(top_, "a:b");
  try {
    WriteFile(odd, "", 0644);
    RemoveTree(odd);
  } catch (const std::exception&) {
    p.windowsNames = true;
  }
  p.invalidUtf8 = false;
  p.links = false;
  p.sparse = false;
  p.destTrash = Join(top_, ".Trash-" + std::to_string(::getuid()));
  // fusefat keeps the time a copy is given only now and then, gives what
  // it moves the time of the move, and a folder moved there was read back
  // without its file: no backup can be judged there.
  if (kind_ == VolumeKind::Fat) p.destTimeStep = 0;
  return p;
}

}  // namespace mirtel::realtrees
