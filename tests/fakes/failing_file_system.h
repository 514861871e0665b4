// Passes every call to a real FileSystem, except the ones a test makes fail:
// for cases the real system cannot produce here (an unreadable folder when
// the tests run with every permission).
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/file_system.h"

namespace mirtel {

class FailingFileSystem : public FileSystem {
 public:
  explicit FailingFileSystem(FileSystem& real) : real_(real) {}

  std::map<std::string, FsErrorKind> failAttributes;  // by path
  std::map<std::string, FsErrorKind> failListing;     // by folder (pattern minus "*.*")
  int attributeCalls = 0;

  std::string ListStart(const std::string& pattern, std::uint32_t mask) override {
    Check(failListing, Folder(pattern));
    return real_.ListStart(pattern, mask);
  }
  std::string ListNext() override { return real_.ListNext(); }
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
  std::int64_t LastWriteTime(const std::string& path) override { return real_.LastWriteTime(path); }
  void MakeFolder(const std::string& path) override { real_.MakeFolder(path); }
  void CopyFile(const std::string& source, const std::string& dest) override {
    real_.CopyFile(source, dest);
  }
  std::string ReadFile(const std::string& path) override { return real_.ReadFile(path); }
  void WriteFileAtomically(const std::string& path, const std::string& bytes) override {
    real_.WriteFileAtomically(path, bytes);
  }

 private:
  static std::string Folder(const std::string& pattern) {
    return pattern.size() >= 3 ? pattern.substr(0, pattern.size() - 3) : pattern;
  }
  static void Check(const std::map<std::string, FsErrorKind>& fails, const std::string& key) {
    const auto it = fails.find(key);
    if (it != fails.end()) throw FsError(it->second, key);
  }

  FileSystem& real_;
};

}  // namespace mirtel
