// Folders dropped from the file manager on the two fields: taken as the
// folder dialog's choice would be.
#include "app/frm_mirtel.h"
#include "engine/error_trap.h"
#include "platform/native_path.h"

namespace mirtel {

namespace {

// A folder path as the folder dialog gives it: without a trailing separator,
// but a drive root ("C:\", "/") keeps its own.
std::string AsChosen(std::string path) {
  while (path.size() > 1 && path.back() == kPathSeparator) {
    if (path.size() == 3 && path[1] == ':') break;
    path.pop_back();
  }
  return path;
}

}  // namespace

bool FrmMirtel::AcceptsDrop(Control field, const std::vector<std::string>& paths) {
  if (field != Control::cmbBackMoto && field != Control::cmbBackSaki) return false;
  // One folder, and no job under way: anything else is refused quietly.
  if (Copying_ || paths.size() != 1 || paths[0].empty()) return false;
  try {
    std::uint32_t attrs = 0;
    FsErrorKind why = FsErrorKind::Other;
    return p_.fs.TryAttributes(paths[0], attrs, why) && (attrs & kAttrDirectory) != 0;
  } catch (...) {
    return false;
  }
}

void FrmMirtel::FolderDropped(Control field, const std::vector<std::string>& paths) {
  if (!AcceptsDrop(field, paths)) return;
  ShortTrap(p_.window, [&] {
    ComboBox& combo = p_.window.Combo(field);
    combo.AddItem(AsChosen(paths[0]));
    combo.SelectIndex(combo.ListCount() - 1);
  });
}

}  // namespace mirtel
