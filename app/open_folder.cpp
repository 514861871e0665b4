// Opening the source or destination folder in the file browser.
#include <cstdint>

#include "app/frm_mirtel.h"
#include "engine/error_trap.h"
#include "text/message.h"

namespace mirtel {

namespace {}  // namespace

bool FrmMirtel::OpenFolderIn(const std::string& path) {
  // Only a folder: a field holding a file's path must not start that file.
  std::uint32_t attributes = 0;
  try {
    attributes = p_.fs.Attributes(path);
  } catch (const FsError&) {
    return false;
  }
  if ((attributes & kAttrDirectory) == 0) return false;
  return p_.shell.OpenFolder(path);
}

void FrmMirtel::cmdOpenMoto_Click() {
  ShortTrap(p_.window, [&] {
    if (!OpenFolderIn(p_.window.Combo(Control::cmbBackMoto).Text())) {
      p_.window.MsgBox(Text(Msg::CannotOpenFolder));
    }
  });
}

void FrmMirtel::cmdOpenSaki_Click() {
  ShortTrap(p_.window, [&] {
    if (!OpenFolderIn(p_.window.Combo(Control::cmbBackSaki).Text())) {
      p_.window.MsgBox(Text(Msg::CannotOpenFolder));
    }
  });
}

void FrmMirtel::cmbBackSaki_DblClick() {
  // The folder of the last job (or of the saved settings), silently.
  StandardTrap(p_.window, "cmbBackSaki_DblClick", [&] { OpenFolderIn(job_.SakiFolder); });
}

}  // namespace mirtel
