#include "platform/qt/qt_program.h"

#include <QMainWindow>  // the window as the shell's parent widget

#include "job/settings_location.h"
#include "platform/native_file_system.h"
#include "platform/program_folder.h"

namespace mirtel {

QtProgram::QtProgram(const std::string& programFolder)
    : shell(window.widget()),
      fs(MakeNativeFileSystem()),
      recycler(MakeNativeRecycler(*fs)),
      form(AppPlatform{window, shell, *fs, *recycler, codec, clock, programFolder,
                       ChooseSettingsFolder(*fs, programFolder, UserSettingsFolder(),
                                            SettingsBesideProgram(programFolder))}) {
  window.Connect(form);
}

}  // namespace mirtel
