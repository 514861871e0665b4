// The numbered strings: the hover hints, by the numbers the window's design
// gives its controls, in the program's language.
#include "app/res_strings.h"

#include <optional>

#include "text/message.h"

namespace mirtel {

namespace {

std::optional<Msg> HintMessage(int id) {
  switch (id) {
    case 101:
      return Msg::HintChooseSource;
    case 102:
      return Msg::HintChooseDest;
    case 103:
      return Msg::HintStartCopy;
    case 104:
      return Msg::HintQuit;
    case 105:
      return Msg::HintStop;
    case 106:
      return Msg::HintResult;
    case 107:
      return Msg::HintCopiedList;
    case 110:
      return Msg::HintSeconds;
    case 128:
      return Msg::HintOpenSource;
    case 129:
      return Msg::HintOpenDest;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string LoadResString(int id) {
  const std::optional<Msg> message = HintMessage(id);
  return message ? Text(*message) : std::string();
}

}  // namespace mirtel
