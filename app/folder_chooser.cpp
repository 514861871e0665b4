// Picking the source or destination folder from the system's folder dialog.
#include <optional>

#include "app/frm_mirtel.h"
#include "engine/error_trap.h"
#include "text/message.h"

namespace mirtel {

namespace {
constexpr std::string_view kCancel = "Cancel";

// Appends the chosen path to the field's list and selects it, which puts it
// into the field's text.
void TakeChoice(ComboBox& combo, const std::string& choice) {
  if (choice == kCancel) return;
  combo.AddItem(choice);
  combo.SelectIndex(combo.ListCount() - 1);
}
}  // namespace

std::string FrmMirtel::FolderDlg() {
  std::string answer;
  StandardTrap(p_.window, "FolderDlg", [&] {
    std::optional<std::string> chosen = p_.shell.BrowseForFolder(Text(Msg::ChooseFolderTitle));
    answer = chosen ? *chosen : std::string(kCancel);
  });
  return answer;
}

void FrmMirtel::cmdBackMoto_Click() {
  ShortTrap(p_.window, [&] { TakeChoice(p_.window.Combo(Control::cmbBackMoto), FolderDlg()); });
}

void FrmMirtel::cmdBackSaki_Click() {
  ShortTrap(p_.window, [&] { TakeChoice(p_.window.Combo(Control::cmbBackSaki), FolderDlg()); });
}

void FrmMirtel::mnu_cmd_backmoto_Click() {
  StandardTrap(p_.window, "mnu_cmd_backmoto_Click", [&] { cmdBackMoto_Click(); });
}

void FrmMirtel::mnu_cmd_backsaki_Click() {
  StandardTrap(p_.window, "mnu_cmd_backsaki_Click", [&] { cmdBackSaki_Click(); });
}

}  // namespace mirtel
