// The logic of the main window frmMirtel: its event procedures, acting only
// through the window, shell and file-system interfaces. A view forwards the
// events of its controls here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/job_state.h"
#include "job/check_time.h"
#include "job/settings.h"
#include "platform/ansi_codec.h"
#include "platform/file_system.h"
#include "platform/instance_lock.h"
#include "platform/recycler.h"
#include "platform/shell.h"
#include "platform/tick_clock.h"
#include "platform/window.h"

namespace mirtel {

// Mouse button value of a MouseDown event: only the left button drags.
inline constexpr int kLeftButton = 1;

struct AppPlatform {
  Window& window;
  Shell& shell;
  FileSystem& fs;
  Recycler& recycler;
  AnsiCodec& codec;
  TickClock& clock;
  std::string programFolder;     // ends in the separator; the help lives here
  std::string settingsFolder{};  // where mirtel.dat lives; the program's folder when empty
};

class FrmMirtel {
 public:
  explicit FrmMirtel(AppPlatform platform);

  // Loading.
  void Form_Load();

  // Closing: returns true when the close may go ahead (Cancel stays 0).
  bool Form_QueryUnload();

  // The copy job and its stop.
  void cmdBackUp_Click();
  void mnu_cmd_copy_Click();
  void cmdStop_Click();
  void mnu_cmd_copyquit_Click();
  void All_True();
  void All_False();

  // Copy modes.
  void ChangeNormal();
  void ChangeDouki();
  void lblCopyMode_Click();
  void lblCopyModeBack_Click();
  void Mnu_Normal_Click();
  void mnu_Douki_Click();
  void mnu_ZeroEraser_Click();
  void lblCopyMode_MouseMove();

  // Folder chooser.
  std::string FolderDlg();
  void cmdBackMoto_Click();
  void cmdBackSaki_Click();
  void mnu_cmd_backmoto_Click();
  void mnu_cmd_backsaki_Click();

  // Folders dropped from the file manager on cmbBackMoto or cmbBackSaki:
  // one folder, no job running, or the drop is refused (no change).
  bool AcceptsDrop(Control field, const std::vector<std::string>& paths);
  void FolderDropped(Control field, const std::vector<std::string>& paths);

  // Quit, open folders, help, version.
  void cmdQuit_Click();
  void mnu_cmd_end_Click();
  void cmdOpenMoto_Click();
  void cmdOpenSaki_Click();
  void cmbBackSaki_DblClick();
  void mnu_help_help_Click();
  void mnu_help_ver_Click();

  // Hints in the status line.
  void cmdBackMoto_MouseMove();
  void cmdBackSaki_MouseMove();
  void cmdBackUp_MouseMove();
  void cmdQuit_MouseMove();
  void cmdStop_MouseMove();
  void Label1_MouseMove();
  void lstResult_MouseMove();
  void Label2_MouseMove();
  void cmdOpenMoto_MouseMove();
  void cmdOpenSaki_MouseMove();

  // Dragging the window (button: 1 left, 2 right, 4 middle).
  void Form_MouseDown(int button);
  void Label1_MouseDown(int button);
  void Label2_MouseDown(int button);
  void Label3_MouseDown(int button);
  void lblProcess_MouseDown(int button);
  void lstResult_MouseDown(int button);
  void FormDrag();

  // State the view and the tests read.
  bool Copying() const { return Copying_; }
  bool DoukiMode() const { return DoukiMode_; }
  const JobState& Job() const { return job_; }
  const SettingsRecord& Settings() const { return Settings_; }

 private:
  AppPlatform p_;
  JobState job_;
  SettingsRecord Settings_;
  CheckTime checkTime_;
  bool Copying_ = false;
  bool DoukiMode_ = false;
  bool MotoFound_ = false;  // the job's folders were found in the histories
  bool SakiFound_ = false;

  std::string SettingsFolder() const;  // where mirtel.dat and the last job live
  std::string SettingsPath() const;
  bool PrepareJob();  // steps up to the destination subfolder; false ends the press
  void RunJob();      // from the destination check to the idle window
  void ForceIdle();
  void SaveHistory(const std::string& moto, const std::string& saki);
  void ToggleCopyMode();
  void ShowHint(int id);
  void DragOnLeftButton(std::string_view procedure, int button);
  bool OpenFolderIn(const std::string& path);
};

// The program's start: false when another instance runs (nothing is shown,
// nothing written); otherwise loads the window, shows it and returns true.
bool Main(InstanceLock& lock, FrmMirtel& form, Window& window);

}  // namespace mirtel
