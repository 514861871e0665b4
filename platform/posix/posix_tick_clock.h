// The monotonic clock in milliseconds, cut to 32 bits like GetTickCount.
#pragma once

#include <cstdint>

#include "platform/tick_clock.h"

namespace mirtel {

class PosixTickClock : public TickClock {
 public:
  std::uint32_t TickCount() override;
};

}  // namespace mirtel
