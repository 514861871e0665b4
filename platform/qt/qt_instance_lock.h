// One running instance per user: a lock file in the user's runtime folder.
#pragma once

#include <QLockFile>
#include <QString>

#include "platform/instance_lock.h"

namespace mirtel {

class QtInstanceLock : public InstanceLock {
 public:
  explicit QtInstanceLock(const QString& lockPath);

  // The lock file of the program in the user's runtime (or temporary) folder.
  static QString DefaultPath();

  bool AnotherInstanceRunning() override;

 private:
  QLockFile lock_;
};

}  // namespace mirtel
