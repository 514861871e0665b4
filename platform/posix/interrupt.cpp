#include "platform/interrupt.h"

#include <signal.h>

namespace mirtel {
namespace {

std::atomic<bool>* g_interruptFlag = nullptr;

void OnSigint(int) {
  // A lock-free atomic store is safe in a signal handler.
  if (g_interruptFlag != nullptr) g_interruptFlag->store(true);
}

}  // namespace

void SetFlagOnInterrupt(std::atomic<bool>& flag) {
  g_interruptFlag = &flag;
  struct sigaction action {};
  action.sa_handler = OnSigint;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART needed: the walk never blocks waiting for input.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace mirtel
