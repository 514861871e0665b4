#include "platform/win32/view/win32_instance_lock.h"

namespace mirtel {

Win32InstanceLock::~Win32InstanceLock() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool Win32InstanceLock::AnotherInstanceRunning() {
  if (mutex_ != nullptr) return false;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name_.c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) {
    // Held by an instance running with other rights; any other failure
    // lets the program run rather than refuse to start.
    return error == ERROR_ACCESS_DENIED;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return true;
  }
  mutex_ = mutex;
  return false;
}

}  // namespace mirtel
