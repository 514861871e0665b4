// The system's tick counter moves forward in milliseconds.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/job/system_platform.h"

namespace mirtel {
namespace {

TEST(TickClockTest, CountsMillisecondsAcrossASleep) {
  const std::unique_ptr<TickClock> clock = NewSystemTickClock();
  const std::uint32_t before = clock->TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::uint32_t elapsed = clock->TickCount() - before;
  // Coarse tick resolutions (about 16 ms on Windows) still pass.
  EXPECT_GE(elapsed, 80u);
  EXPECT_LT(elapsed, 60000u);
}

}  // namespace
}  // namespace mirtel
