// The folder of the running executable, where mirtel.dat and the help live.
#pragma once

#include <string>

namespace mirtel {

// Ends in the separator.
std::string ProgramFolder();

}  // namespace mirtel
