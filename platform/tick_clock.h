// The system's millisecond tick counter (unsigned 32-bit, wraps after ~49.7 days).
#pragma once

#include <cstdint>

namespace mirtel {

class TickClock {
 public:
  virtual ~TickClock() = default;
  virtual std::uint32_t TickCount() = 0;
};

}  // namespace mirtel
