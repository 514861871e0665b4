// The error traps of the window's procedures. A procedure reports its own
// failure to the user and never passes it on, so nothing escapes an event.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "engine/error_text.h"
#include "platform/walk_view.h"
#include "text/message.h"

namespace mirtel {

// The description of the error being handled; call inside a catch block.
inline std::string CurrentErrorDescription() {
  try {
    throw;
  } catch (const std::exception& e) {
    try {
      return ErrorDescription(e);
    } catch (...) {
      return Text(Msg::UnknownError);
    }
  } catch (...) {
    return Text(Msg::UnknownError);
  }
}

// A message box that may fail itself without the failure going anywhere.
inline void SafeMsgBox(WalkView& view, std::string_view text) {
  try {
    view.MsgBox(text, kMbOk);
  } catch (...) {
  }
}

// The standard trap: "<procedure>でエラー" (Msg::ErrorInProcedure), then the
// description.
inline void ReportError(WalkView& view, std::string_view procedure) {
  std::string description = CurrentErrorDescription();
  SafeMsgBox(view, Text(Msg::ErrorInProcedure, procedure));
  SafeMsgBox(view, description);
}

// The short trap: the description alone.
inline void ReportErrorShort(WalkView& view) { SafeMsgBox(view, CurrentErrorDescription()); }

// Runs `body` under the standard trap; false when it failed.
template <class Body>
bool StandardTrap(WalkView& view, std::string_view procedure, Body&& body) {
  try {
    body();
    return true;
  } catch (...) {
    ReportError(view, procedure);
    return false;
  }
}

// Runs `body` under the short trap; false when it failed.
template <class Body>
bool ShortTrap(WalkView& view, Body&& body) {
  try {
    body();
    return true;
  } catch (...) {
    ReportErrorShort(view);
    return false;
  }
}

}  // namespace mirtel
