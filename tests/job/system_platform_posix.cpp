#include "platform/posix/posix_ansi_codec.h"
#include "platform/posix/posix_tick_clock.h"
#include "tests/job/system_platform.h"

namespace mirtel {

std::unique_ptr<AnsiCodec> NewSystemAnsiCodec() { return std::make_unique<PosixAnsiCodec>(); }
std::unique_ptr<TickClock> NewSystemTickClock() { return std::make_unique<PosixTickClock>(); }

}  // namespace mirtel
