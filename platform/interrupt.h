// Ctrl+C at the console: sets a flag instead of ending the process, so a
// headless walk stops as the Stop button stops it and still reports.
#pragma once

#include <atomic>

namespace mirtel {

// From now on Ctrl+C (and Ctrl+Break on Windows) sets `flag`. The flag must
// outlive the process's handling of the signal (a static is the usual home).
void SetFlagOnInterrupt(std::atomic<bool>& flag);

}  // namespace mirtel
