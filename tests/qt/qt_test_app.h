// The one QApplication of the Qt tests, made on first use.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>

namespace mirtel::test {

// Owned by the tests' main, which ends it before the program exits: a
// QApplication outliving main crashes in Qt's own teardown.
std::unique_ptr<QApplication>& AppHolder();

// Made on first use, so listing the tests needs no display.
inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  std::unique_ptr<QApplication>& app = AppHolder();
  if (!app) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QApplication>(argc, argv);
  }
  return *app;
}

// Hands the next message box that opens to `answer`, from inside its modal
// loop. Gives up after about five seconds, so a missing box fails the test
// instead of hanging it; ends with its scope, so it never answers a box of
// a later test.
class NextMessageBox {
 public:
  explicit NextMessageBox(std::function<void(QMessageBox*)> answer) {
    QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr && ++ticks_ < 500) return;
      timer_.stop();
      if (box == nullptr) return;
      seen_ = true;
      answer(box);
    });
    timer_.start(10);
  }
  bool seen() const { return seen_; }

 private:
  QTimer timer_;
  int ticks_ = 0;
  bool seen_ = false;
};

}  // namespace mirtel::test
