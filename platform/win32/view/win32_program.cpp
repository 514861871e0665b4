#include "platform/win32/view/win32_program.h"

#include "job/settings_location.h"
#include "platform/native_file_system.h"
#include "platform/program_folder.h"

namespace mirtel {

Win32Program::Win32Program(HINSTANCE instance, const std::string& programFolder)
    : window(instance),
      shell(window.handle()),
      fs(MakeNativeFileSystem()),
      recycler(MakeNativeRecycler(*fs)),
      form(AppPlatform{window, shell, *fs, *recycler, codec, clock, programFolder,
                       ChooseSettingsFolder(*fs, programFolder, UserSettingsFolder(),
                                            SettingsBesideProgram(programFolder))}) {
  window.Connect(form);
}

}  // namespace mirtel
