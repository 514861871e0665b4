// What every copy job does, whoever started it (the window, the console or a
// test): its folders normalised and checked, the destination subfolder made
// and checked, the roots taken by identity, the walks with their guards, and
// the result line. The one who started it only asks and answers.
#pragma once

#include <functional>
#include <string>

#include "engine/copy_engine.h"
#include "engine/job_state.h"
#include "platform/file_system.h"
#include "platform/recycler.h"
#include "platform/walk_view.h"

namespace mirtel {

// Why a job does not run.
enum class JobRefusal {
  None,             // it may run
  NoSource,         // the source field is empty
  NoDest,           // the destination field is empty
  SameFolders,      // the source and the destination are one folder
  DestUnreachable,  // the destination (subfolder) cannot be opened as a folder
  DestIsLink,       // the job's destination subfolder is a link: never followed
};

// The user's text of a refusal, the same for the window and the console.
std::string RefusalText(JobRefusal refusal, const JobState& state);

// Prepares and runs one job on `state`. Its steps are the window's: the
// folders, the checks on them, the destination, the walks.
class CopyJob {
 public:
  CopyJob(FileSystem& fs, Recycler& recycler, WalkView& view, JobState& state)
      : fs_(fs), recycler_(recycler), view_(view), state_(state) {}

  // The folder texts as the roots of the job: each ends in the separator
  // (an empty text becomes the separator alone).
  void SetFolders(const std::string& motoText, const std::string& sakiText);

  // The checks on the folders themselves: empty fields, one folder twice.
  // The window takes a field holding the separator alone for an empty one;
  // the command, whose folders are made absolute, may name the root "/".
  JobRefusal CheckFolders(bool separatorAloneIsEmpty = true);

  // Points SakiFolder into the subfolder named after the source (unless the
  // source is a drive root) and makes it, then checks that it is a folder
  // that may take the job and takes the roots' identities. A preview makes
  // nothing, so the subfolder it would make may be missing. May throw what
  // the file system throws.
  JobRefusal SettleDestination();

  // A new run: its counters start afresh, then the walks (see RunWalks).
  void Run(const std::function<bool()>& syncNow,
           const std::function<bool(const PruneCount&)>& allowMassRemoval);

  // The user's text of a refusal of this job.
  std::string RefusalText(JobRefusal refusal) const { return mirtel::RefusalText(refusal, state_); }

 private:
  FileSystem& fs_;
  Recycler& recycler_;
  WalkView& view_;
  JobState& state_;
  bool motoTextEmpty_ = false;
  bool sakiTextEmpty_ = false;
};

// Asks the sync confirmation; true for Yes.
bool ConfirmSync(WalkView& view);

// True when the two normalised folders are one folder: the same text (as
// the platform compares paths) or the same folder reached another way.
bool SameJobFolders(FileSystem& fs, const std::string& moto, const std::string& saki);

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
