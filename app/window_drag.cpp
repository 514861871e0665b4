// Dragging the window by its background and its passive display areas.
#include "app/frm_mirtel.h"
#include "engine/error_trap.h"

namespace mirtel {

void FrmMirtel::DragOnLeftButton(std::string_view procedure, int button) {
  StandardTrap(p_.window, procedure, [&] {
    if (button == kLeftButton) FormDrag();
  });
}

void FrmMirtel::Form_MouseDown(int button) { DragOnLeftButton("Form_MouseDown", button); }
void FrmMirtel::Label1_MouseDown(int button) { DragOnLeftButton("Label1_MouseDown", button); }
void FrmMirtel::Label2_MouseDown(int button) { DragOnLeftButton("Label2_MouseDown", button); }
void FrmMirtel::Label3_MouseDown(int button) { DragOnLeftButton("Label3_MouseDown", button); }
void FrmMirtel::lblProcess_MouseDown(int button) {
  DragOnLeftButton("lblProcess_MouseDown", button);
}
void FrmMirtel::lstResult_MouseDown(int button) { DragOnLeftButton("lstResult_MouseDown", button); }

void FrmMirtel::FormDrag() {
  ShortTrap(p_.window, [&] { p_.window.StartSystemDrag(); });
}

}  // namespace mirtel
