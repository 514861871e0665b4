// The program's start: one instance only, then the window.
#include "app/frm_mirtel.h"
#include "engine/error_trap.h"

namespace mirtel {

bool Main(InstanceLock& lock, FrmMirtel& form, Window& window) {
  bool shown = false;
  StandardTrap(window, "Main", [&] {
    // A second start ends silently; the running window is left alone.
    if (lock.AnotherInstanceRunning()) return;
    form.Form_Load();
    window.Show();
    shown = true;
  });
  return shown;
}

}  // namespace mirtel
