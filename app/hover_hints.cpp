// Hover hints in the status line lblProcess, looked up by number each time.
#include "app/frm_mirtel.h"
#include "app/res_strings.h"
#include "engine/error_trap.h"

namespace mirtel {

namespace {

constexpr int Id(Hint hint) { return static_cast<int>(hint); }

}  // namespace

void FrmMirtel::ShowHint(int id) { p_.window.SetCaption(Control::lblProcess, LoadResString(id)); }

void FrmMirtel::cmdBackMoto_MouseMove() {
  StandardTrap(p_.window, "cmdBackMoto_MouseMove", [&] { ShowHint(Id(Hint::cmdBackMoto)); });
}

void FrmMirtel::cmdBackSaki_MouseMove() {
  StandardTrap(p_.window, "cmdBackSaki_MouseMove", [&] { ShowHint(Id(Hint::cmdBackSaki)); });
}

void FrmMirtel::cmdBackUp_MouseMove() {
  StandardTrap(p_.window, "cmdBackUp_MouseMove", [&] { ShowHint(Id(Hint::cmdBackUp)); });
}

void FrmMirtel::cmdQuit_MouseMove() {
  StandardTrap(p_.window, "cmdQuit_MouseMove", [&] { ShowHint(Id(Hint::cmdQuit)); });
}

void FrmMirtel::cmdStop_MouseMove() {
  StandardTrap(p_.window, "cmdStop_MouseMove", [&] { ShowHint(Id(Hint::cmdStop)); });
}

void FrmMirtel::Label1_MouseMove() {
  StandardTrap(p_.window, "Label1_MouseMove", [&] { ShowHint(Id(Hint::Label1)); });
}

void FrmMirtel::lstResult_MouseMove() {
  StandardTrap(p_.window, "lstResult_MouseMove", [&] { ShowHint(Id(Hint::lstResult)); });
}

void FrmMirtel::Label2_MouseMove() {
  StandardTrap(p_.window, "Label2_MouseMove", [&] { ShowHint(Id(Hint::Label2)); });
}

void FrmMirtel::cmdOpenMoto_MouseMove() {
  ShortTrap(p_.window, [&] { ShowHint(Id(Hint::cmdOpenMoto)); });
}

void FrmMirtel::cmdOpenSaki_MouseMove() {
  ShortTrap(p_.window, [&] { ShowHint(Id(Hint::cmdOpenSaki)); });
}

}  // namespace mirtel
