#include "platform/common/list_pattern.h"

namespace mirtel {

ListPattern SplitListPattern(const std::string& pattern, std::string_view separators,
                             std::string_view bare) {
  const std::size_t cut = pattern.find_last_of(separators);
  if (cut == std::string::npos) return {std::string(bare), pattern};
  return {pattern.substr(0, cut + 1), pattern.substr(cut + 1)};
}

bool IsWholeFolder(std::string_view names) { return names == "*.*" || names == "*"; }

}  // namespace mirtel
