// One copy job, from the press of the Copy button to the idle window, and
// its stop. The job runs on the window's thread; the walks yield to the
// event loop, so Stop, the mode switch and the hints run inside it.
#include <cstdint>
#include <string>

#include "app/frm_mirtel.h"
#include "app/result_display.h"
#include "app/visible_walk_view.h"
#include "engine/copy_engine.h"
#include "engine/error_trap.h"
#include "engine/path_helpers.h"
#include "job/copy_job.h"

namespace mirtel {

namespace {

constexpr std::string_view kDestinationUnreachable = "コピー先のフォルダが開けません";

// The twelve controls of the idle/busy switch, in the order they are set.
constexpr Control kSwitchedControlsFirst[] = {Control::cmdBackUp, Control::cmdBackMoto,
                                              Control::cmdBackSaki, Control::cmdQuit};
constexpr MenuItem kSwitchedMenus[] = {MenuItem::mnu_cmd_backmoto, MenuItem::mnu_cmd_backsaki,
                                       MenuItem::mnu_cmd_copy, MenuItem::mnu_cmd_end};
constexpr Control kSwitchedControlsLast[] = {Control::cmbBackMoto, Control::cmbBackSaki,
                                             Control::cmdOpenSaki, Control::cmdOpenMoto};

void SetTwelve(Window& w, bool enabled) {
  for (Control c : kSwitchedControlsFirst) w.SetEnabled(c, enabled);
  for (MenuItem m : kSwitchedMenus) w.SetEnabled(m, enabled);
  for (Control c : kSwitchedControlsLast) w.SetEnabled(c, enabled);
}

}  // namespace

void FrmMirtel::cmdBackUp_Click() {
  bool ready = false;
  ShortTrap(p_.window, [&] { ready = PrepareJob(); });
  if (ready) RunJob();
}

void FrmMirtel::mnu_cmd_copy_Click() {
  StandardTrap(p_.window, "mnu_cmd_copy_Click", [&] { cmdBackUp_Click(); });
}

bool FrmMirtel::PrepareJob() {
  Window& w = p_.window;
  // Stop re-enables Copy while the stopped walk is still returning: a job
  // must never start inside another.
  if (Copying_) {
    w.MsgBox("中断したコピーがまだ終わっていません。しばらくしてからもう一度実行してください");
    return false;
  }
  MotoFound_ = false;
  SakiFound_ = false;
  ComboBox& moto = w.Combo(Control::cmbBackMoto);
  ComboBox& saki = w.Combo(Control::cmbBackSaki);
  std::string motoText = moto.Text();
  job_.MotoFolder = motoText + PlusYen(motoText);
  std::string sakiText = saki.Text();
  job_.SakiFolder = sakiText + PlusYen(sakiText);

  job_.PruneConfirmed = false;
  if (DoukiMode_) {
    if (!ConfirmSync(w)) return false;
    job_.PruneConfirmed = true;
  }

  const std::string emptyFolder = PlusYen("");
  if (job_.MotoFolder == emptyFolder) {
    w.MsgBox("コピー元が存在しません。");
    w.SetFocus(Control::cmdBackMoto);
    cmdBackMoto_Click();
    return false;
  }
  if (job_.SakiFolder == emptyFolder) {
    w.MsgBox("コピー先が存在しません。");
    w.SetFocus(Control::cmdBackSaki);
    cmdBackSaki_Click();
    return false;
  }
  // The same text, or the same folder reached another way (a link, another
  // spelling): nothing may be made inside the source for it.
  if (job_.SakiFolder == job_.MotoFolder ||
      SameJobFolders(p_.fs, job_.MotoFolder, job_.SakiFolder)) {
    w.MsgBox(kSameFolderText);
    w.SetFocus(Control::cmdBackSaki);
    return false;
  }

  if (!IsDriveRoot(job_.MotoFolder)) {
    CopyEngine engine(p_.fs, p_.recycler, w, job_);
    engine.MakeSakiFolder();
  }
  return true;
}

void FrmMirtel::RunJob() {
  Window& w = p_.window;
  bool busy = false;
  try {
    // A file where the folder should be cannot take the copies either.
    if ((p_.fs.Attributes(job_.SakiFolder) & kAttrDirectory) == 0) {
      throw FsError(FsErrorKind::NotFound, job_.SakiFolder);
    }
    if (const std::string refusal = SettleRoots(p_.fs, job_); !refusal.empty()) {
      w.MsgBox(refusal);
      w.SetFocus(Control::cmdBackSaki);
      return;
    }

    busy = true;
    All_False();
    ClearResult(w);
    w.SetBusyPointer(true);
    w.SetEnabled(Control::cmdStop, true);
    w.ClearList(Control::lstResult);
    w.SetVisible(Control::lstResult, false);

    job_.CopiedCount = 0;
    job_.StopFlag = false;
    Copying_ = true;
    job_.FoundFile = false;
    job_.FailedCount = 0;
    job_.RemovedCount = 0;
    job_.FailedRemovals.clear();
    job_.CopyErrorShown = false;
    job_.SyncErrorShown = false;
    job_.RemovalErrorShown = false;
    job_.PruningStopped = false;

    checkTime_.StartTimer("");
    VisibleWalkView view(w);
    CopyEngine engine(p_.fs, p_.recycler, view, job_);
    RunWalks(
        engine, job_, view, [this] { return DoukiMode_; },
        [&view](const PruneCount& count) { return ConfirmMassRemoval(view, count); });
    w.SetCaption(Control::Label2, checkTime_.EndTimer());
    ShowResult(w, job_);
    w.Beep();
    w.SetVisible(Control::lstResult, true);

    ComboBox& moto = w.Combo(Control::cmbBackMoto);
    ComboBox& saki = w.Combo(Control::cmbBackSaki);
    AddHistory(Settings_.MotoHistory, Settings_.MotoCount, moto, moto.Text(), MotoFound_);
    AddHistory(Settings_.SakiHistory, Settings_.SakiCount, saki, saki.Text(), SakiFound_);
    SaveHistory();

    w.SetBusyPointer(false);
    Copying_ = false;
    All_True();
  } catch (...) {
    // Whatever failed, the window goes back to idle: it must never stay
    // disabled or refuse to close.
    if (busy) ForceIdle();
    SafeMsgBox(w, kDestinationUnreachable);
    try {
      w.SetFocus(Control::cmdBackSaki);
    } catch (...) {
    }
  }
}

void FrmMirtel::SaveHistory() {
  // The job is over and its result line stands: a history that cannot be
  // written is a matter of its own, not a failed copy.
  try {
    SaveSettings(Settings_, SettingsPath(), p_.fs, p_.codec);
  } catch (const std::exception& e) {
    SafeMsgBox(p_.window, "履歴を保存できませんでした\n" + ErrorDescription(e));
  } catch (...) {
    SafeMsgBox(p_.window, "履歴を保存できませんでした");
  }
}

void FrmMirtel::ForceIdle() {
  Window& w = p_.window;
  Copying_ = false;
  try {
    w.SetBusyPointer(false);
  } catch (...) {
  }
  try {
    w.SetVisible(Control::lstResult, true);
  } catch (...) {
  }
  All_True();
}

void FrmMirtel::cmdStop_Click() {
  ShortTrap(p_.window, [&] {
    job_.StopFlag = true;
    All_True();
  });
}

void FrmMirtel::mnu_cmd_copyquit_Click() {
  StandardTrap(p_.window, "mnu_cmd_copyquit_Click", [&] { cmdStop_Click(); });
}

void FrmMirtel::All_True() {
  StandardTrap(p_.window, "All_True", [&] { SetTwelve(p_.window, true); });
}

void FrmMirtel::All_False() {
  StandardTrap(p_.window, "All_False", [&] { SetTwelve(p_.window, false); });
}

}  // namespace mirtel
