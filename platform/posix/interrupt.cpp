#include "platform/interrupt.h"

#include <signal.h>

namespace mirtel {
namespace {

std::atomic<bool>* g_interruptFlag = nullptr;

void OnSignal(int) {
  // A lock-free atomic store is safe in a signal handler.
  if (g_interruptFlag != nullptr) g_interruptFlag->store(true);
}

}  // namespace

void SetFlagOnInterrupt(std::atomic<bool>& flag) {
  g_interruptFlag = &flag;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Calls under way go on (a write to a full pipe, a copy): the walk looks
  // at the flag between files.
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void InterruptHandled() {}

}  // namespace mirtel
