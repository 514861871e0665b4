#include "tests/qt/qt_view_driver.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

#include "platform/native_file_system.h"
#include "platform/qt/qt_text.h"
#include "tests/qt/qt_test_app.h"

namespace mirtel::test {
namespace {

Qt::MouseButton QtButton(Button button) {
  switch (button) {
    case Button::Left:
      break;
    case Button::Right:
      return Qt::RightButton;
    case Button::Middle:
      return Qt::MiddleButton;
  }
  return Qt::LeftButton;
}

void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPointF at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                    ? Qt::NoButton
                                    : Qt::MouseButtons(button);
  QMouseEvent ev(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                 held, Qt::NoModifier);
  QApplication::sendEvent(w, &ev);
}

}  // namespace

QtViewDriver::QtViewDriver(const std::string& programFolder) {
  TestApp();
  window_ = std::make_unique<QtWindow>();
  fs_ = MakeNativeFileSystem();
  recycler_ = MakeNativeRecycler(*fs_);
  form_ = std::make_unique<FrmMirtel>(
      AppPlatform{*window_, shell, *fs_, *recycler_, codec_, clock_, programFolder, ""});
  window_->Connect(*form_);
  // Boxes are answered from inside their modal loop.
  QObject::connect(&boxWatch_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    QAbstractButton* no = box->button(QMessageBox::No);
    boxes.push_back({ToUtf8(box->text()), ToUtf8(box->windowTitle()), no != nullptr,
                     no != nullptr && box->defaultButton() == no});
    if (answers.empty()) {
      box->reject();
      return;
    }
    const BoxAnswer answer = answers.front();
    answers.pop_front();
    QAbstractButton* chosen = box->button(answer == BoxAnswer::Yes  ? QMessageBox::Yes
                                          : answer == BoxAnswer::No ? QMessageBox::No
                                                                    : QMessageBox::Ok);
    if (chosen != nullptr) {
      chosen->click();
    } else {
      box->reject();
    }
  });
  boxWatch_.start(10);
}

QtViewDriver::~QtViewDriver() {
  boxWatch_.stop();
  form_.reset();
  window_.reset();
}

void QtViewDriver::AnswerBoxes(bool on) {
  if (on) {
    boxWatch_.start(10);
  } else {
    boxWatch_.stop();
  }
}

void QtViewDriver::LoadAndShow() {
  form_->Form_Load();
  window_->Show();
  static_cast<void>(QTest::qWaitForWindowActive(window_->widget()));
}

void QtViewDriver::Reactivate() {
  window_->widget()->activateWindow();
  static_cast<void>(QTest::qWaitForWindowActive(window_->widget()));
}

bool QtViewDriver::IsOpen() { return window_->widget()->isVisible(); }

Rect QtViewDriver::ClientArea() {
  QMainWindow* frame = window_->widget();
  QWidget* client = frame->centralWidget();
  // The frame holds the menu bar and the client area, nothing more.
  if (frame->height() != client->y() + client->height()) return {0, 0, 0, 0};
  if (client->y() < frame->menuBar()->geometry().bottom()) return {0, 0, 0, 0};
  return {0, 0, client->width(), client->height()};
}

bool QtViewDriver::Resizable() {
  QMainWindow* frame = window_->widget();
  frame->layout()->activate();
  return frame->minimumSize() != frame->maximumSize();
}

Rect QtViewDriver::Placed(Control c) {
  if (W(c)->parentWidget() != window_->widget()->centralWidget()) return {-1, -1, 0, 0};
  const QRect r = W(c)->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

bool QtViewDriver::TakesFocus(Control c) { return (W(c)->focusPolicy() & Qt::TabFocus) != 0; }

std::optional<Control> QtViewDriver::ControlAt(int x, int y) {
  QWidget* client = window_->widget()->centralWidget();
  QWidget* hit = client->childAt(x, y);
  while (hit != nullptr && hit->parentWidget() != client) hit = hit->parentWidget();
  for (const ControlDesign& d : ControlDesigns()) {
    if (W(d.control) == hit) return d.control;
  }
  return std::nullopt;
}

std::optional<Control> QtViewDriver::Focused() {
  QWidget* focus = QApplication::focusWidget();
  for (const ControlDesign& d : ControlDesigns()) {
    if (focus != nullptr && (W(d.control) == focus || W(d.control)->isAncestorOf(focus))) {
      return d.control;
    }
  }
  return std::nullopt;
}

std::vector<MenuEntry> QtViewDriver::MenuBar() {
  std::vector<MenuEntry> bar;
  for (QAction* top : window_->widget()->menuBar()->actions()) {
    if (!top->isVisible()) continue;
    MenuEntry entry;
    entry.caption = ToUtf8(top->text());
    entry.enabled = top->isEnabled();
    for (QAction* a : top->menu() != nullptr ? top->menu()->actions() : QList<QAction*>{}) {
      if (!a->isVisible()) continue;
      MenuEntry item;
      item.separator = a->isSeparator();
      item.caption = item.separator ? std::string() : ToUtf8(a->text());
      item.shortcut = ToUtf8(a->shortcut().toString());
      item.checked = a->isChecked();
      item.enabled = a->isEnabled();
      entry.items.push_back(item);
    }
    bar.push_back(entry);
  }
  return bar;
}

std::string QtViewDriver::ToolTip(Control c) { return ToUtf8(W(c)->toolTip()); }

std::string QtViewDriver::LastListLine() {
  auto* list = qobject_cast<QListWidget*>(W(Control::lstResult));
  return list->count() == 0 ? std::string() : ToUtf8(list->item(list->count() - 1)->text());
}

bool QtViewDriver::ListScrollsSideways() {
  QApplication::processEvents();
  return qobject_cast<QListWidget*>(W(Control::lstResult))->horizontalScrollBar()->maximum() > 0;
}

bool QtViewDriver::DrawnInWarningColour(Control label) {
  return L(label)->palette().color(QPalette::WindowText).rgb() == QColor(0xC0, 0, 0).rgb();
}

void QtViewDriver::Press(Key key, bool control, bool shift) {
  Qt::KeyboardModifiers modifiers;
  if (control) modifiers |= Qt::ControlModifier;
  if (shift) modifiers |= Qt::ShiftModifier;
  Qt::Key code = Qt::Key_Return;
  switch (key) {
    case Key::Tab:
      code = shift ? Qt::Key_Backtab : Qt::Key_Tab;
      break;
    case Key::Enter:
      break;
    case Key::KeypadEnter:
      code = Qt::Key_Enter;
      modifiers |= Qt::KeypadModifier;
      break;
    case Key::Space:
      code = Qt::Key_Space;
      break;
    case Key::Escape:
      code = Qt::Key_Escape;
      break;
    case Key::F1:
      code = Qt::Key_F1;
      break;
    case Key::A:
      code = Qt::Key_A;
      break;
    case Key::Q:
      code = Qt::Key_Q;
      break;
  }
  QWidget* focus = QApplication::focusWidget();
  QTest::keyClick(focus != nullptr ? focus : window_->widget(), code, modifiers);
  if (!boxes.empty()) Reactivate();
}

void QtViewDriver::Click(Control c) { qobject_cast<QPushButton*>(W(c))->click(); }

void QtViewDriver::Choose(MenuItem item) { window_->action(item)->trigger(); }

QWidget* QtViewDriver::MouseTarget(Control c) {
  if (c == Control::lstResult) return qobject_cast<QListWidget*>(W(c))->viewport();
  return W(c);
}

void QtViewDriver::MouseMove(Control c) {
  SendMouse(MouseTarget(c), QEvent::MouseMove, Qt::NoButton, QPointF(5, 5));
}

void QtViewDriver::PressRelease(Control c, Button button, bool releasedInside) {
  QWidget* w = MouseTarget(c);
  SendMouse(w, QEvent::MouseButtonPress, QtButton(button), QPointF(2, 2));
  SendMouse(w, QEvent::MouseButtonRelease, QtButton(button),
            releasedInside ? QPointF(2, 2) : QPointF(-20, 2));
}

void QtViewDriver::DoubleClick(Control c) {
  QWidget* w = MouseTarget(c);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    SendMouse(w, type, Qt::LeftButton, QPointF(5, 5));
  }
}

bool QtViewDriver::PressDrags(std::optional<Control> c, Button button) {
  // Offscreen, the window follows the pointer itself.
  QMainWindow* frame = window_->widget();
  QWidget* w = c ? MouseTarget(*c) : frame->centralWidget();
  const auto dragBy = [&](QPoint delta) {
    const QPointF to = QPointF(QCursor::pos() + delta);
    QMouseEvent moved(QEvent::MouseMove, frame->mapFromGlobal(to), to, Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(frame, &moved);
    QMouseEvent released(QEvent::MouseButtonRelease, frame->mapFromGlobal(to), to, Qt::LeftButton,
                         Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &released);
  };
  const QPoint start = frame->pos();
  SendMouse(w, QEvent::MouseButtonPress, QtButton(button), QPointF(5, 5));
  dragBy(QPoint(30, 20));
  const bool moved = frame->pos() != start;
  if (moved) {
    SendMouse(w, QEvent::MouseButtonPress, Qt::LeftButton, QPointF(5, 5));
    dragBy(QPoint(-30, -20));
  }
  return moved;
}

void QtViewDriver::Drop(Control combo, const std::vector<std::string>& paths) {
  QLineEdit* edit = qobject_cast<QComboBox*>(W(combo))->lineEdit();
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& p : paths) urls.append(QUrl::fromLocalFile(ToQString(p)));
  data.setUrls(urls);
  const QPointF at(10, 10);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(edit, &enter);
  QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(edit, &dropped);
}

std::unique_ptr<ViewDriver> MakeViewDriver(const std::string& programFolder) {
  return std::make_unique<QtViewDriver>(programFolder);
}

}  // namespace mirtel::test
