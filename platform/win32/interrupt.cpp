#include "platform/interrupt.h"

#include <windows.h>

namespace mirtel {
namespace {

std::atomic<bool>* g_interruptFlag = nullptr;

// Runs on a thread of its own; the walk sees the flag at its next entry.
BOOL WINAPI OnConsoleCtrl(DWORD type) {
  if ((type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) && g_interruptFlag != nullptr) {
    g_interruptFlag->store(true);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void SetFlagOnInterrupt(std::atomic<bool>& flag) {
  g_interruptFlag = &flag;
  SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
}

}  // namespace mirtel
