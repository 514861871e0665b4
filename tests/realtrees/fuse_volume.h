// Volumes of the kinds backups go to (exFAT and FAT USB disks, NTFS disks),
// made as image files and mounted through their FUSE drivers for one test:
// the machine's kernel needs no module for them. Where FUSE, a driver or
// its mkfs is missing, nothing is mounted and why() says what.
#pragma once

#include <string>

#include "tests/realtrees/tree_io.h"

namespace mirtel::realtrees {

enum class VolumeKind {
  ExFat,           // exfat-fuse
  Ntfs,            // ntfs-3g, names in their case
  NtfsIgnoreCase,  // lowntfs-3g -o ignore_case
  Fat,             // fusefat, FAT32
};

const char* VolumeName(VolumeKind kind);

class FuseVolume {
 public:
  // Makes the image in `folder` (made where missing) and mounts it.
  FuseVolume(VolumeKind kind, const std::string& folder);
  ~FuseVolume();
  FuseVolume(const FuseVolume&) = delete;
  FuseVolume& operator=(const FuseVolume&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }
  // The top of the mounted volume.
  const std::string& top() const { return top_; }

  // What trees on this volume can hold, learned by trying (case, time
  // step, modes, names), on top of the system's own platform.
  Platform Learn() const;

 private:
  bool Run(const std::string& command);

  VolumeKind kind_;
  std::string image_;
  std::string top_;
  std::string loop_;  // the loop device the image is attached to, if any
  bool mounted_ = false;
  std::string why_;
};

}  // namespace mirtel::realtrees
