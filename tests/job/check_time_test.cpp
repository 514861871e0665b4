#include "job/check_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <locale>
#include <string>

#include "tests/fakes/fake_tick_clock.h"

namespace mirtel {
namespace {

std::string Measure(std::uint32_t start, std::uint32_t end, const std::string& name = "") {
  FakeTickClock clock;
  CheckTime timer(clock);
  clock.now = start;
  timer.StartTimer(name);
  clock.now = end;
  return timer.EndTimer();
}

TEST(CheckTimeTest, WritesSecondsWithFourDecimalsAndNoGrouping) {
  EXPECT_EQ(Measure(1000, 13345), "  12.3450秒");
  EXPECT_EQ(Measure(5, 21), "  0.0160秒");
  EXPECT_EQ(Measure(777, 777), "  0.0000秒");
  EXPECT_EQ(Measure(0, 1), "  0.0010秒");
  EXPECT_EQ(Measure(0, 65u * 60u * 1000u), "  3900.0000秒");
  EXPECT_EQ(Measure(0, 123456789), "  123456.7890秒");
}

TEST(CheckTimeTest, PutsTheTimerNameInFront) {
  EXPECT_EQ(Measure(0, 2500, "コピー"), "コピー  2.5000秒");
}

TEST(CheckTimeTest, StaysRightAcrossTheCounterWrapAndTwoToTheThirtyFirst) {
  EXPECT_EQ(Measure(0xFFFFFFFFu - 499u, 500), "  1.0000秒");
  EXPECT_EQ(Measure(0x7FFFFF00u, 0x80000100u), "  0.5120秒");
  // A measurement longer than 2^31 ms is still positive.
  EXPECT_EQ(Measure(0, 0x80000000u), "  2147483.6480秒");
  EXPECT_EQ(Measure(1, 0), "  4294967.2950秒");
}

TEST(CheckTimeTest, EndTimerAgainMeasuresFromTheSameStart) {
  FakeTickClock clock;
  CheckTime timer(clock);
  clock.now = 100;
  timer.StartTimer("");
  clock.now = 1100;
  EXPECT_EQ(timer.EndTimer(), "  1.0000秒");
  clock.now = 3100;
  EXPECT_EQ(timer.EndTimer(), "  3.0000秒");
  timer.StartTimer("");
  EXPECT_EQ(timer.EndTimer(), "  0.0000秒");
}

// A locale with a decimal comma and digit grouping must not reach the text.
struct CommaNumpunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(CheckTimeTest, IgnoresTheGlobalLocale) {
  const std::locale old =
      std::locale::global(std::locale(std::locale::classic(), new CommaNumpunct));
  const std::string text = Measure(0, 1234567);
  std::locale::global(old);
  EXPECT_EQ(text, "  1234.5670秒");
}

}  // namespace
}  // namespace mirtel
