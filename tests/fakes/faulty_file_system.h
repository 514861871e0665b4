// The real file system with one fault at a chosen call: the Nth call of one
// kind fails with a chosen error, or a hook runs just before it goes through
// (to take an entry away for real, or to put another folder in the source's
// place). Every call is logged, so that a first run without a fault tells
// how many calls of each kind a job makes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/recycler.h"
#include "tests/fakes/forwarding_file_system.h"

namespace mirtel {

enum class FsCall {
  ListStart,
  ListResume,
  ListNext,
  Attributes,  // Attributes and TryAttributes
  LastWriteTime,
  MakeFolder,  // MakeFolder and MakeFolderLike
  CopyFile,    // CopyFile, CopyNewFile and CopyFileKeeping
  Identify,
  Recycle,  // through the FaultyRecycler below
};

inline const char* FsCallName(FsCall call) {
  switch (call) {
    case FsCall::ListStart:
      return "ListStart";
    case FsCall::ListResume:
      return "ListResumeAfter";
    case FsCall::ListNext:
      return "ListNext";
    case FsCall::Attributes:
      return "Attributes";
    case FsCall::LastWriteTime:
      return "LastWriteTime";
    case FsCall::MakeFolder:
      return "MakeFolder";
    case FsCall::CopyFile:
      return "CopyFile";
    case FsCall::Identify:
      return "Identify";
    case FsCall::Recycle:
      return "MoveToRecycleBin";
  }
  return "?";
}

class FaultyFileSystem : public ForwardingFileSystem {
 public:
  struct Call {
    FsCall call;
    std::string path;  // the entry the call is about; a listing's folder
    std::string dest;  // CopyFile: where to
  };

  enum class Action { Fail, Hook };

  // Only calls of `call` on paths below `under` (not `under` itself) count;
  // the `nth` of them (1-based) fails or runs `hook` first. nth 0: no fault.
  struct Fault {
    FsCall call = FsCall::ListStart;
    int nth = 0;
    Action action = Action::Fail;
    FsErrorKind error = FsErrorKind::AccessDenied;
    std::string under;
  };

  explicit FaultyFileSystem(FileSystem& real) : ForwardingFileSystem(real) {}

  Fault fault;
  std::function<void(const Call&)> hook;

  const std::vector<Call>& Log() const { return log_; }
  // The call the fault hit, and the index in Log() where it stands.
  bool Triggered() const { return triggeredAt_ >= 0; }
  const Call& Hit() const { return log_[static_cast<std::size_t>(triggeredAt_)]; }
  std::size_t HitIndex() const { return static_cast<std::size_t>(triggeredAt_); }

  static bool Below(const std::string& path, const std::string& under) {
    return path.size() > under.size() && path.compare(0, under.size(), under) == 0;
  }
  // Calls of `call` below `under` in a log.
  static int Count(const std::vector<Call>& log, FsCall call, const std::string& under) {
    int n = 0;
    for (const Call& c : log) n += c.call == call && Below(c.path, under) ? 1 : 0;
    return n;
  }

  std::string ListStart(const std::string& pattern, std::uint32_t mask) override {
    listing_ = FolderOf(pattern);
    if (Enter(FsCall::ListStart, listing_)) throw Error(listing_);
    return real_.ListStart(pattern, mask);
  }
  std::string ListNext() override {
    if (Enter(FsCall::ListNext, listing_)) throw Error(listing_);
    return real_.ListNext();
  }
  std::string ListResumeAfter(const std::string& pattern, std::uint32_t mask,
                              const std::string& name) override {
    listing_ = FolderOf(pattern);
    if (Enter(FsCall::ListResume, listing_)) throw Error(listing_);
    return real_.ListResumeAfter(pattern, mask, name);
  }
  std::uint32_t Attributes(const std::string& path) override {
    if (Enter(FsCall::Attributes, path)) throw Error(path);
    return real_.Attributes(path);
  }
  bool TryAttributes(const std::string& path, std::uint32_t& attrs, FsErrorKind& why) override {
    if (Enter(FsCall::Attributes, path)) {
      why = fault.error;
      return false;
    }
    return real_.TryAttributes(path, attrs, why);
  }
  FileTime LastWriteTime(const std::string& path) override {
    if (Enter(FsCall::LastWriteTime, path)) throw Error(path);
    return real_.LastWriteTime(path);
  }
  void MakeFolder(const std::string& path) override {
    if (Enter(FsCall::MakeFolder, path)) throw Error(path);
    real_.MakeFolder(path);
  }
  void MakeFolderLike(const std::string& path, const std::string& model) override {
    if (Enter(FsCall::MakeFolder, path)) throw Error(path);
    real_.MakeFolderLike(path, model);
  }
  void CopyFile(const std::string& source, const std::string& dest) override {
    if (Enter(FsCall::CopyFile, source, dest)) throw Error(dest);
    real_.CopyFile(source, dest);
  }
  void CopyNewFile(const std::string& source, const std::string& dest) override {
    if (Enter(FsCall::CopyFile, source, dest)) throw Error(dest);
    real_.CopyNewFile(source, dest);
  }
  void CopyFileKeeping(const std::string& source, const std::string& dest,
                       const std::string& keepOldAt) override {
    if (Enter(FsCall::CopyFile, source, dest)) throw Error(dest);
    real_.CopyFileKeeping(source, dest, keepOldAt);
  }
  // Moving an item to the versions folder takes the Trash's place.
  void MoveAside(const std::string& path, const std::string& target) override {
    if (Enter(FsCall::Recycle, path)) throw Error(path);
    real_.MoveAside(path, target);
  }
  bool Identify(const std::string& path, FileId& id) override {
    if (Enter(FsCall::Identify, path)) return false;
    return real_.Identify(path, id);
  }

  // True when this call is the one to fail; runs the hook when it is the
  // one to hook. Public for the recycler below.
  bool Enter(FsCall call, const std::string& path, const std::string& dest = {}) {
    log_.push_back(Call{call, path, dest});
    if (fault.nth <= 0 || call != fault.call || !Below(path, fault.under)) return false;
    if (++counted_ != fault.nth) return false;
    triggeredAt_ = static_cast<int>(log_.size()) - 1;
    if (fault.action == Action::Fail) return true;
    if (hook) hook(log_.back());
    return false;
  }

 private:
  static std::string FolderOf(const std::string& pattern) {
    const std::size_t cut = pattern.find_last_of("\\/");
    return cut == std::string::npos ? pattern : pattern.substr(0, cut + 1);
  }
  FsError Error(const std::string& path) const { return FsError(fault.error, path, "injected"); }

  std::vector<Call> log_;
  std::string listing_;
  int counted_ = 0;
  int triggeredAt_ = -1;
};

// The Recycle Bin / Trash, its calls counted and faulted with the file
// system's.
class FaultyRecycler : public Recycler {
 public:
  FaultyRecycler(FaultyFileSystem& faults, Recycler& real) : faults_(faults), real_(real) {}

  void MoveToRecycleBin(const std::string& path) override {
    if (faults_.Enter(FsCall::Recycle, path)) {
      throw FsError(faults_.fault.error, path, "injected");
    }
    real_.MoveToRecycleBin(path);
  }

 private:
  FaultyFileSystem& faults_;
  Recycler& real_;
};

}  // namespace mirtel
