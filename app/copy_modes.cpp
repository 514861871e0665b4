// Normal and sync copy mode: the mode box, the mode menu and DoukiMode.
#include "app/copy_modes.h"

#include "app/frm_mirtel.h"
#include "engine/error_trap.h"
#include "text/message.h"

namespace mirtel {

void FrmMirtel::ChangeNormal() {
  Window& w = p_.window;
  StandardTrap(w, "ChangeNormal", [&] {
    w.SetCaption(Control::lblCopyMode, Text(Msg::ModeNormal));
    w.SetBackColor(Control::lblCopyModeBack, kNormalColor);
    w.SetChecked(MenuItem::Mnu_Normal, true);
    w.SetChecked(MenuItem::mnu_Douki, false);
    // Last, so that a failure above leaves the mode as it was.
    DoukiMode_ = false;
  });
}

void FrmMirtel::ChangeDouki() {
  Window& w = p_.window;
  StandardTrap(w, "ChangeDouki", [&] {
    w.SetCaption(Control::lblCopyMode, Text(Msg::ModeSync));
    w.SetBackColor(Control::lblCopyModeBack, kDoukiColor);
    w.SetChecked(MenuItem::Mnu_Normal, false);
    w.SetChecked(MenuItem::mnu_Douki, true);
    DoukiMode_ = true;
  });
}

void FrmMirtel::lblCopyMode_Click() {
  StandardTrap(p_.window, "lblCopyMode_Click", [&] { ToggleCopyMode(); });
}

void FrmMirtel::lblCopyModeBack_Click() {
  StandardTrap(p_.window, "lblCopyModeBack_Click", [&] { ToggleCopyMode(); });
}

void FrmMirtel::ToggleCopyMode() {
  if (!DoukiMode_) {
    ChangeDouki();
  } else {
    ChangeNormal();
  }
}

void FrmMirtel::Mnu_Normal_Click() {
  StandardTrap(p_.window, "Mnu_Normal_Click", [&] { ChangeNormal(); });
}

void FrmMirtel::mnu_Douki_Click() {
  StandardTrap(p_.window, "mnu_Douki_Click", [&] { ChangeDouki(); });
}

void FrmMirtel::mnu_ZeroEraser_Click() {
  StandardTrap(p_.window, "mnu_ZeroEraser_Click", [&] { p_.window.Hide(); });
}

void FrmMirtel::lblCopyMode_MouseMove() {
  StandardTrap(p_.window, "lblCopyMode_MouseMove",
               [&] { p_.window.SetCaption(Control::lblProcess, Text(Msg::ModeHint)); });
}

}  // namespace mirtel
