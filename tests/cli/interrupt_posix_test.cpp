// SIGINT reaches the flag instead of ending the process.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

#include "platform/interrupt.h"

namespace mirtel {
namespace {

TEST(InterruptTest, SigintSetsTheFlagAndTheProcessLivesOn) {
  static std::atomic<bool> flag{false};
  SetFlagOnInterrupt(flag);
  EXPECT_FALSE(flag.load());
  ASSERT_EQ(std::raise(SIGINT), 0);
  EXPECT_TRUE(flag.load());
}

}  // namespace
}  // namespace mirtel
