#include "platform/interrupt.h"

#include <windows.h>

namespace mirtel {
namespace {

std::atomic<bool>* g_interruptFlag = nullptr;
HANDLE g_handled = nullptr;

// Runs on a thread of its own; the walk sees the flag at its next entry.
BOOL WINAPI OnConsoleCtrl(DWORD type) {
  if (g_interruptFlag == nullptr) return FALSE;
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      g_interruptFlag->store(true);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The process ends when this returns: give the job the few seconds
      // the system allows to finish its file, report and log.
      g_interruptFlag->store(true);
      if (g_handled != nullptr) WaitForSingleObject(g_handled, 4500);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void SetFlagOnInterrupt(std::atomic<bool>& flag) {
  g_interruptFlag = &flag;
  if (g_handled == nullptr) g_handled = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
}

void InterruptHandled() {
  if (g_handled != nullptr) SetEvent(g_handled);
}

}  // namespace mirtel
