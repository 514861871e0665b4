#include "job/copy_job.h"

#include <utility>

#include "engine/job_roots.h"
#include "engine/path_helpers.h"
#include "platform/native_path.h"
#include "text/message.h"

namespace mirtel {

namespace {

// True when `inner` lies strictly below folder `outer` (both end in the
// separator), compared as the platform compares paths.
bool LiesBelow(const std::string& inner, const std::string& outer) {
  return inner.size() > outer.size() && SameFolder(inner.substr(0, outer.size()), outer);
}

bool IsFolder(FileSystem& fs, const std::string& path) {
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  return fs.TryAttributes(path, attrs, why) && (attrs & kAttrDirectory) != 0;
}

// The folder without its final separator, as a message names it.
std::string Unended(std::string folder) {
  if (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  return folder;
}

}  // namespace

std::string RefusalText(JobRefusal refusal, const JobState& state) {
  switch (refusal) {
    case JobRefusal::None:
      return {};
    case JobRefusal::NoSource:
      return Text(Msg::NoSource);
    case JobRefusal::NoDest:
      return Text(Msg::NoDest);
    case JobRefusal::SameFolders:
      return Text(Msg::SameFolders);
    case JobRefusal::DestUnreachable:
      return Text(Msg::DestUnreachable);
    case JobRefusal::DestIsLink:
      return Text(Msg::DestIsLink, Unended(state.SakiFolder));
  }
  return {};
}

void CopyJob::SetFolders(const std::string& motoText, const std::string& sakiText) {
  motoTextEmpty_ = motoText.empty();
  sakiTextEmpty_ = sakiText.empty();
  state_.MotoFolder = motoText + PlusYen(motoText);
  state_.SakiFolder = sakiText + PlusYen(sakiText);
}

JobRefusal CopyJob::CheckFolders(bool separatorAloneIsEmpty) {
  const std::string emptyFolder = PlusYen("");
  if (motoTextEmpty_ || (separatorAloneIsEmpty && state_.MotoFolder == emptyFolder)) {
    return JobRefusal::NoSource;
  }
  if (sakiTextEmpty_ || (separatorAloneIsEmpty && state_.SakiFolder == emptyFolder)) {
    return JobRefusal::NoDest;
  }
  // The same text, or the same folder reached another way (a link, another
  // spelling): nothing may be made inside the source for it.
  if (state_.SakiFolder == state_.MotoFolder ||
      SameJobFolders(fs_, state_.MotoFolder, state_.SakiFolder)) {
    return JobRefusal::SameFolders;
  }
  return JobRefusal::None;
}

JobRefusal CopyJob::SettleDestination() {
  const std::string chosen = state_.SakiFolder;
  state_.SakiFolderMade = false;
  if (!IsDriveRoot(state_.MotoFolder)) CopyEngine(fs_, recycler_, view_, state_).MakeSakiFolder();
  // A file where the folder should be cannot take the copies either.
  if (!IsFolder(fs_, state_.SakiFolder)) {
    const bool previewOfNewFolder =
        state_.DryRun && IsFolder(fs_, chosen) && !ChkExist(fs_, state_.SakiFolder);
    if (!previewOfNewFolder) return JobRefusal::DestUnreachable;
  }
  if (JobSubfolderIsLink(fs_, state_)) return JobRefusal::DestIsLink;
  RecordRoots(fs_, state_);
  if (!state_.SourceInsideDest)
    state_.SourceInsideDest = LiesBelow(state_.MotoFolder, state_.SakiFolder);
  return JobRefusal::None;
}

void CopyJob::Run(const std::function<bool()>& syncNow,
                  const std::function<bool(const PruneCount&)>& allowMassRemoval) {
  state_.ResetRun();
  CopyEngine engine(fs_, recycler_, view_, state_);
  RunWalks(engine, state_, view_, syncNow, allowMassRemoval);
}

bool ConfirmSync(WalkView& view) {
  return view.MsgBox(Text(Msg::SyncConfirm), kMbYesNo | kMbDefButton2,
                     Text(Msg::SyncConfirmTitle)) == kIdYes;
}

bool SameJobFolders(FileSystem& fs, const std::string& moto, const std::string& saki) {
  return SameFolder(moto, saki) || SameFolderByIdentity(fs, moto, saki);
}

bool IsMassRemoval(const PruneCount& count) {
  return count.removals > 10 && count.removals * 2 > count.entries;
}

bool ConfirmMassRemoval(WalkView& view, const PruneCount& count) {
  const std::string text = Text(Msg::MassRemovalConfirm, count.entries, count.removals);
  return view.MsgBox(text, kMbYesNo | kMbDefButton2 | kMbIconQuestion,
                     Text(Msg::MassRemovalTitle)) == kIdYes;
}

void RunWalks(CopyEngine& engine, JobState& state, WalkView& view,
              const std::function<bool()>& syncNow,
              const std::function<bool(const PruneCount&)>& allowMassRemoval) {
  // What MakeSakiFolder knows holds for the walk that follows it only.
  engine.FolderCopy(state.MotoFolder, std::exchange(state.SakiFolderMade, false));
  if (!syncNow()) return;
  if (state.StopFlag) return;
  if (!state.PruneConfirmed) {
    // Switched to sync mode during the walk: removal needs the same consent
    // as a job started in sync mode.
    if (!ConfirmSync(view)) {
      view.AppendResult(Text(Msg::SyncRemovalDeclined));
      return;
    }
    state.PruneConfirmed = true;
  }
  if (state.SourceInsideDest) {
    // The source itself is an entry of the destination tree and would be
    // pruned with it.
    view.AppendResult(Text(Msg::SourceInsideDest));
    return;
  }
  const PruneCount count = engine.CountPruning();
  if (state.StopFlag) return;
  if (IsMassRemoval(count) && !allowMassRemoval(count)) {
    view.AppendResult(Text(Msg::MassRemovalSkipped));
    return;
  }
  engine.StartSync(state.SakiFolder, state.MotoFolder);
}

std::string ResultCount(const JobState& state) {
  if (state.CopiedCount != 0 || state.FailedCount != 0) {
    // A preview says what a job would do, never that it did it.
    return Text(state.DryRun ? Msg::ResultWouldCopy : Msg::ResultCopied, state.CopiedCount);
  }
  if (state.FoundFile) return Text(Msg::ResultNothingToCopy);
  return Text(Msg::ResultNoFiles);
}

std::string ResultWarnings(const JobState& state) {
  std::string warnings;
  if (state.FailedCount != 0) warnings += Text(Msg::ResultFailed, state.FailedCount);
  if (state.NoTrash) warnings += Text(Msg::ResultNoTrash);
  if (state.StopFlag) warnings += Text(Msg::ResultStopped);
  return warnings;
}

std::string ResultLine(const JobState& state) { return ResultCount(state) + ResultWarnings(state); }

}  // namespace mirtel
