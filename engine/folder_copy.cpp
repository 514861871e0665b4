// The copy walk: FolderCopy and MakeSakiFolder.
#include <chrono>
#include <exception>
#include <functional>
#include <unordered_map>

#include "engine/copy_engine.h"
#include "engine/error_text.h"
#include "engine/error_trap.h"
#include "engine/path_helpers.h"
#include "engine/versions_place.h"
#include "engine/walk_support.h"
#include "platform/native_path.h"
#include "text/message.h"

namespace mirtel {

namespace {

const std::string kSep(1, kPathSeparator);

void Report(WalkView& view, const std::string& text) {
  view.AppendResult(text);
  view.SetStatus(text);
}

}  // namespace

void CopyEngine::EntryFailed(const std::string& text, const std::exception& error) {
  ++state_.FailedCount;
  Report(view_, Text(Msg::Prefixed, text, ErrorReason(error)));
}

void CopyEngine::CopyTrapBox() {
  // The walk's trap shows the description alone, once a job.
  if (state_.CopyErrorShown) return;
  state_.CopyErrorShown = true;
  ReportErrorShort(view_);
}

bool CopyEngine::CopyOne(const std::string& source, const std::string& dest,
                         const std::string& name, CopyKind kind, bool toFreeName) {
  if (state_.DryRun) {
    ++state_.CopiedCount;
    view_.Copied(source);
    const std::string line =
        Text(kind == CopyKind::New ? Msg::WouldCopyNew : Msg::WouldOverwrite, name);
    view_.AppendResult(line);
    view_.SetStatus(line);
    return true;
  }
  std::exception_ptr error;
  try {
    if (toFreeName) {
      fs_.CopyNewFile(source, dest);
    } else if (kind == CopyKind::Overwrite && !state_.VersionsFolder.empty()) {
      // The old copy is kept as a version, moved only once the new one is
      // complete.
      fs_.CopyFileKeeping(source, dest, VersionPlace(fs_, state_, dest));
    } else {
      fs_.CopyFile(source, dest);
    }
  } catch (const std::exception&) {
    error = std::current_exception();
  }
  return CopyOutcome(source, name, kind, toFreeName, error);
}

bool CopyEngine::CopyOutcome(const std::string& source, const std::string& name, CopyKind kind,
                             bool toFreeName, std::exception_ptr error) {
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const FsError& e) {
      if (toFreeName && e.kind() == FsErrorKind::AlreadyExists) return false;
      EntryFailed(Text(Msg::CopyFailed, name), e);
    } catch (const std::exception& e) {
      EntryFailed(Text(Msg::CopyFailed, name), e);
    }
    return true;
  }
  ++state_.CopiedCount;
  view_.Copied(source);
  view_.AppendResult(name);
  view_.SetStatus(Text(kind == CopyKind::New ? Msg::CopyingNew : Msg::CopyingOver, name));
  return true;
}

bool CopyEngine::CopyOnPool(const std::string& source, const std::string& dest,
                            const std::string& name, CopyKind kind, bool toFreeName,
                            DestName known) {
  // A copy decided while a result is told runs at once, in that turn.
  if (pool_ == nullptr || state_.DryRun || pool_->Telling()) return false;
  // A copy that keeps the old file as a version runs in the walk's turn.
  if (kind == CopyKind::Overwrite && !state_.VersionsFolder.empty()) return false;
  const auto told = [this, source, dest, name, kind, toFreeName, known](std::exception_ptr error) {
    if (CopyOutcome(source, name, kind, toFreeName, error)) return;
    try {
      NameTaken(source, dest, name, known);
    } catch (const std::exception& e) {
      EntryFailed(Text(Msg::CopyFailed, name), e);
      CopyTrapBox();
    }
  };
  std::shared_ptr<PendingCopy> pending;
  try {
    pending = fs_.PrepareCopy(source, dest, toFreeName);
  } catch (const std::exception&) {
    pool_->Submit({},
                  [told, error = std::current_exception()](std::exception_ptr) { told(error); });
    return true;
  }
  if (pending->Made()) {
    // Done already: told in its turn, whatever a stop drops meanwhile.
    pool_->Submit({}, [told, pending](std::exception_ptr) {
      std::exception_ptr error;
      try {
        pending->Run();
      } catch (const std::exception&) {
        error = std::current_exception();
      }
      pending->Finish();
      told(error);
    });
    return true;
  }
  pool_->Submit([pending] { pending->Run(); },
                [told, pending](std::exception_ptr error) {
                  pending->Finish();
                  told(error);
                });
  return true;
}

void CopyEngine::AfterCopies(std::function<void()> step) {
  if (pool_ == nullptr || !pool_->Pending() || pool_->Telling()) return step();
  pool_->Submit({}, [step = std::move(step)](std::exception_ptr) { step(); });
}

bool CopyEngine::ReplaceWithSource(const std::string& dest, const std::string& source,
                                   const std::string& name, bool sourceIsFolder) {
  // Removing a folder of the destination that holds the source would take
  // the source with it.
  FileId destId;
  if (state_.SourceInsideDest || (!sourceIsFolder && fs_.Identify(dest, destId) &&
                                  walk::AnyOf(state_.MotoAncestors, destId))) {
    ++state_.FailedCount;
    Report(view_, Text(Msg::KindDiffersKept, name));
    return false;
  }
  Report(view_, Text(Msg::KindDiffersReplaced, name));
  if (!FileCopySub(dest, kFoDelete)) {
    ++state_.FailedCount;
    Report(view_, Text(Msg::CannotRemove, name, state_.LastRemovalError));
    return false;
  }
  ++state_.RemovedCount;
  Report(view_, RemovalLine(name, !sourceIsFolder));
  if (state_.DryRun) state_.DryRunReplaced.insert(dest);
  if (sourceIsFolder && state_.DryRun) {
    Report(view_, Text(Msg::WouldMakeFolder, name));
    return true;
  }
  if (sourceIsFolder) {
    try {
      fs_.MakeFolderLike(dest, source);
    } catch (const std::exception& e) {
      EntryFailed(Text(Msg::CannotMakeFolder, name), e);
      return false;
    }
    view_.SetStatus(Text(Msg::MakingFolder, name));
    return true;
  }
  CopyFileEntry(source, dest, name, DestName::Freed);
  return true;
}

CopyEngine::Made CopyEngine::MakeFolderFor(const std::string& dest, const std::string& source,
                                           const std::string& name) {
  try {
    fs_.MakeFolderLike(dest, source);
  } catch (const std::exception& e) {
    const auto* fsError = dynamic_cast<const FsError*>(&e);
    if (fsError != nullptr && fsError->kind() == FsErrorKind::AlreadyExists) return Made::Taken;
    EntryFailed(Text(Msg::CannotMakeFolder, name), e);
    CopyTrapBox();
    return Made::Failed;
  }
  view_.SetStatus(Text(Msg::MakingFolder, name));
  return Made::Yes;
}

CopyEngine::Next CopyEngine::PrepareFolder(const std::string& source, const std::string& name,
                                           const std::string& dest, std::uint32_t attrs,
                                           bool inMade) {
  if (attrs & kAttrReparsePoint) {
    // Never walked through: no loops and nothing from outside the tree.
    Report(view_, Text(Msg::FolderIsLink, name));
    return Next::Stay;
  }
  FileId sourceId;
  const bool sourceKnown = fs_.Identify(source, sourceId);
  if (sourceKnown && state_.SakiIdKnown && sourceId == state_.SakiId) {
    // The destination lies inside the source; copying it into itself would
    // never end.
    view_.SetStatus(Text(Msg::FolderIsDest, name));
    return Next::Stay;
  }
  // A name free in a folder made just now, or free when looked at, is made
  // at once; what took it meanwhile is looked at as any folder there.
  std::uint32_t destAttrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  bool free = inMade;
  if (!free && !fs_.TryAttributes(dest, destAttrs, why)) {
    if (why != FsErrorKind::NotFound) throw FsError(why, dest);
    if (state_.DryRun) {
      // The walk below still runs: every name there is missing at the
      // destination, as after a real making of the folder.
      Report(view_, Text(Msg::WouldMakeFolder, name));
      return Next::Descend;
    }
    free = true;
  }
  if (free) {
    switch (MakeFolderFor(dest, source, name)) {
      case Made::Yes:
        return Next::DescendIntoMade;
      case Made::Failed:
        return Next::Stay;
      case Made::Taken:
        if (!fs_.TryAttributes(dest, destAttrs, why)) throw FsError(why, dest);
        break;
    }
  }
  const bool realFolder = (destAttrs & kAttrDirectory) && !(destAttrs & kAttrReparsePoint);
  if (!realFolder) {
    if (state_.PruneConfirmed) {
      return ReplaceWithSource(dest, source, name, true) ? Next::Descend : Next::Stay;
    }
    ++state_.FailedCount;
    Report(view_,
           Text((destAttrs & kAttrReparsePoint) ? Msg::FolderDestIsLink : Msg::FolderDestIsFile,
                name));
    return Next::Stay;
  }
  // A destination folder that is the source root or a folder above it (a
  // bind mount, say) would have the source copied into itself. The very
  // folder being copied is harmless: every file compares equal to itself.
  FileId destId;
  if (fs_.Identify(dest, destId) && !(sourceKnown && destId == sourceId) &&
      walk::AnyOf(state_.MotoAncestors, destId)) {
    ++state_.FailedCount;
    Report(view_, Text(Msg::FolderDestIsSource, name));
    return Next::Stay;
  }
  view_.SetStatus(Text(Msg::SearchingFolders));
  return Next::Descend;
}

void CopyEngine::CopyFileEntry(const std::string& source, const std::string& dest,
                               const std::string& name, DestName known) {
  state_.FoundFile = true;
  // A name known free, or free when looked at, is copied to only while it
  // stays free: what took it meanwhile is compared as any copy there.
  std::uint32_t destAttrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  bool free = known != DestName::Unknown;
  if (!free && !fs_.TryAttributes(dest, destAttrs, why)) {
    if (why != FsErrorKind::NotFound) throw FsError(why, dest);
    free = true;
  }
  if (free) {
    if (CopyOnPool(source, dest, name, CopyKind::New, true, known)) return;
    if (CopyOne(source, dest, name, CopyKind::New, true)) return;
    NameTaken(source, dest, name, known);
    return;
  }
  CompareAndCopy(source, dest, name, destAttrs, known);
}

void CopyEngine::NameTaken(const std::string& source, const std::string& dest,
                           const std::string& name, DestName known) {
  std::uint32_t destAttrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  if (!fs_.TryAttributes(dest, destAttrs, why)) {
    if (why != FsErrorKind::NotFound) throw FsError(why, dest);
    // Gone again.
    CopyOne(source, dest, name, CopyKind::New);
    return;
  }
  CompareAndCopy(source, dest, name, destAttrs, known);
}

void CopyEngine::CompareAndCopy(const std::string& source, const std::string& dest,
                                const std::string& name, std::uint32_t destAttrs, DestName known) {
  if ((destAttrs & kAttrDirectory) && !(destAttrs & kAttrReparsePoint)) {
    if (state_.PruneConfirmed && known != DestName::Freed) {
      ReplaceWithSource(dest, source, name, false);
      return;
    }
    ++state_.FailedCount;
    Report(view_, Text(Msg::FileDestIsFolder, name));
    return;
  }
  const FileTime moto = fs_.LastWriteTime(source);
  FileTime saki;
  try {
    saki = fs_.LastWriteTime(dest);
  } catch (const FsError& e) {
    // A broken link at the destination is simply replaced by the copy.
    if (!(destAttrs & kAttrReparsePoint) || e.kind() != FsErrorKind::NotFound) throw;
    CopyOne(source, dest, name, CopyKind::New);
    return;
  }
  const int order = walk::CompareTimes(moto, saki);
  if (order == 0) {
    view_.SetStatus(Text(Msg::SameDate));
  } else if (order < 0) {
    view_.SetStatus(Text(Msg::DestNewer));
  } else if (!CopyOnPool(source, dest, name, CopyKind::Overwrite, false, known)) {
    CopyOne(source, dest, name, CopyKind::Overwrite);
  }
}

CopyEngine::Next CopyEngine::CopyEntry(const std::string& folder, const std::string& name,
                                       const std::string& dest, bool inMade) {
  // Our own unfinished copies (a source that once was a destination may
  // hold some) are never the user's data.
  if (fs_.ClassifyEntry(folder, name) != Temporary::NotOurs) return Next::Stay;
  const std::string source = folder + name;
  std::string byPath;
  const std::string& shown = walk::ItemName(source, name, state_, byPath);
  const std::uint32_t attrs = fs_.Attributes(source);
  // The versions folder inside the destination keeps what jobs replaced:
  // no source entry goes there, nor takes the place of a folder holding it.
  if (const VersionsRelation versions = RelationToVersions(state_, dest);
      versions == VersionsRelation::IsIt ||
      (versions == VersionsRelation::HoldsIt && !(attrs & kAttrDirectory))) {
    ++state_.FailedCount;
    Report(view_, Text(Msg::VersionsOverlapSkipped, shown));
    return Next::Stay;
  }
  if (attrs & kAttrDirectory) {
    if (walk::IsVolumeSystemName(name) && fs_.IsVolumeRoot(folder)) return Next::Stay;
    return PrepareFolder(source, shown, dest, attrs, inMade);
  }
  if (attrs & kAttrDevice) {
    Report(view_, Text(Msg::NotRegularFile, shown));
    return Next::Stay;
  }
  if (attrs & kAttrReparsePoint) {
    // A link to a file is copied as that file; a broken one has nothing to copy.
    try {
      fs_.LastWriteTime(source);
    } catch (const FsError& e) {
      if (e.kind() != FsErrorKind::NotFound) throw;
      Report(view_, Text(Msg::LinkTargetMissing, shown));
      return Next::Stay;
    }
  }
  CopyFileEntry(source, dest, shown, inMade ? DestName::Free : DestName::Unknown);
  return Next::Stay;
}

void CopyEngine::MakeSakiFolder() {
  try {
    const std::string& moto = state_.MotoFolder;
    const std::size_t length = moto.size();
    std::size_t last = 0;  // 1-based position of the last inner separator
    for (std::size_t i = 1; i <= length; ++i) {
      if (moto[i - 1] == kPathSeparator && i != length) last = i;
    }
    const std::string name = length == 0 ? std::string() : moto.substr(last, length - last - 1);
    state_.SakiFolderMade = false;
    try {
      // The subfolder gets the source folder's permissions, where there is one.
      if (state_.DryRun) {
        // A preview makes nothing.
      } else if (ChkExist(fs_, moto)) {
        fs_.MakeFolderLike(state_.SakiFolder + name, moto);
        state_.SakiFolderMade = true;
      } else {
        fs_.MakeFolder(state_.SakiFolder + name);
        state_.SakiFolderMade = true;
      }
    } catch (const std::exception&) {
      // Mostly there from an earlier job; the caller checks the folder.
    }
    state_.SakiFolder += name;
    state_.SakiFolder += PlusYen(state_.SakiFolder);
  } catch (const std::exception& e) {
    view_.MsgBox(ErrorDescription(e), kMbOk);
  }
}

bool CopyEngine::OneEntryAtDest(const std::string& folder, const std::string& sakiBase,
                                const std::string& earlier, const std::string& name) {
  // Only a name the walk copies takes its place at the destination.
  if (fs_.ClassifyEntry(folder, earlier) != Temporary::NotOurs) return false;
  const walk::Kind kind = walk::KindOf(fs_, folder + earlier);
  if (kind != walk::Kind::File && kind != walk::Kind::Folder) return false;
  // The volume says so (learned by what it does: FUSE drivers give each
  // spelling an inode of its own), or both names lead to one entry.
  if (fs_.IgnoresCase(sakiBase)) return true;
  // The earlier name's copy may still be in flight.
  if (pool_ != nullptr && !pool_->Telling()) pool_->Drain();
  FileId earlierId;
  FileId id;
  return fs_.Identify(sakiBase + earlier, earlierId) && fs_.Identify(sakiBase + name, id) &&
         id == earlierId;
}

void CopyEngine::FolderCopy(const std::string& folder, bool destMade) {
  const walk::WalkRoot root(state_, state_.MotoFolder);
  const int volumeInFlight = fs_.CopiesInFlight(state_.SakiFolder);
  readAheadDest_ = volumeInFlight >= FileSystem::kCopiesInFlightOnAShare;
  const int inFlight = state_.DryRun ? 1 : state_.Parallel > 0 ? state_.Parallel : volumeInFlight;
  // A copy walk inside the sync walk (a file there became a folder) starts
  // once the removals handed out before it are told, and gives their pool
  // back at its end.
  CopyPool* const outer = pool_;
  if (outer != nullptr) outer->Drain();
  struct Restore {
    CopyEngine& engine;
    CopyPool* outer;
    ~Restore() {
      engine.pool_ = outer;
      engine.ordered_.Use(outer);
    }
  } restore{*this, outer};
  if (inFlight <= 1) {
    pool_ = nullptr;
    ordered_.Use(nullptr);
    CopyFolder(folder, destMade);
    return;
  }
  // The walk decides everything here, in its order; the copies it decides
  // on run on the pool, and their lines come back in that same order.
  CopyPool pool(inFlight, PoolIdle());
  pool_ = &pool;
  ordered_.Use(&pool);
  CopyFolder(folder, destMade);
  EndPool(pool);
}

std::function<bool()> CopyEngine::PoolIdle() {
  return [this] {
    view_.Yield();
    return state_.StopFlag;
  };
}

void CopyEngine::EndPool(CopyPool& pool) {
  // Stop hands out nothing more: what no worker has started is dropped,
  // what is in flight is finished and told.
  if (state_.StopFlag) {
    pool.Stop();
  } else {
    pool.Drain();
  }
}

void CopyEngine::CopyFolder(const std::string& folder, bool destMade) {
  const std::string pattern = folder + walk::kAllEntries;
  const std::string sakiBase = state_.SakiFolder + walk::Relative(folder, state_);
  // What the destination's volume cannot keep is learned once, before its
  // first file is compared.
  if (folder == state_.MotoFolder && !state_.DryRun) fs_.LearnVolume(state_.SakiFolder);
  std::string name;
  try {
    name = fs_.ListStart(pattern, kListEverything);
    // A folder lists at least "." while it exists: nothing at all below the
    // root means it went away since its parent listed it.
    if (name.empty() && folder != state_.MotoFolder &&
        ProbeEntry(fs_, folder) == Presence::Absent) {
      throw FsError(FsErrorKind::NotFound, folder);
    }
  } catch (const std::exception& e) {
    EntryFailed(Text(Msg::FolderUncopied, walk::FolderLabel(folder, state_)), e);
    CopyTrapBox();
    return;
  }
  // On a share the destination folder is read through before its entries
  // are looked at, and again after a descent that took long enough for the
  // system to forget what the first reading told it.
  auto readAt = std::chrono::steady_clock::time_point{};
  const auto readDestAhead = [&] {
    const auto now = std::chrono::steady_clock::now();
    if (!readAheadDest_ || destMade || now - readAt < std::chrono::seconds(1)) return;
    fs_.ReadAhead(sakiBase);
    readAt = now;
  };
  readDestAhead();
  // The names of this folder as a destination that ignores case sees them,
  // by the hash of the folded name (a hash shared by chance costs only the
  // look at the destination that tells): two names it takes for one are
  // never copied over each other. The names themselves lie one after the
  // other in `names`, each ended by a NUL, the map holding where.
  std::unordered_map<std::size_t, std::size_t> folded;
  std::string names;
  std::string fold;
  while (!name.empty()) {
    view_.Yield();
    if (state_.StopFlag) return;
    bool descended = false;
    if (!walk::IsDotEntry(name)) {
      Next next = Next::Stay;
      walk::FoldName(name, fold);
      const auto [first, unique] = folded.try_emplace(std::hash<std::string>{}(fold), names.size());
      bool clash = false;
      if (unique) {
        names.append(name).push_back('\0');
      } else if (const std::string earlier(names.c_str() + first->second);
                 OneEntryAtDest(folder, sakiBase, earlier, name)) {
        clash = true;
        ++state_.FailedCount;
        Report(view_,
               Text(Msg::SameNameInDest, walk::ItemName(folder + name, name, state_), earlier));
      }
      if (!clash) {
        try {
          next = CopyEntry(folder, name, sakiBase + name, destMade);
        } catch (const std::exception& e) {
          EntryFailed(Text(Msg::CopyFailed, walk::ItemName(folder + name, name, state_)), e);
          CopyTrapBox();
        }
      }
      if (next != Next::Stay) {
        const std::string destFolder = sakiBase + name;
        if (!state_.DryRun) fs_.BeginFilling(destFolder);
        CopyFolder(folder + name + kSep, next == Next::DescendIntoMade);
        // The folder's own mode comes back once its copies are done.
        if (!state_.DryRun) AfterCopies([this, destFolder] { fs_.EndFilling(destFolder); });
        descended = true;
      }
    }
    if (descended) readDestAhead();
    try {
      // A descent used the one listing cursor: pick up after `name`.
      name = descended ? fs_.ListResumeAfter(pattern, kListEverything, name) : fs_.ListNext();
    } catch (const std::exception& e) {
      EntryFailed(Text(Msg::FolderRestUncopied, walk::FolderLabel(folder, state_)), e);
      CopyTrapBox();
      return;
    }
  }
}

}  // namespace mirtel
