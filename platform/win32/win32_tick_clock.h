// GetTickCount: milliseconds since the system started, wrapping at 2^32.
#pragma once

#include <cstdint>

#include "platform/tick_clock.h"

namespace mirtel {

class Win32TickClock : public TickClock {
 public:
  std::uint32_t TickCount() override;
};

}  // namespace mirtel
