// The command line as UTF-8, and a console that shows UTF-8; CMake picks the
// implementation file for the platform.
#pragma once

#include <string>
#include <vector>

namespace mirtel {

// The arguments after the program name, in UTF-8 whatever the console's code
// page; also switches the console's output to UTF-8.
std::vector<std::string> ConsoleArgs(int argc, char** argv);

}  // namespace mirtel
