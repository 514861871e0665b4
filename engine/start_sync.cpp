// The sync walk: StartSync and its removal through FileCopySub.
#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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

// Pruning trusts an absent source name only when the source root itself is
// there, readable and not empty: an unplugged drive or a failed mount must
// not empty the destination.
bool SourceCanBePruned(FileSystem& fs, WalkView& view, const std::string& motoRoot) {
  std::optional<Msg> why;
  switch (ProbeEntry(fs, motoRoot)) {
    case Presence::Absent:
      why = Msg::PruneSourceMissing;
      break;
    case Presence::Unknown:
      why = Msg::PruneSourceUnchecked;
      break;
    case Presence::Present:
      try {
        std::string name = fs.ListStart(motoRoot + walk::kAllEntries, kListEverything);
        while (walk::IsDotEntry(name)) name = fs.ListNext();
        if (name.empty()) why = Msg::PruneSourceEmpty;
      } catch (const std::exception&) {
        why = Msg::PruneSourceUnreadable;
      }
      break;
  }
  if (!why) return true;
  const std::string text = Text(Msg::PruneSkipped, Text(*why));
  Report(view, text);
  view.MsgBox(text, kMbOk);
  return false;
}

}  // namespace

void CopyEngine::SyncTrapBox() {
  // The standard trap of StartSync, once a job.
  if (state_.SyncErrorShown) return;
  state_.SyncErrorShown = true;
  ReportError(view_, "StartSync");
}

void CopyEngine::StopPruning() {
  if (state_.PruningStopped) return;
  state_.PruningStopped = true;
  ++state_.FailedCount;
  const std::string text = Text(Msg::PruneSourceChanged);
  Report(view_, text);
  view_.MsgBox(text, kMbOk);
}

bool CopyEngine::SourceStillThere(const std::string& motoFolder, const FileId& motoHere) {
  // The source root must be the folder the job started with (an unmounted
  // volume leaves an empty folder of the same name behind), and the folder
  // compared must be the one this level started with.
  FileId root;
  FileId here;
  // At the top the two are one folder, asked once.
  const bool top = motoFolder == state_.MotoFolder;
  if (!state_.MotoIdKnown || !fs_.Identify(state_.MotoFolder, root) || !(root == state_.MotoId) ||
      !(top ? root == motoHere : fs_.Identify(motoFolder, here) && here == motoHere)) {
    StopPruning();
    return false;
  }
  return true;
}

std::string CopyEngine::SourceSpelling(const std::string& motoFolder, const std::string& name) {
  const std::string folded = walk::FoldedName(name);
  std::string fold;
  for (std::string other = fs_.ListStart(motoFolder + walk::kAllEntries, kListEverything);
       !other.empty(); other = fs_.ListNext()) {
    if (other == name || walk::IsDotEntry(other)) continue;
    walk::FoldName(other, fold);
    if (fold == folded) return other;
  }
  return {};
}

bool CopyEngine::PruneEntry(const std::string& folder, const std::string& motoRoot,
                            const std::string& relative, const std::string& name,
                            const FileId& motoHere) {
  const std::string path = folder + name;
  switch (fs_.ClassifyEntry(folder, name)) {
    case Temporary::Dead:
      // A copy of ours that a run ended before finishing: never the user's.
      if (state_.DryRun) return false;
      try {
        fs_.RemoveLeftover(path);
        return false;
      } catch (const FsError& e) {
        // Not ours after all (its mark went meanwhile): the user's file.
        if (e.kind() != FsErrorKind::NotALeftover) throw;
      }
      break;
    case Temporary::Live:
      return false;
    case Temporary::NotOurs:
      break;
  }
  const std::uint32_t attrs = fs_.Attributes(path);
  // A link, even one to a folder, is an item of its own: it goes itself and
  // is never walked through.
  const bool isFolder = (attrs & kAttrDirectory) && !(attrs & kAttrReparsePoint);
  if (isFolder && walk::IsVolumeSystemName(name) && fs_.IsVolumeRoot(folder)) return false;
  // The versions folder stays, and so does every folder holding it.
  switch (RelationToVersions(state_, path)) {
    case VersionsRelation::IsIt:
      return false;
    case VersionsRelation::HoldsIt:
      if (!isFolder) return false;
      PruneFolder(path + kSep, motoRoot);
      return true;
    case VersionsRelation::None:
      break;
  }
  const std::string counterpart = motoRoot + relative + name;
  std::string byPath;
  const std::string& shown = walk::ItemName(path, name, state_, byPath);
  const std::string label = isFolder ? Text(Msg::FolderLabel, shown) : shown;
  // Replaced by a preview's copy walk: as the source has it now.
  if (state_.DryRun && state_.DryRunReplaced.count(path) != 0) return false;
  const walk::Kind source = walk::KindOf(fs_, counterpart);
  if (source == walk::Kind::Unknown) {
    // Kept, and the job is not clean: this item could not be brought in line.
    ++state_.FailedCount;
    Report(view_, Text(Msg::KeptSourceUnchecked, label));
    return false;
  }
  // Not copied (a link to a folder, a device): what the destination holds
  // under its name stays as it is.
  if (source == walk::Kind::Skipped) return false;
  if (source == walk::Kind::Folder && isFolder) {
    view_.SetStatus(Text(Msg::SearchingFolders));
    PruneFolder(path + kSep, motoRoot);
    return true;
  }
  if (source == walk::Kind::File && !isFolder) return false;
  if (source != walk::Kind::Missing) {
    // The source now holds the other kind under this name: the destination
    // follows it.
    const bool sourceIsFolder = source == walk::Kind::Folder;
    if (!SourceStillThere(motoRoot + relative, motoHere)) return false;
    if (!ReplaceWithSource(path, counterpart, shown, sourceIsFolder) || !sourceIsFolder) {
      return false;
    }
    FolderCopy(counterpart + kSep);
    return true;
  }
  // The source has it in another letter case (renamed so, or a volume that
  // lists names in a case of its own): the same entry on this volume, which
  // takes the source's spelling and is never removed.
  const bool caseBlind = fs_.IgnoresCase(folder);
  if (const std::string spelling = caseBlind ? SourceSpelling(motoRoot + relative, name) : "";
      !spelling.empty()) {
    if (!state_.DryRun) {
      try {
        fs_.RenameInFolder(path, spelling);
      } catch (const std::exception& e) {
        ++state_.FailedCount;
        Report(view_, Text(Msg::CannotRename, label, spelling, ErrorReason(e)));
        return true;
      }
    }
    Report(view_, Text(Msg::Renamed, label, spelling));
    if (isFolder) PruneFolder(folder + spelling + kSep, motoRoot);
    return true;
  }
  // From here on the listing cursor was used when the look for another
  // spelling listed the source.
  if (isFolder && state_.FailedRemovals.count(path) != 0) return caseBlind;
  if (isFolder) {
    FileId id;
    if (fs_.Identify(path, id) && walk::AnyOf(state_.MotoAncestors, id)) {
      // The source lies in it: never remove the source itself.
      Report(view_, Text(Msg::HoldsSource, label));
      if (id == state_.MotoId) return caseBlind;
      PruneFolder(path + kSep, motoRoot);
      return true;
    }
  }
  if (!SourceStillThere(motoRoot + relative, motoHere)) return caseBlind;
  RemoveItem(path, shown, label, isFolder);
  // The listing goes on with the entry after it; the removed item needs no
  // visit.
  return caseBlind;
}

void CopyEngine::RemoveItem(const std::string& path, const std::string& shown,
                            const std::string& label, bool isFolder) {
  // Decided here, every guard passed; on a share the move itself runs on
  // a worker beside the next decisions, its line told in the walk's order.
  std::function<void()> move;
  if (removalsInFlight_ > 1 && !state_.DryRun && state_.VersionsFolder.empty()) {
    move = recycler_.MoveLater(path);
  }
  if (!move) {
    RemovalTold(path, shown, label, isFolder, FileCopySub(path, kFoDelete));
    return;
  }
  if (!removalPool_) {
    removalPool_ = std::make_unique<CopyPool>(removalsInFlight_, PoolIdle());
    pool_ = removalPool_.get();
    ordered_.Use(pool_);
  }
  removalPool_->Submit(std::move(move), [=, this](std::exception_ptr error) {
    bool removed = true;
    try {
      if (error) std::rethrow_exception(error);
      fs_.NoteChanged(path);
    } catch (const std::exception& e) {
      RemovalFailed(e);
      removed = false;
    }
    RemovalTold(path, shown, label, isFolder, removed);
  });
}

void CopyEngine::RemovalTold(const std::string& path, const std::string& shown,
                             const std::string& label, bool isFolder, bool removed) {
  if (removed) {
    ++state_.RemovedCount;
    Report(view_, RemovalLine(shown, isFolder));
  } else {
    ++state_.FailedCount;
    if (isFolder) state_.FailedRemovals.insert(path);
    Report(view_, Text(Msg::CannotRemove, label, state_.LastRemovalError));
  }
}

void CopyEngine::StartSync(const std::string& folder, const std::string& motoRoot) {
  const walk::WalkRoot root(state_, state_.SakiFolder);
  removalsInFlight_ = state_.Parallel > 0 ? state_.Parallel : fs_.CopiesInFlight(folder);
  PruneFolder(folder, motoRoot);
  if (!removalPool_) return;
  EndPool(*removalPool_);
  pool_ = nullptr;
  ordered_.Use(nullptr);
  removalPool_.reset();
}

void CopyEngine::PruneFolder(const std::string& folder, const std::string& motoRoot) {
  if (state_.PruningStopped) return;
  const std::string relative = walk::Relative(folder, state_);
  if (relative.empty()) {
    if (state_.StopFlag) return;
    if (!SourceCanBePruned(fs_, view_, motoRoot)) return;
  }
  // What this level compares against, checked again before every removal.
  FileId motoHere;
  {
    FileId root;
    if (!state_.MotoIdKnown || !fs_.Identify(motoRoot, root) || !(root == state_.MotoId)) {
      StopPruning();
      return;
    }
    if (!fs_.Identify(motoRoot + relative, motoHere)) {
      // Gone from the source since its parent was compared, or not to be
      // looked at: left for the next job, which sees it as it then is. Work
      // left undone, so the job is not a clean one.
      ++state_.FailedCount;
      Report(view_, Text(Msg::KeptSourceUnchecked,
                         Text(Msg::FolderLabel, walk::FolderLabel(folder, state_))));
      return;
    }
    if (motoHere.volume != state_.MotoId.volume) {
      StopPruning();
      return;
    }
  }
  const std::string pattern = folder + walk::kAllEntries;
  std::string name;
  try {
    name = fs_.ListStart(pattern, kListEverything);
  } catch (const std::exception& e) {
    ++state_.FailedCount;
    Report(view_, Text(Msg::FolderUnsynced, walk::FolderLabel(folder, state_), ErrorReason(e)));
    SyncTrapBox();
    return;
  }
  while (!name.empty()) {
    view_.Yield();
    if (state_.StopFlag || state_.PruningStopped) return;
    bool descended = false;
    if (!walk::IsDotEntry(name)) {
      try {
        descended = PruneEntry(folder, motoRoot, relative, name, motoHere);
      } catch (const std::exception& e) {
        ++state_.FailedCount;
        Report(view_, Text(Msg::ItemUnsynced, walk::ItemName(folder + name, name, state_),
                           ErrorReason(e)));
        SyncTrapBox();
      }
      if (state_.PruningStopped) return;
    }
    try {
      name = descended ? fs_.ListResumeAfter(pattern, kListEverything, name) : fs_.ListNext();
    } catch (const std::exception& e) {
      ++state_.FailedCount;
      Report(view_,
             Text(Msg::FolderRestUnsynced, walk::FolderLabel(folder, state_), ErrorReason(e)));
      SyncTrapBox();
      return;
    }
  }
}

std::string CopyEngine::RemovalLine(const std::string& name, bool isFolder) const {
  if (state_.DryRun) {
    return Text(state_.VersionsFolder.empty() ? Msg::WouldRecycle : Msg::WouldMoveToVersions,
                isFolder ? Text(Msg::FolderLabel, name) : name);
  }
  return Text(isFolder ? Msg::RemovingFolder : Msg::Removing, name);
}

PruneCount CopyEngine::CountPruning() {
  const walk::WalkRoot root(state_, state_.SakiFolder);
  PruneCount count;
  CountFolder(state_.SakiFolder, std::string(), false, count);
  return count;
}

void CopyEngine::CountFolder(const std::string& folder, const std::string& relative, bool removing,
                             PruneCount& count) {
  // The same decisions as PruneEntry, without acting on them; a folder that
  // would go is counted with everything in it. Each side is read whole, and
  // an entry is looked at only where the reading does not tell enough.
  // What cannot be listed or looked at is not counted; the sync walk
  // reports it.
  try {
    CountEntries(folder, relative, removing, count);
  } catch (const std::exception&) {
  }
}

void CopyEngine::CountEntries(const std::string& folder, const std::string& relative, bool removing,
                              PruneCount& count) {
  std::vector<FolderEntry> entries;
  if (!fs_.ReadFolder(folder, entries)) return;
  const std::string motoFolder = state_.MotoFolder + relative;
  std::vector<FolderEntry> sourceEntries;
  const bool sourceRead = !removing && fs_.ReadFolder(motoFolder, sourceEntries);
  const auto byName = [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; };
  if (sourceRead) std::sort(sourceEntries.begin(), sourceEntries.end(), byName);
  for (const FolderEntry& entry : entries) {
    view_.Yield();
    if (state_.StopFlag) return;
    const std::string& name = entry.name;
    if (fs_.ClassifyEntry(folder, name) != Temporary::NotOurs) continue;
    const std::string path = folder + name;
    const VersionsRelation versions = RelationToVersions(state_, path);
    if (versions == VersionsRelation::IsIt) continue;
    bool isFolder = entry.kind == FolderEntry::Kind::Folder;
    if (entry.kind == FolderEntry::Kind::Unknown) {
      std::uint32_t attrs = 0;
      FsErrorKind why = FsErrorKind::Other;
      if (!fs_.TryAttributes(path, attrs, why)) continue;
      isFolder = (attrs & kAttrDirectory) && !(attrs & kAttrReparsePoint);
    }
    bool goes = removing;
    bool walkInside = isFolder;
    if (!removing) {
      if (isFolder && walk::IsVolumeSystemName(name) && fs_.IsVolumeRoot(folder)) continue;
      // The source's reading answers for a plain file, a folder or a
      // device; a link, a name it lacks (a volume that ignores case may
      // still have it) and one it could not read are looked at.
      walk::Kind source = walk::Kind::Unknown;
      if (sourceRead) {
        const auto at = std::lower_bound(sourceEntries.begin(), sourceEntries.end(), entry, byName);
        const FolderEntry::Kind listed =
            at != sourceEntries.end() && at->name == name ? at->kind : FolderEntry::Kind::Unknown;
        if (listed == FolderEntry::Kind::File) source = walk::Kind::File;
        if (listed == FolderEntry::Kind::Folder) source = walk::Kind::Folder;
        if (listed == FolderEntry::Kind::Device) source = walk::Kind::Skipped;
      }
      if (source == walk::Kind::Unknown) source = walk::KindOf(fs_, motoFolder + name);
      const bool same =
          (source == walk::Kind::Folder && isFolder) || (source == walk::Kind::File && !isFolder);
      goes = !same && source != walk::Kind::Unknown && source != walk::Kind::Skipped;
      if (goes && source == walk::Kind::Missing && fs_.IgnoresCase(folder)) {
        // The source has it in another case: renamed, never removed.
        goes = SourceSpelling(motoFolder, name).empty();
      }
      walkInside = isFolder && (same || goes);
      FileId id;
      if (goes && isFolder && fs_.Identify(path, id) && walk::AnyOf(state_.MotoAncestors, id)) {
        goes = false;
      }
      if (versions == VersionsRelation::HoldsIt) {
        goes = false;
        walkInside = isFolder;
      }
    }
    ++count.entries;
    if (goes) ++count.removals;
    if (walkInside) CountFolder(path + kSep, relative + name + kSep, goes, count);
  }
}

bool CopyEngine::FileCopySub(const std::string& from, std::int32_t operation) {
  if (state_.DryRun) return true;
  try {
    std::string path = from;
    if (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
    // Only removal is asked for, and it always goes to the Recycle Bin /
    // Trash: nothing is ever deleted for good.
    if (operation != kFoDelete) {
      throw FsError(FsErrorKind::Other, path, Text(Msg::OperationUnsupported));
    }
    if (state_.VersionsFolder.empty()) {
      recycler_.MoveToRecycleBin(path);
    } else {
      fs_.MoveAside(path, VersionPlace(fs_, state_, path));
    }
    // Whatever took it, the file system must not answer from what it saw
    // there before.
    fs_.NoteChanged(path);
    return true;
  } catch (const std::exception& e) {
    RemovalFailed(e);
    return false;
  }
}

void CopyEngine::RemovalFailed(const std::exception& error) {
  state_.LastRemovalError = ErrorReason(error);
  if (const auto* fsError = dynamic_cast<const FsError*>(&error);
      fsError != nullptr && fsError->kind() == FsErrorKind::NoRecycleBin) {
    state_.NoTrash = true;
  }
  if (!state_.RemovalErrorShown) {
    state_.RemovalErrorShown = true;
    ReportError(view_, "FileCopySub");
  }
}

}  // namespace mirtel
