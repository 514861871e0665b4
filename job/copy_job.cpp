#include "job/copy_job.h"

#include <utility>

#include "engine/job_roots.h"
#include "engine/path_helpers.h"
#include "platform/native_path.h"

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
      return "コピー元が存在しません。";
    case JobRefusal::NoDest:
      return "コピー先が存在しません。";
    case JobRefusal::SameFolders:
      return "コピー元とコピー先が同じです";
    case JobRefusal::DestUnreachable:
      return "コピー先のフォルダが開けません";
    case JobRefusal::DestIsLink:
      return "コピー先のフォルダ" + Unended(state.SakiFolder) + "はリンクなので使えません";
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
  return view.MsgBox(kSyncConfirmText, kMbYesNo | kMbDefButton2, kSyncConfirmTitle) == kIdYes;
}

bool SameJobFolders(FileSystem& fs, const std::string& moto, const std::string& saki) {
  return SameFolder(moto, saki) || SameFolderByIdentity(fs, moto, saki);
}

bool IsMassRemoval(const PruneCount& count) {
  return count.removals > 10 && count.removals * 2 > count.entries;
}

bool ConfirmMassRemoval(WalkView& view, const PruneCount& count) {
  const std::string text = "コピー先の" + std::to_string(count.entries) + "個の項目のうち" +
                           std::to_string(count.removals) +
                           "個をごみ箱に移動します。\r\n"
                           "コピー元のフォルダが正しいか確かめてください。よろしいですか？";
  return view.MsgBox(text, kMbYesNo | kMbDefButton2 | kMbIconQuestion, "削除の確認") == kIdYes;
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
      view.AppendResult("同期の削除は行いませんでした");
      return;
    }
    state.PruneConfirmed = true;
  }
  if (state.SourceInsideDest) {
    // The source itself is an entry of the destination tree and would be
    // pruned with it.
    view.AppendResult("コピー元がコピー先の中にあるため、同期の削除は行いませんでした");
    return;
  }
  const PruneCount count = engine.CountPruning();
  if (state.StopFlag) return;
  if (IsMassRemoval(count) && !allowMassRemoval(count)) {
    view.AppendResult(kMassRemovalSkipped);
    return;
  }
  engine.StartSync(state.SakiFolder, state.MotoFolder);
}

std::string ResultCount(const JobState& state) {
  if (state.CopiedCount != 0 || state.FailedCount != 0) {
    // A preview says what a job would do, never that it did it.
    return std::to_string(state.CopiedCount) +
           (state.DryRun ? "個のファイルをコピーします（予定）" : "個のファイルをコピーしました");
  }
  if (state.FoundFile) return "コピーの必要なファイルはありません";
  return "コピー元にファイルが存在しません";
}

std::string ResultWarnings(const JobState& state) {
  std::string warnings;
  if (state.FailedCount != 0) warnings += "（失敗 " + std::to_string(state.FailedCount) + "件）";
  if (state.NoTrash) warnings += "（ごみ箱が使えないため削除できなかった項目があります）";
  if (state.StopFlag) warnings += "（中断しました）";
  return warnings;
}

std::string ResultLine(const JobState& state) { return ResultCount(state) + ResultWarnings(state); }

}  // namespace mirtel
