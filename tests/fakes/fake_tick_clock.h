// A tick counter that reads whatever the test sets.
#pragma once

#include <cstdint>

#include "platform/tick_clock.h"

namespace mirtel {

class FakeTickClock : public TickClock {
 public:
  std::uint32_t TickCount() override { return now; }
  std::uint32_t now = 0;
};

}  // namespace mirtel
