// SIGINT, SIGTERM and SIGHUP reach the flag instead of ending the process.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

#include "platform/interrupt.h"

namespace mirtel {
namespace {

TEST(InterruptTest, EndingSignalsSetTheFlagAndTheProcessLivesOn) {
  static std::atomic<bool> flag{false};
  SetFlagOnInterrupt(flag);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    flag = false;
    ASSERT_EQ(std::raise(signal), 0);
    EXPECT_TRUE(flag.load()) << signal;
  }
}

}  // namespace
}  // namespace mirtel
