// Loading the main window.
#include "app/frm_mirtel.h"

#include <utility>

#include "app/copy_modes.h"
#include "engine/error_trap.h"
#include "engine/path_helpers.h"
#include "job/copy_job.h"
#include "job/settings_location.h"
#include "text/message.h"

namespace mirtel {

namespace {
constexpr int kDroppedWidth = 400;  // the fields are narrower; long paths need room
}  // namespace

FrmMirtel::FrmMirtel(AppPlatform platform) : p_(std::move(platform)), checkTime_(p_.clock) {}

void FrmMirtel::Form_Load() {
  Window& w = p_.window;
  if (!StandardTrap(w, "Form_Load", [&] {
        MotoFound_ = false;
        SakiFound_ = false;
      })) {
    return;
  }
  // From here a failure shows only its description and ends the load; the
  // window still opens with its initial texts.
  ShortTrap(w, [&] {
    job_.StopFlag = false;
    ComboBox& moto = w.Combo(Control::cmbBackMoto);
    ComboBox& saki = w.Combo(Control::cmbBackSaki);
    // The user's settings folder may not exist yet.
    if (!p_.settingsFolder.empty()) MakeFolders(p_.fs, p_.settingsFolder);
    LoadSettings(Settings_, SettingsPath(), p_.fs, p_.codec, moto, saki);
    CopyJob(p_.fs, p_.recycler, w, job_).SetFolders(moto.Text(), saki.Text());
    w.SetDroppedWidth(Control::cmbBackMoto, kDroppedWidth);
    w.SetDroppedWidth(Control::cmbBackSaki, kDroppedWidth);
    w.SetCaption(Control::lblCopyMode, Text(Msg::ModeNormal));
    w.SetBackColor(Control::lblCopyModeBack, kNormalColor);
  });
}

std::string FrmMirtel::SettingsFolder() const {
  return p_.settingsFolder.empty() ? p_.programFolder : p_.settingsFolder;
}

std::string FrmMirtel::SettingsPath() const { return SettingsFolder() + "mirtel.dat"; }

}  // namespace mirtel
