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

// Asks the sync confirmation; true for Yes.
bool ConfirmSync(WalkView& view);

// True when the two normalised folders are one folder: the same text (as
// the platform compares paths) or the same folder reached another way.
bool SameJobFolders(FileSystem& fs, const std::string& moto, const std::string& saki);

// After MakeSakiFolder and the check that SakiFolder is a folder: the
// refusal text when the job must not run ("" when it may), and the roots'
// identities taken into the job state.
std::string SettleRoots(FileSystem& fs, JobState& state);

// The copy walk, then the pruning when `syncNow()` says sync mode is on
// (read after the walk: the mode may be switched meanwhile). A job started
// in normal mode asks the confirmation before it prunes.
void RunWalks(CopyEngine& engine, JobState& state, WalkView& view,
              const std::function<bool()>& syncNow);

// The line that sums the job up: the count, the failures, a stop.
std::string ResultLine(const JobState& state);

}  // namespace mirtel
