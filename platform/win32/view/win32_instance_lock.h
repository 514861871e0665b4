// One running instance per logon: a named mutex in the Local\ namespace.
#pragma once

#include <string>

#include "platform/instance_lock.h"
#include "platform/win32/view/view_api.h"

namespace mirtel {

inline constexpr const wchar_t* kInstanceMutexName = L"Local\\mirtel.frmMirtel";

class Win32InstanceLock : public InstanceLock {
 public:
  explicit Win32InstanceLock(std::wstring name = kInstanceMutexName) : name_(std::move(name)) {}
  ~Win32InstanceLock() override;
  Win32InstanceLock(const Win32InstanceLock&) = delete;
  Win32InstanceLock& operator=(const Win32InstanceLock&) = delete;

  // The system drops the mutex with its last holder, so a crashed
  // instance leaves nothing behind.
  bool AnotherInstanceRunning() override;

 private:
  std::wstring name_;
  HANDLE mutex_ = nullptr;
};

}  // namespace mirtel
