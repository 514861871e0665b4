// The main window frmMirtel in Qt 6 Widgets, as the window's logic sees it:
// carries out what the logic asks of the controls and menus, and holds back
// the walk's rapid status and result lines until the screen can show them.
#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/qt/qt_combo_box.h"
#include "platform/window.h"

class QAction;
class QMainWindow;
class QWidget;

namespace mirtel {

class FrmMirtel;
class MainFrame;

class QtWindow : public Window {
 public:
  QtWindow();
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  // From now on the window's events go to `form`.
  void Connect(FrmMirtel& form);

  QMainWindow* widget();
  QWidget* control(Control control);
  QAction* action(MenuItem item);

  // WalkView.
  void SetStatus(std::string_view text) override;
  void AppendResult(std::string_view line) override;
  void Yield() override;
  int MsgBox(std::string_view prompt, int buttons = kMbOk, std::string_view title = {}) override;

  // Window.
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) override;
  void SetVisible(Control control, bool visible) override;
  void SetFocus(Control control) override;
  void SetCaption(Control label, std::string_view text) override;
  std::string Caption(Control label) override;
  void SetBackColor(Control label, ColorRef color) override;
  void SetWarning(Control label, bool warning) override;
  void SetToolTip(Control control, std::string_view text) override;
  ComboBox& Combo(Control combo) override;
  void SetDroppedWidth(Control combo, int pixels) override;
  void ClearList(Control list) override;
  int ListCount(Control list) override;

  void SetEnabled(MenuItem item, bool enabled) override;
  bool IsEnabled(MenuItem item) override;
  void SetChecked(MenuItem item, bool checked) override;
  void SetVisible(MenuItem item, bool visible) override;

  void Show() override;
  void SetBusyPointer(bool busy) override;
  void Beep() override;
  void StartSystemDrag() override;
  void Hide() override;
  void RequestClose() override;

 private:
  void FlushLater();
  void Flush();
  // A label in the warning state draws a text too wide for it smaller, down
  // to the design's floor, so that its start is never the part cut.
  void FitWarning(Control label);

  std::unique_ptr<MainFrame> frame_;
  std::unique_ptr<QtComboBox> moto_;
  std::unique_ptr<QtComboBox> saki_;
  QElapsedTimer sinceYield_;
  bool busy_ = false;
  std::array<bool, 16> warnings_{};  // by Control
  // A walk reports every entry, far more often than anyone can read: the
  // status line and the result lines wait here for flushTimer_.
  std::string status_;
  bool statusPending_ = false;
  QStringList resultsPending_;
  QTimer flushTimer_;  // after frame_: stops before the controls go
};

}  // namespace mirtel
