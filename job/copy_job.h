// What every copy job does once its folders are settled, whoever started it
// (the window or the console): the roots taken by identity, the walks with
// their guards, and the result line.
#pragma once

#include <functional>
#include <string>

#include "engine/copy_engine.h"
#include "engine/job_state.h"
#include "platform/file_system.h"
#include "platform/walk_view.h"

namespace mirtel {

// The question asked before anything is removed.
inline constexpr std::string_view kSyncConfirmText =
    "同期モードはコピー先のファイル内容をコピー元にあわせるため\r\n"
    "コピー先のファイルを削除することがありますがよろしいですか？";
inline constexpr std::string_view kSyncConfirmTitle = "コピー開始の確認";
inline constexpr std::string_view kSameFolderText = "コピー元とコピー先が同じです";
inline constexpr std::string_view kMassRemovalSkipped =
    "ごみ箱に移す項目が多いため、同期の削除は行いませんでした";

// Asks the sync confirmation; true for Yes.
bool ConfirmSync(WalkView& view);

// True when the two normalised folders are one folder: the same text (as
// the platform compares paths) or the same folder reached another way.
bool SameJobFolders(FileSystem& fs, const std::string& moto, const std::string& saki);

// After MakeSakiFolder and the check that SakiFolder is a folder: the
// refusal text when the job must not run ("" when it may), and the roots'
// identities taken into the job state.
std::string SettleRoots(FileSystem& fs, JobState& state);

// A sync that would send more than half of the destination, and more than
// ten items, to the Recycle Bin / Trash: most often a wrong or half-empty
// source, so it is not done without a second yes.
bool IsMassRemoval(const PruneCount& count);

// The question of the window for such a sync; true for Yes (No is the
// default).
bool ConfirmMassRemoval(WalkView& view, const PruneCount& count);

// The copy walk, then the pruning when `syncNow()` says sync mode is on
// (read after the walk: the mode may be switched meanwhile). A job started
// in normal mode asks the confirmation before it prunes. Before removing
// anything the pruning counts what would go; a mass removal goes ahead only
// when `allowMassRemoval` says so.
void RunWalks(CopyEngine& engine, JobState& state, WalkView& view,
              const std::function<bool()>& syncNow,
              const std::function<bool(const PruneCount&)>& allowMassRemoval);

// The line that sums the job up: the count, the failures, a stop.
std::string ResultLine(const JobState& state);
// Its two parts: what was copied (or, in a preview, would be), and the
// failures and the stop ("" for a clean job).
std::string ResultCount(const JobState& state);
std::string ResultWarnings(const JobState& state);

}  // namespace mirtel
