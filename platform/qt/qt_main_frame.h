// The frame of frmMirtel: the client area with its controls and the menu bar,
// made from the window's design data, and the routing of their events to the
// event procedures the design names.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <memory>

#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_menus.h"

namespace mirtel {

class FrmMirtel;

class MainFrame : public QMainWindow {
 public:
  MainFrame();

  // From now on the events go to `form`.
  void Connect(FrmMirtel& form) { form_ = &form; }

  const QtControls& controls() const { return *controls_; }
  const QtMenus& menus() const { return *menus_; }

  // The system moves the window with the mouse; where it cannot (no window
  // manager, offscreen), the window follows the pointer itself until the
  // button is released.
  void StartDrag();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void RouteClicks();
  bool ControlEvent(Control control, QWidget* widget, QEvent* event);
  bool IsMenuShortcut(const QKeyEvent* key) const;
  template <typename F>
  void Forward(F&& call);
  void ShowError(const char* text);

  QWidget* client_;
  std::unique_ptr<QtControls> controls_;
  std::unique_ptr<QtMenus> menus_;
  FrmMirtel* form_ = nullptr;
  bool labelDoubleClicked_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
};

}  // namespace mirtel
