#include "platform/qt/qt_instance_lock.h"

#include <QDir>
#include <QStandardPaths>

namespace mirtel {

QtInstanceLock::QtInstanceLock(const QString& lockPath) : lock_(lockPath) {
  // Only a dead owner makes the lock stale, never its age: a long copy job
  // must not let a second instance in.
  lock_.setStaleLockTime(0);
}

QString QtInstanceLock::DefaultPath() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return QDir(folder).filePath(QStringLiteral("mirtel.lock"));
}

bool QtInstanceLock::AnotherInstanceRunning() {
  if (lock_.isLocked()) return false;
  if (lock_.tryLock(0)) return false;
  if (lock_.error() != QLockFile::LockFailedError) {
    // The lock cannot be written at all: run rather than refuse to start.
    return false;
  }
  // A crashed instance's lock is taken over.
  if (lock_.removeStaleLockFile() && lock_.tryLock(0)) return false;
  return true;
}

}  // namespace mirtel
