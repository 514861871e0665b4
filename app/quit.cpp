// Closing the window: refused during a job, otherwise asked once.
#include "app/frm_mirtel.h"
#include "engine/error_trap.h"
#include "text/message.h"

namespace mirtel {

bool FrmMirtel::Form_QueryUnload() {
  Window& w = p_.window;
  bool allow = !Copying_;
  StandardTrap(w, "Form_QueryUnload", [&] {
    if (Copying_) {
      w.MsgBox(Text(Msg::StillCopyingCannotQuit));
      allow = false;
      return;
    }
    int answer = w.MsgBox(Text(Msg::AskQuit), kMbYesNo | kMbIconQuestion | kMbDefButton2,
                          Text(Msg::AskQuitTitle));
    if (answer == kIdYes) {
      job_.StopFlag = true;
      allow = true;
    } else {
      allow = false;
    }
  });
  // A running walk is never torn down, even when the question failed.
  return allow && !Copying_;
}

void FrmMirtel::cmdQuit_Click() {
  ShortTrap(p_.window, [&] { p_.window.RequestClose(); });
}

void FrmMirtel::mnu_cmd_end_Click() {
  StandardTrap(p_.window, "mnu_cmd_end_Click", [&] { cmdQuit_Click(); });
}

}  // namespace mirtel
