// Ctrl+C at the console, and the other ways a run is told to end (SIGTERM
// from a service manager or `timeout`, SIGHUP from a closed terminal; on
// Windows Ctrl+Break and the console's closing): each sets a flag instead
// of ending the process, so that a headless walk stops as the Stop button
// stops it, between files, and still reports and logs its summary.
#pragma once

#include <atomic>

namespace mirtel {

// From now on those signals set `flag`. The flag must outlive the process's
// handling of the signal (a static is the usual home).
void SetFlagOnInterrupt(std::atomic<bool>& flag);

// The job has ended and said so: a console closing meanwhile (Windows gives
// its handler a few seconds) may end the process now.
void InterruptHandled();

}  // namespace mirtel
