// The single-instance lock, answering what the test says.
#pragma once

#include "platform/instance_lock.h"

namespace mirtel {

class ScriptedLock : public InstanceLock {
 public:
  explicit ScriptedLock(bool other) : other_(other) {}
  bool AnotherInstanceRunning() override { return other_; }

 private:
  bool other_;
};

}  // namespace mirtel
