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
#include "job/folder_text.h"
#include "job/saved_jobs.h"
#include "text/message.h"

namespace mirtel {

namespace {

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
    w.MsgBox(Text(Msg::StoppedCopyStillRunning));
    return false;
  }
  MotoFound_ = false;
  SakiFound_ = false;
  CopyJob job(p_.fs, p_.recycler, w, job_);
  job.SetFolders(w.Combo(Control::cmbBackMoto).Text(), w.Combo(Control::cmbBackSaki).Text());

  job_.PruneConfirmed = false;
  if (DoukiMode_) {
    if (!ConfirmSync(w)) return false;
    job_.PruneConfirmed = true;
  }

  const JobRefusal refusal = job.CheckFolders();
  if (refusal == JobRefusal::None) return true;
  w.MsgBox(job.RefusalText(refusal));
  if (refusal == JobRefusal::NoSource) {
    w.SetFocus(Control::cmdBackMoto);
    cmdBackMoto_Click();
  } else {
    w.SetFocus(Control::cmdBackSaki);
    if (refusal == JobRefusal::NoDest) cmdBackSaki_Click();
  }
  return false;
}

void FrmMirtel::RunJob() {
  Window& w = p_.window;
  // The walks' lines and boxes show names safely.
  VisibleWalkView view(w);
  CopyJob job(p_.fs, p_.recycler, view, job_);
  JobRefusal refusal = JobRefusal::None;
  try {
    refusal = job.SettleDestination();
  } catch (...) {
    // Whatever stops the destination from being looked at, it cannot be
    // opened.
    refusal = JobRefusal::DestUnreachable;
  }
  if (refusal != JobRefusal::None) {
    SafeMsgBox(w, job.RefusalText(refusal));
    try {
      w.SetFocus(Control::cmdBackSaki);
    } catch (...) {
    }
    return;
  }

  try {
    All_False();
    ClearResult(w);
    w.SetBusyPointer(true);
    w.SetEnabled(Control::cmdStop, true);
    w.ClearList(Control::lstResult);
    w.SetVisible(Control::lstResult, false);
    Copying_ = true;

    checkTime_.StartTimer("");
    job.Run([this] { return DoukiMode_; },
            [&view](const PruneCount& count) { return ConfirmMassRemoval(view, count); });
    w.SetCaption(Control::Label2, checkTime_.EndTimer());
    ShowResult(w, job_);
    w.Beep();
    w.SetVisible(Control::lstResult, true);

    ComboBox& moto = w.Combo(Control::cmbBackMoto);
    ComboBox& saki = w.Combo(Control::cmbBackSaki);
    const std::string motoText = AbsoluteFolderText(moto.Text());
    const std::string sakiText = AbsoluteFolderText(saki.Text());
    AddHistory(Settings_.MotoHistory, Settings_.MotoCount, moto, motoText, MotoFound_);
    AddHistory(Settings_.SakiHistory, Settings_.SakiCount, saki, sakiText, SakiFound_);
    SaveHistory(motoText, sakiText);

    w.SetBusyPointer(false);
    Copying_ = false;
    All_True();
  } catch (...) {
    // Whatever failed, the window goes back to idle: it must never stay
    // disabled or refuse to close. The destination was fine; the failure
    // says what it was.
    const std::string description = CurrentErrorDescription();
    ForceIdle();
    SafeMsgBox(w, description);
  }
}

void FrmMirtel::SaveHistory(const std::string& moto, const std::string& saki) {
  // The job is over and its result line stands: a history that cannot be
  // written is a matter of its own, not a failed copy.
  try {
    SaveSettings(Settings_, SettingsPath(), p_.fs, p_.codec);
  } catch (const std::exception& e) {
    SafeMsgBox(p_.window, Text(Msg::HistoryUnsavedBecause, ErrorDescription(e)));
    return;
  } catch (...) {
    SafeMsgBox(p_.window, Text(Msg::HistoryUnsaved));
    return;
  }
  // The pair the console's --last runs, as one job: the two newest entries
  // of the histories need not belong together.
  SavedJob last;
  last.source = moto;
  last.destination = saki;
  std::string error;
  if (!StoreLastJob(p_.fs, LastJobPath(SettingsFolder()), last, error)) {
    SafeMsgBox(p_.window, Text(Msg::HistoryUnsavedBecause, error));
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
