// A listing pattern ("folder/*.*") taken apart the same way on every system.
#pragma once

#include <string>
#include <string_view>

namespace mirtel {

struct ListPattern {
  std::string folder;  // ends in a separator; `bare` of SplitListPattern when it names none
  std::string names;   // "*.*" or "*" for the whole folder, else a name pattern
};

// `pattern` cut after its last character in `separators`.
ListPattern SplitListPattern(const std::string& pattern, std::string_view separators,
                             std::string_view bare);

// Whether `names` asks for every entry of the folder.
bool IsWholeFolder(std::string_view names);

}  // namespace mirtel
