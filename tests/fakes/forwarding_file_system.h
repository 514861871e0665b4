// Passes every call to a real FileSystem: the base of the test doubles that
// change only a few calls (a failure, a hook, an entry that vanishes).
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace mirtel {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& real) : real_(real) {}

  std::string ListStart(const std::string& pattern, std::uint32_t mask) override {
    return real_.ListStart(pattern, mask);
  }
  std::string ListNext() override { return real_.ListNext(); }
  std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                              const std::string& name) override {
    return real_.ListResumeAfter(pattern, mask, name);
  }
  std::uint32_t Attributes(const std::string& path) override { return real_.Attributes(path); }
  bool TryAttributes(const std::string& path, std::uint32_t& attrs, FsErrorKind& why) override {
    return real_.TryAttributes(path, attrs, why);
  }
  FileTime LastWriteTime(const std::string& path) override { return real_.LastWriteTime(path); }
  void MakeFolder(const std::string& path) override { real_.MakeFolder(path); }
  void MakeFolderLike(const std::string& path, const std::string& model) override {
    real_.MakeFolderLike(path, model);
  }
  void BeginFilling(const std::string& folder) override { real_.BeginFilling(folder); }
  void EndFilling(const std::string& folder) override { real_.EndFilling(folder); }
  void CopyFile(const std::string& source, const std::string& dest) override {
    real_.CopyFile(source, dest);
  }
  void CopyNewFile(const std::string& source, const std::string& dest) override {
    real_.CopyNewFile(source, dest);
  }
  bool Identify(const std::string& path, FileId& id) override { return real_.Identify(path, id); }
  std::string ResolvedFolder(const std::string& folder) override {
    return real_.ResolvedFolder(folder);
  }
  bool IsVolumeRoot(const std::string& folder) override { return real_.IsVolumeRoot(folder); }
  void LearnVolume(const std::string& folder) override { real_.LearnVolume(folder); }
  bool IgnoresCase(const std::string& folder) override { return real_.IgnoresCase(folder); }
  void RenameInFolder(const std::string& path, const std::string& name) override {
    real_.RenameInFolder(path, name);
  }
  Temporary ClassifyTemporary(const std::string& name) override {
    return real_.ClassifyTemporary(name);
  }
  Temporary ClassifyEntry(const std::string& folder, const std::string& name) override {
    return real_.ClassifyEntry(folder, name);
  }
  void RemoveLeftover(const std::string& path) override { real_.RemoveLeftover(path); }
  void MoveAside(const std::string& path, const std::string& target) override {
    real_.MoveAside(path, target);
  }
  void CopyFileKeeping(const std::string& source, const std::string& dest,
                       const std::string& keepOldAt) override {
    real_.CopyFileKeeping(source, dest, keepOldAt);
  }
  void RemoveForGood(const std::string& path) override { real_.RemoveForGood(path); }
  void NoteChanged(const std::string& path) override { real_.NoteChanged(path); }
  std::string ReadFile(const std::string& path) override { return real_.ReadFile(path); }
  void WriteFileAtomically(const std::string& path, const std::string& bytes) override {
    real_.WriteFileAtomically(path, bytes);
  }

 protected:
  FileSystem& real_;
};

}  // namespace mirtel
