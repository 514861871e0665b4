// The folder of the running executable, where the help lives and, for a
// portable copy, mirtel.dat; and the user's own settings folder otherwise.
#pragma once

#include <string>

namespace mirtel {

// Ends in the separator.
std::string ProgramFolder();

// The user's settings folder for this program, ending in the separator:
// $XDG_CONFIG_HOME/mirtel/ (default ~/.config/mirtel/) on Linux,
// %APPDATA%\mirtel\ on Windows. It may not exist yet.
std::string UserSettingsFolder();

// How the program's folder may keep mirtel.dat beside the program.
enum class ProgramFolderUse {
  Never,     // a system folder (/usr, /opt, Program Files): never, whoever runs it
  IfThere,   // only when mirtel.dat is already there: a portable copy
  Portable,  // a folder of the user's that takes files (Windows): a portable copy
};
ProgramFolderUse SettingsBesideProgram(const std::string& folder);

}  // namespace mirtel
