// Hover hints in the status line lblProcess, looked up by number each time.
#include "app/error_trap.h"
#include "app/frm_mirtel.h"
#include "app/res_strings.h"

namespace mirtel {

void FrmMirtel::ShowHint(int id) { p_.window.SetCaption(Control::lblProcess, LoadResString(id)); }

void FrmMirtel::cmdBackMoto_MouseMove() {
  StandardTrap(p_.window, "cmdBackMoto_MouseMove", [&] { ShowHint(101); });
}

void FrmMirtel::cmdBackSaki_MouseMove() {
  StandardTrap(p_.window, "cmdBackSaki_MouseMove", [&] { ShowHint(102); });
}

void FrmMirtel::cmdBackUp_MouseMove() {
  StandardTrap(p_.window, "cmdBackUp_MouseMove", [&] { ShowHint(103); });
}

void FrmMirtel::cmdQuit_MouseMove() {
  StandardTrap(p_.window, "cmdQuit_MouseMove", [&] { ShowHint(104); });
}

void FrmMirtel::cmdStop_MouseMove() {
  StandardTrap(p_.window, "cmdStop_MouseMove", [&] { ShowHint(105); });
}

void FrmMirtel::Label1_MouseMove() {
  StandardTrap(p_.window, "Label1_MouseMove", [&] { ShowHint(106); });
}

void FrmMirtel::lstResult_MouseMove() {
  StandardTrap(p_.window, "lstResult_MouseMove", [&] { ShowHint(107); });
}

void FrmMirtel::Label2_MouseMove() {
  StandardTrap(p_.window, "Label2_MouseMove", [&] { ShowHint(110); });
}

void FrmMirtel::cmdOpenMoto_MouseMove() {
  ShortTrap(p_.window, [&] { ShowHint(128); });
}

void FrmMirtel::cmdOpenSaki_MouseMove() {
  ShortTrap(p_.window, [&] { ShowHint(129); });
}

}  // namespace mirtel
