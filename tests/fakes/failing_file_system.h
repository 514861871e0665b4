// Passes every call to a real FileSystem, except the ones a test makes fail:
// for cases the real system cannot produce here (an unreadable folder when
// the tests run with every permission).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "tests/fakes/forwarding_file_system.h"

namespace mirtel {

class FailingFileSystem : public ForwardingFileSystem {
 public:
  explicit FailingFileSystem(FileSystem& real) : ForwardingFileSystem(real) {}

  std::map<std::string, FsErrorKind> failAttributes;  // by path
  std::map<std::string, FsErrorKind> failListing;     // by folder (pattern minus "*.*")
  std::set<std::string> volumeRoots;                  // folders that count as the top of a volume
  int attributeCalls = 0;

  std::string ListStart(const std::string& pattern, std::uint32_t mask) override {
    Check(failListing, Folder(pattern));
    return real_.ListStart(pattern, mask);
  }
  std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                              const std::string& name) override {
    Check(failListing, Folder(pattern));
    return real_.ListResumeAfter(pattern, mask, name);
  }
  std::uint32_t Attributes(const std::string& path) override {
    ++attributeCalls;
    Check(failAttributes, path);
    return real_.Attributes(path);
  }
  bool TryAttributes(const std::string& path, std::uint32_t& attrs, FsErrorKind& why) override {
    return FileSystem::TryAttributes(path, attrs, why);
  }
  bool IsVolumeRoot(const std::string& folder) override {
    return volumeRoots.count(folder) != 0 || real_.IsVolumeRoot(folder);
  }

 private:
  static std::string Folder(const std::string& pattern) {
    return pattern.size() >= 3 ? pattern.substr(0, pattern.size() - 3) : pattern;
  }
  static void Check(const std::map<std::string, FsErrorKind>& fails, const std::string& key) {
    const auto it = fails.find(key);
    if (it != fails.end()) throw FsError(it->second, key);
  }
};

}  // namespace mirtel
