#include "platform/win32/win32_ansi_codec.h"
#include "platform/win32/win32_tick_clock.h"
#include "tests/job/system_platform.h"

namespace mirtel {

std::unique_ptr<AnsiCodec> NewSystemAnsiCodec() { return std::make_unique<Win32AnsiCodec>(); }
std::unique_ptr<TickClock> NewSystemTickClock() { return std::make_unique<Win32TickClock>(); }

}  // namespace mirtel
