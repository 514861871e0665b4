// Whether another instance of the program is already running.
#pragma once

namespace mirtel {

class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
  // Takes the lock when free; true when another live instance holds it. A
  // lock left by a crashed instance does not count.
  virtual bool AnotherInstanceRunning() = 0;
};

}  // namespace mirtel
