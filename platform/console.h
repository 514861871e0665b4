// The console a command runs in: its arguments in UTF-8, whether a person
// watches standard error, and the local time for a log.
#pragma once

#include <string>
#include <vector>

namespace mirtel {

// The arguments after the program name, in UTF-8 whatever the console's code
// page; also switches the console's output to UTF-8.
std::vector<std::string> ConsoleArgs(int argc, char** argv);

// True when standard error is a terminal (a person watches it).
bool StderrIsTerminal();

// The local date and time, "2026-12-07 15:58:18".
std::string LocalTimestamp();

}  // namespace mirtel
