// The program's version, as --version and the version box show it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirtel {

// "1.1.0": the one version the build sets.
extern const char* const kProgramVersion;

// True when the arguments (without the program name) ask for the version.
bool AsksForVersion(const std::vector<std::string>& args);

// What --version prints: the program's name and version, the copyright and
// the licence, a line each.
std::string VersionText(std::string_view program);

}  // namespace mirtel
