// The folder of the running executable, where the help lives and, for a
// portable install, mirtel.dat; and the user's own settings folder for the
// history when the program's folder cannot take it.
#pragma once

#include <string>

namespace mirtel {

// Ends in the separator.
std::string ProgramFolder();

// The user's settings folder for this program, ending in the separator:
// $XDG_CONFIG_HOME/mirtel/ (default ~/.config/mirtel/) on Linux,
// %APPDATA%\mirtel\ on Windows. It may not exist yet.
std::string UserSettingsFolder();

// True when this process may create files in `folder`.
bool CanWriteIn(const std::string& folder);

}  // namespace mirtel
