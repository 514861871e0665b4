#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "tests/fakes/forwarding_file_system.h"

namespace mirtel {

// A destination volume that ignores letter case, as FAT or NTFS: every name
// below `root` is taken in lower case.
class CaseBlindDestination : public ForwardingFileSystem {
 public:
  CaseBlindDestination(FileSystem& real, std::string root)
      : ForwardingFileSystem(real), root_(std::move(root)) {}

  bool TryAttributes(const std::string& p, std::uint32_t& a, FsErrorKind& why) override {
    return real_.TryAttributes(Map(p), a, why);
  }
  std::uint32_t Attributes(const std::string& p) override { return real_.Attributes(Map(p)); }
  FileTime LastWriteTime(const std::string& p) override { return real_.LastWriteTime(Map(p)); }
  void MakeFolder(const std::string& p) override { real_.MakeFolder(Map(p)); }
  void MakeFolderLike(const std::string& p, const std::string& m) override {
    real_.MakeFolderLike(Map(p), m);
  }
  void CopyFile(const std::string& s, const std::string& d) override { real_.CopyFile(s, Map(d)); }
  void CopyNewFile(const std::string& s, const std::string& d) override {
    real_.CopyNewFile(s, Map(d));
  }
  bool Identify(const std::string& p, FileId& id) override { return real_.Identify(Map(p), id); }

 private:
  std::string Map(const std::string& path) const {
    if (path.compare(0, root_.size(), root_) != 0) return path;
    std::string mapped = path;
    for (std::size_t i = root_.size(); i < mapped.size(); ++i) {
      if (mapped[i] >= 'A' && mapped[i] <= 'Z') mapped[i] = static_cast<char>(mapped[i] + 32);
    }
    return mapped;
  }
  std::string root_;
};

}  // namespace mirtel
