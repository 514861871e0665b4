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

}  // namespace

bool ConfirmSync(WalkView& view) {
  return view.MsgBox(kSyncConfirmText, kMbYesNo | kMbDefButton2, kSyncConfirmTitle) == kIdYes;
}

bool SameJobFolders(FileSystem& fs, const std::string& moto, const std::string& saki) {
  return SameFolder(moto, saki) || SameFolderByIdentity(fs, moto, saki);
}

std::string SettleRoots(FileSystem& fs, JobState& state) {
  if (JobSubfolderIsLink(fs, state)) {
    std::string folder = state.SakiFolder;
    if (folder.size() > 1) folder.pop_back();
    return "コピー先のフォルダ" + folder + "はリンクなので使えません";
  }
  RecordRoots(fs, state);
  if (!state.SourceInsideDest)
    state.SourceInsideDest = LiesBelow(state.MotoFolder, state.SakiFolder);
  return {};
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
  state.RootLength = static_cast<std::int32_t>(state.MotoFolder.size());
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
  state.RootLength = static_cast<std::int32_t>(state.SakiFolder.size());
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
  if (state.StopFlag) warnings += "（中断しました）";
  return warnings;
}

std::string ResultLine(const JobState& state) { return ResultCount(state) + ResultWarnings(state); }

}  // namespace mirtel
