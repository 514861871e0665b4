// The help menu: the help document beside the program and the version box.
#include "app/frm_mirtel.h"
#include "engine/error_trap.h"
#include "engine/job_roots.h"
#include "engine/path_helpers.h"
#include "job/program_version.h"
#include "platform/native_path.h"
#include "text/message.h"

namespace mirtel {

namespace {
const std::string kSeparator(1, kPathSeparator);
}  // namespace

void FrmMirtel::mnu_help_help_Click() {
  Window& w = p_.window;
  ShortTrap(w, [&] {
    // Beside the program (a portable install, the build), else where an
    // installed program's data lives: share/mirtel beside its bin folder.
    std::string path = p_.programFolder + "Mirtel.html";
    if (const std::string installed = p_.programFolder + ".." + kSeparator + "share" + kSeparator +
                                      "mirtel" + kSeparator + "Mirtel.html";
        !ChkExist(p_.fs, path) && ChkExist(p_.fs, installed)) {
      path = installed;
    }
    if (!ChkExist(p_.fs, path)) {
      w.MsgBox(Text(Msg::HelpFileMissing, path));
      return;
    }
    if (!p_.shell.ShowHelp(path)) w.MsgBox(Text(Msg::HelpFileUnopened, path));
  });
}

void FrmMirtel::mnu_help_ver_Click() {
  ShortTrap(p_.window, [&] { p_.window.MsgBox(Text(Msg::VersionBox, kProgramVersion), kMbOk); });
}

}  // namespace mirtel
