#include "job/check_time.h"

#include "text/message.h"

namespace mirtel {

void CheckTime::StartTimer(const std::string& text) {
  StartTick = clock_.TickCount();
  TimerName = text;
}

std::string CheckTime::EndTimer() {
  EndTick = clock_.TickCount();
  // Unsigned difference: right across the counter's wrap and across 2^31 ms.
  const std::uint32_t ms = EndTick - StartTick;
  // "###0.0000" of whole milliseconds, written from the integer so that
  // neither rounding nor the locale's decimal point can change it.
  std::string fraction = std::to_string(ms % 1000);
  fraction.insert(0, 3 - fraction.size(), '0');
  return TimerName + "  " + Text(Msg::Seconds, std::to_string(ms / 1000) + "." + fraction + "0");
}

}  // namespace mirtel
