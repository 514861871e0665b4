// <windows.h> for the view, without the macros that would rename the
// window's own members (Yield is one of WalkView's).
#pragma once

#include "platform/win32/win32_api.h"
#undef Yield

namespace mirtel {

// A system cursor by its IDC_ number, for the wide call.
inline HCURSOR SystemCursor(LPSTR id) {
  return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id));
}

}  // namespace mirtel
