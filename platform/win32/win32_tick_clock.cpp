#include "platform/win32/win32_tick_clock.h"

#include <windows.h>

namespace mirtel {

std::uint32_t Win32TickClock::TickCount() { return GetTickCount(); }

}  // namespace mirtel
