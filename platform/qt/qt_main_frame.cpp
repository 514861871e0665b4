#include "platform/qt/qt_main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDropEvent>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QWindow>
#include <exception>
#include <string>
#include <vector>

#include "app/frm_mirtel.h"
#include "app/window_design.h"
#include "engine/error_trap.h"
#include "platform/qt/qt_text.h"
#include "text/message.h"

namespace mirtel {

namespace {

int ButtonValue(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return kButtonLeft;
    case Qt::RightButton:
      return kButtonRight;
    case Qt::MiddleButton:
      return kButtonMiddle;
    default:
      return 0;
  }
}

int ButtonValue(const QEvent* event) {
  return ButtonValue(static_cast<const QMouseEvent*>(event)->button());
}

// Enter or the keypad's Enter, alone.
bool IsEnter(const QKeyEvent* key) {
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  return enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The local paths a drag carries (anything but local files counts as none).
std::vector<std::string> DroppedPaths(const QDropEvent* drop) {
  std::vector<std::string> paths;
  const QMimeData* data = drop->mimeData();
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    paths.push_back(url.isLocalFile() ? QFile::encodeName(url.toLocalFile()).toStdString()
                                      : std::string());
  }
  return paths;
}

}  // namespace

MainFrame::MainFrame() : client_(new QWidget(this)) {
  setWindowTitle(ToQString(Text(Msg::WindowCaption)));
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  client_->setObjectName(QStringLiteral("frmMirtel"));
  client_->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client_);
  controls_ = std::make_unique<QtControls>(client_);
  menus_ = std::make_unique<QtMenus>(menuBar());

  // After the controls, which register the pictures.
  QIcon icon;
  for (const char* size : {"16", "32", "48", "64", "256"})
    icon.addFile(QStringLiteral(":/mirtel/mirtel_%1.png").arg(QLatin1String(size)));
  setWindowIcon(icon);
  // The frame follows the fixed client area and the menu bar; it never resizes.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(kClientLeft, kClientTop);

  client_->installEventFilter(this);
  for (Control field : {Control::cmbBackMoto, Control::cmbBackSaki}) {
    QComboBox* box = controls_->combo(field);
    box->setAcceptDrops(true);
    box->lineEdit()->setAcceptDrops(true);
  }
  controls_->WatchEvents(this);
  RouteClicks();
}

// Runs one event procedure. The procedures trap their own errors; anything
// that still escapes is shown here rather than thrown through Qt.
template <typename F>
void MainFrame::Forward(F&& call) {
  if (form_ == nullptr) return;
  try {
    call(*form_);
  } catch (...) {
    // The description as every trap of the program gives it.
    ShowError(CurrentErrorDescription().c_str());
  }
}

void MainFrame::RouteClicks() {
  for (const MenuDesign& d : MenuDesigns()) {
    const Procedure procedure = MenuProcedure(d.item);
    if (procedure == nullptr) continue;
    QAction* a = menus_->action(d.item);
    connect(a, &QAction::triggered, this, [this, a, procedure] {
      // The logic owns the check marks; undo Qt's own toggle first.
      if (a->isCheckable()) a->setChecked(!a->isChecked());
      Forward([&](FrmMirtel& form) { (form.*procedure)(); });
    });
  }
  for (const ControlDesign& d : ControlDesigns()) {
    const Procedure procedure = ClickProcedure(d.control);
    auto* button = qobject_cast<QPushButton*>(controls_->widget(d.control));
    if (procedure == nullptr || button == nullptr) continue;
    connect(button, &QPushButton::clicked, this,
            [this, procedure] { Forward([&](FrmMirtel& form) { (form.*procedure)(); }); });
  }
}

// The menu's shortcut keys work from anywhere in the window, also where a
// field would take the key for itself (Ctrl+A selects all in a text box).
bool MainFrame::IsMenuShortcut(const QKeyEvent* key) const {
  const QKeySequence pressed(key->keyCombination());
  for (QAction* a : menus_->actions()) {
    if (a != nullptr && !a->shortcut().isEmpty() && a->shortcut() == pressed && a->isEnabled() &&
        a->isVisible())
      return true;
  }
  return false;
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    if (IsMenuShortcut(static_cast<QKeyEvent*>(event))) {
      event->ignore();
      return true;
    }
    return false;
  }
  if (watched == client_) {
    if (event->type() == QEvent::MouseButtonPress) {
      const int button = ButtonValue(event);
      Forward([&](FrmMirtel& form) { form.Form_MouseDown(button); });
    }
    return false;
  }
  const std::optional<Control> control = controls_->Find(watched);
  return control.has_value() && ControlEvent(*control, static_cast<QWidget*>(watched), event);
}

// One event of a control (or of its inner part `widget`); true when the
// control keeps it.
bool MainFrame::ControlEvent(Control control, QWidget* widget, QEvent* event) {
  const ControlDesign& design = DesignOf(control);
  const bool label = design.kind == ControlKind::Label;
  switch (event->type()) {
    // Not Enter: Qt also sends it when the window opens or a popup closes,
    // with the pointer elsewhere.
    case QEvent::MouseMove:
    case QEvent::HoverMove: {
      // Disabled controls show no hint.
      const Procedure hint = MouseMoveProcedure(control);
      if (hint != nullptr && widget->isEnabled()) Forward([&](FrmMirtel& form) { (form.*hint)(); });
      return false;
    }
    case QEvent::MouseButtonPress: {
      labelDoubleClicked_ = false;
      const MouseDownProcedure down = MouseDownProcedureOf(control);
      const int button = ButtonValue(event);
      if (down != nullptr) Forward([&](FrmMirtel& form) { (form.*down)(button); });
      // A label keeps its press: the background under it must not drag.
      return label;
    }
    case QEvent::MouseButtonDblClick: {
      // A folder field's double click counts on its text, not on its arrow.
      const Procedure dblClick = DblClickProcedure(control);
      const QComboBox* box = controls_->combo(control);
      const bool onText = box == nullptr || widget == box->lineEdit();
      if (dblClick != nullptr && onText && widget->isEnabled()) {
        Forward([&](FrmMirtel& form) { (form.*dblClick)(); });
        return false;
      }
      // The second press of a double click is no new click.
      if (label) labelDoubleClicked_ = true;
      return label;
    }
    case QEvent::MouseButtonRelease: {
      if (!label) return false;
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const Procedure click = ClickProcedure(control);
      const bool inside = widget->rect().contains(mouse->position().toPoint());
      if (click != nullptr && mouse->button() == Qt::LeftButton && inside && !labelDoubleClicked_)
        Forward([&](FrmMirtel& form) { (form.*click)(); });
      labelDoubleClicked_ = false;
      return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      // Folders from the file manager on a folder field; the field's own
      // text drop never runs.
      if (controls_->combo(control) == nullptr) return false;
      auto* drop = static_cast<QDropEvent*>(event);
      const std::vector<std::string> paths = DroppedPaths(drop);
      bool accepted = false;
      Forward([&](FrmMirtel& form) { accepted = form.AcceptsDrop(control, paths); });
      if (!accepted) {
        drop->ignore();
        return true;
      }
      drop->acceptProposedAction();
      if (event->type() == QEvent::Drop) {
        Forward([&](FrmMirtel& form) { form.FolderDropped(control, paths); });
      }
      return true;
    }
    case QEvent::KeyPress: {
      // Enter clicks the focused button, as Space does.
      const auto* key = static_cast<QKeyEvent*>(event);
      auto* button = qobject_cast<QPushButton*>(widget);
      if (button == nullptr || !IsEnter(key)) return false;
      if (!key->isAutoRepeat()) button->click();
      return true;
    }
    default:
      return false;
  }
}

void MainFrame::closeEvent(QCloseEvent* event) {
  bool mayClose = true;
  if (form_ != nullptr) {
    mayClose = false;
    Forward([&](FrmMirtel& form) { mayClose = form.Form_QueryUnload(); });
  }
  if (mayClose)
    event->accept();
  else
    event->ignore();
}

void MainFrame::StartDrag() {
  QWindow* handle = windowHandle();
  if (handle != nullptr && handle->startSystemMove()) return;
  dragOffset_ = QCursor::pos() - frameGeometry().topLeft();
  dragging_ = true;
  grabMouse();
}

void MainFrame::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_)
    move(event->globalPosition().toPoint() - dragOffset_);
  else
    QMainWindow::mouseMoveEvent(event);
}

void MainFrame::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_) {
    QMainWindow::mouseReleaseEvent(event);
    return;
  }
  dragging_ = false;
  releaseMouse();
}

void MainFrame::ShowError(const char* text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("mirtel"), QString::fromUtf8(text),
                  QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace mirtel
