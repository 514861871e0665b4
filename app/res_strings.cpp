// The numbered strings, from the table generated out of hint_strings.tsv.
#include "app/res_strings.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace mirtel {

namespace {
struct ResString {
  int id;
  std::string_view text;
};

constexpr ResString kResStrings[] = {
#include "hint_strings.inc"
};
}  // namespace

std::string LoadResString(int id) {
  auto found = std::find_if(std::begin(kResStrings), std::end(kResStrings),
                            [id](const ResString& s) { return s.id == id; });
  return found == std::end(kResStrings) ? std::string() : std::string(found->text);
}

}  // namespace mirtel
