// Measures how long a job takes and writes it as the seconds text of Label2.
#pragma once

#include <cstdint>
#include <string>

#include "platform/tick_clock.h"

namespace mirtel {

class CheckTime {
 public:
  explicit CheckTime(TickClock& clock) : clock_(clock) {}

  void StartTimer(const std::string& text);
  // TimerName, two spaces, the seconds as "###0.0000", then "秒".
  std::string EndTimer();

 private:
  TickClock& clock_;
  std::uint32_t StartTick = 0;
  std::uint32_t EndTick = 0;
  std::string TimerName;
};

}  // namespace mirtel
