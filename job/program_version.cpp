#include "job/program_version.h"

#include <algorithm>

#include "mirtel_version.h"

namespace mirtel {

const char* const kProgramVersion = MIRTEL_VERSION_TEXT;

bool AsksForVersion(const std::vector<std::string>& args) {
  // After "--" a folder may be named like the option.
  const auto end = std::find(args.begin(), args.end(), "--");
  return std::find(args.begin(), end, "--version") != end;
}

std::string VersionText(std::string_view program) {
  return std::string(program) + " " + kProgramVersion +
         "\n"
         "Copyright (c) 2026 mirtel developers\n"
         "MIT License: free to use, copy, change and share; no warranty.\n";
}

}  // namespace mirtel
