// The view suite's driver for the Qt window on the offscreen platform; the
// Qt-only tests use its helpers too.
#pragma once

#include <QLabel>
#include <QTimer>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/posix/posix_ansi_codec.h"
#include "platform/posix/posix_tick_clock.h"
#include "platform/qt/qt_window.h"
#include "platform/recycler.h"
#include "tests/view/view_driver.h"

namespace mirtel::test {

class QtViewDriver : public ViewDriver {
 public:
  explicit QtViewDriver(const std::string& programFolder);
  ~QtViewDriver() override;

  Window& window() override { return *window_; }
  FrmMirtel& form() override { return *form_; }
  void LoadAndShow() override;
  bool IsOpen() override;
  int Dpi() override { return 96; }
  Rect ClientArea() override;
  bool Resizable() override;
  Rect Placed(Control c) override;
  bool Shown(Control c) override { return W(c)->isVisible(); }
  bool TakesFocus(Control c) override;
  std::optional<Control> ControlAt(int x, int y) override;
  std::optional<Control> Focused() override;
  std::vector<MenuEntry> MenuBar() override;
  std::string ToolTip(Control c) override;
  std::string LastListLine() override;
  bool ListScrollsSideways() override;
  bool DrawnInWarningColour(Control label) override;
  void Press(Key key, bool control = false, bool shift = false) override;
  void Click(Control c) override;
  void Choose(MenuItem item) override;
  void MouseMove(Control c) override;
  void PressRelease(Control c, Button button, bool releasedInside = true) override;
  void DoubleClick(Control c) override;
  bool PressDrags(std::optional<Control> c, Button button) override;
  void Drop(Control combo, const std::vector<std::string>& paths) override;

  QtWindow& qt() { return *window_; }
  QWidget* W(Control c) { return window_->control(c); }
  QLabel* L(Control c) { return qobject_cast<QLabel*>(W(c)); }
  // The offscreen platform does not hand activation back after a modal box.
  void Reactivate();
  // The boxes are answered by the driver while this holds (on by default).
  void AnswerBoxes(bool on);

 private:
  QWidget* MouseTarget(Control c);

  PosixAnsiCodec codec_;
  PosixTickClock clock_;
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Recycler> recycler_;
  std::unique_ptr<FrmMirtel> form_;
  QTimer boxWatch_;
};

}  // namespace mirtel::test
