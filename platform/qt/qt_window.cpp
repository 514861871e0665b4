#include "platform/qt/qt_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>
#include <array>
#include <exception>

#include "app/frm_mirtel.h"
#include "app/res_strings.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_text.h"

// The pictures are compiled into this library; the static link needs their
// registration called by name, outside any namespace.
static void InitMirtelResources() { Q_INIT_RESOURCE(mirtel); }

namespace mirtel {

namespace {

constexpr int kControlCount = 16;
// The walk's status line and result lines reach the controls at most this
// often: about 30 times a second, as fast as the eye follows a changing line.
constexpr int kFlushMs = 33;
constexpr int kMenuItemCount = 16;

int Index(Control c) { return static_cast<int>(c); }
int Index(MenuItem m) { return static_cast<int>(m); }

struct Placement {
  Control control;
  int left, top, width, height;
};

// Front to back, as the controls are stacked.
constexpr std::array<Placement, kControlCount> kLayout{{
    {Control::cmdOpenSaki, 280, 40, 73, 33},
    {Control::cmdOpenMoto, 280, 8, 73, 33},
    {Control::cmbBackSaki, 0, 40, 281, 24},
    {Control::cmbBackMoto, 0, 8, 281, 24},
    {Control::cmdQuit, 360, 128, 97, 41},
    {Control::cmdStop, 360, 88, 97, 41},
    {Control::lstResult, 112, 104, 241, 64},
    {Control::cmdBackSaki, 360, 48, 97, 41},
    {Control::cmdBackMoto, 360, 8, 97, 41},
    {Control::cmdBackUp, 0, 72, 108, 65},
    {Control::lblCopyMode, 8, 184, 49, 25},
    {Control::lblCopyModeBack, 0, 176, 57, 33},
    {Control::Label1, 112, 72, 241, 25},
    {Control::lblProcess, 72, 184, 377, 25},
    {Control::Label3, 64, 176, 393, 33},
    {Control::Label2, 0, 144, 105, 25},
}};

// Focus order; the labels never take the focus.
constexpr std::array<Control, 10> kTabOrder{
    Control::cmdBackMoto, Control::cmdBackSaki, Control::cmdBackUp,   Control::lstResult,
    Control::cmdStop,     Control::cmdQuit,     Control::cmbBackMoto, Control::cmbBackSaki,
    Control::cmdOpenMoto, Control::cmdOpenSaki,
};

const char* ControlName(Control c) {
  switch (c) {
    case Control::cmdOpenSaki:
      return "cmdOpenSaki";
    case Control::cmdOpenMoto:
      return "cmdOpenMoto";
    case Control::cmbBackSaki:
      return "cmbBackSaki";
    case Control::cmbBackMoto:
      return "cmbBackMoto";
    case Control::cmdQuit:
      return "cmdQuit";
    case Control::cmdStop:
      return "cmdStop";
    case Control::lstResult:
      return "lstResult";
    case Control::cmdBackSaki:
      return "cmdBackSaki";
    case Control::cmdBackMoto:
      return "cmdBackMoto";
    case Control::cmdBackUp:
      return "cmdBackUp";
    case Control::lblCopyMode:
      return "lblCopyMode";
    case Control::lblCopyModeBack:
      return "lblCopyModeBack";
    case Control::Label1:
      return "Label1";
    case Control::lblProcess:
      return "lblProcess";
    case Control::Label3:
      return "Label3";
    case Control::Label2:
      return "Label2";
  }
  return "";
}

bool IsLabel(Control c) {
  switch (c) {
    case Control::lblCopyMode:
    case Control::lblCopyModeBack:
    case Control::Label1:
    case Control::lblProcess:
    case Control::Label3:
    case Control::Label2:
      return true;
    default:
      return false;
  }
}

using Handler = void (FrmMirtel::*)();
using ButtonHandler = void (FrmMirtel::*)(int);

Handler ClickHandler(Control c) {
  switch (c) {
    case Control::cmdBackMoto:
      return &FrmMirtel::cmdBackMoto_Click;
    case Control::cmdBackSaki:
      return &FrmMirtel::cmdBackSaki_Click;
    case Control::cmdBackUp:
      return &FrmMirtel::cmdBackUp_Click;
    case Control::cmdStop:
      return &FrmMirtel::cmdStop_Click;
    case Control::cmdQuit:
      return &FrmMirtel::cmdQuit_Click;
    case Control::cmdOpenMoto:
      return &FrmMirtel::cmdOpenMoto_Click;
    case Control::cmdOpenSaki:
      return &FrmMirtel::cmdOpenSaki_Click;
    case Control::lblCopyMode:
      return &FrmMirtel::lblCopyMode_Click;
    case Control::lblCopyModeBack:
      return &FrmMirtel::lblCopyModeBack_Click;
    default:
      return nullptr;
  }
}

Handler HintHandler(Control c) {
  switch (c) {
    case Control::cmdBackMoto:
      return &FrmMirtel::cmdBackMoto_MouseMove;
    case Control::cmdBackSaki:
      return &FrmMirtel::cmdBackSaki_MouseMove;
    case Control::cmdBackUp:
      return &FrmMirtel::cmdBackUp_MouseMove;
    case Control::cmdQuit:
      return &FrmMirtel::cmdQuit_MouseMove;
    case Control::cmdStop:
      return &FrmMirtel::cmdStop_MouseMove;
    case Control::cmdOpenMoto:
      return &FrmMirtel::cmdOpenMoto_MouseMove;
    case Control::cmdOpenSaki:
      return &FrmMirtel::cmdOpenSaki_MouseMove;
    case Control::Label1:
      return &FrmMirtel::Label1_MouseMove;
    case Control::Label2:
      return &FrmMirtel::Label2_MouseMove;
    case Control::lstResult:
      return &FrmMirtel::lstResult_MouseMove;
    case Control::lblCopyMode:
      return &FrmMirtel::lblCopyMode_MouseMove;
    default:
      return nullptr;
  }
}

ButtonHandler MouseDownHandler(Control c) {
  switch (c) {
    case Control::Label1:
      return &FrmMirtel::Label1_MouseDown;
    case Control::Label2:
      return &FrmMirtel::Label2_MouseDown;
    case Control::Label3:
      return &FrmMirtel::Label3_MouseDown;
    case Control::lblProcess:
      return &FrmMirtel::lblProcess_MouseDown;
    case Control::lstResult:
      return &FrmMirtel::lstResult_MouseDown;
    default:
      return nullptr;
  }
}

Handler MenuHandler(MenuItem m) {
  switch (m) {
    case MenuItem::mnu_cmd_backmoto:
      return &FrmMirtel::mnu_cmd_backmoto_Click;
    case MenuItem::mnu_cmd_backsaki:
      return &FrmMirtel::mnu_cmd_backsaki_Click;
    case MenuItem::mnu_cmd_copy:
      return &FrmMirtel::mnu_cmd_copy_Click;
    case MenuItem::mnu_cmd_copyquit:
      return &FrmMirtel::mnu_cmd_copyquit_Click;
    case MenuItem::mnu_cmd_end:
      return &FrmMirtel::mnu_cmd_end_Click;
    case MenuItem::Mnu_Normal:
      return &FrmMirtel::Mnu_Normal_Click;
    case MenuItem::mnu_Douki:
      return &FrmMirtel::mnu_Douki_Click;
    case MenuItem::mnu_ZeroEraser:
      return &FrmMirtel::mnu_ZeroEraser_Click;
    case MenuItem::mnu_help_help:
      return &FrmMirtel::mnu_help_help_Click;
    case MenuItem::mnu_help_ver:
      return &FrmMirtel::mnu_help_ver_Click;
    default:
      return nullptr;
  }
}

// Mouse button values of the MouseDown events.
int ButtonValue(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

QIcon ButtonIcon(const QString& name) {
  QIcon icon;
  for (const char* size : {"16", "32", "64"})
    icon.addFile(QStringLiteral(":/mirtel/%1_%2.png").arg(name, QLatin1String(size)));
  return icon;
}

QColor FromColorRef(ColorRef color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

class MainFrame : public QMainWindow {
 public:
  MainFrame();

  QWidget* central = nullptr;
  std::array<QWidget*, kControlCount> controls{};
  std::array<QAction*, kMenuItemCount> actions{};
  QComboBox* moto = nullptr;
  QComboBox* saki = nullptr;
  QListWidget* list = nullptr;
  FrmMirtel* form = nullptr;

  QLabel* label(Control c) { return qobject_cast<QLabel*>(controls[Index(c)]); }

  // Where the system cannot move the window (no window manager, offscreen),
  // the window follows the pointer itself until the button is released.
  void StartOwnDrag() {
    dragOffset_ = QCursor::pos() - frameGeometry().topLeft();
    dragging_ = true;
    grabMouse();
  }

  // Runs one event procedure. The procedures trap their own errors; anything
  // that still escapes is shown here rather than thrown through Qt.
  template <typename F>
  void Forward(F&& call) {
    if (form == nullptr) return;
    try {
      call();
    } catch (const std::exception& e) {
      ShowError(e.what());
    } catch (...) {
      ShowError("予期しないエラーが発生しました。");
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  int ControlOf(QObject* watched) const;
  bool IsMenuShortcut(QKeyEvent* key) const;
  void ShowError(const char* text);

  bool labelDoubleClicked_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
};

MainFrame::MainFrame() {
  InitMirtelResources();
  setWindowTitle(QStringLiteral("簡単フォルダコピーソフト：みるてる"));
  QIcon icon;
  for (const char* size : {"16", "32", "48", "64", "256"})
    icon.addFile(QStringLiteral(":/mirtel/mirtel_%1.png").arg(QLatin1String(size)));
  setWindowIcon(icon);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);

  central = new QWidget(this);
  central->setObjectName(QStringLiteral("frmMirtel"));
  central->setFixedSize(kClientWidth, kClientHeight);
  central->installEventFilter(this);
  setCentralWidget(central);
  BuildControls();
  BuildMenus();
  // The frame follows the fixed client area and the menu bar; it never resizes.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(126, 134);
}

void MainFrame::BuildControls() {
  const QFont gothic16 = GothicFont(16, false);
  const QFont gothic16Bold = GothicFont(16, true);
  const QFont gothic15 = GothicFont(15, false);

  // Created back to front: a later child lies on top.
  for (auto it = kLayout.rbegin(); it != kLayout.rend(); ++it) {
    const Control c = it->control;
    QWidget* w = nullptr;
    switch (c) {
      case Control::cmbBackMoto:
      case Control::cmbBackSaki: {
        auto* box = new QComboBox(central);
        box->setEditable(true);
        // The field's text is only what the user typed or chose: no inline
        // completion, and Enter adds nothing to the history list.
        box->setCompleter(nullptr);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setFont(gothic16);
        box->setEditText(c == Control::cmbBackMoto ? QStringLiteral("cmbBackMoto")
                                                   : QStringLiteral("cmbBackSaki"));
        box->lineEdit()->installEventFilter(this);
        (c == Control::cmbBackMoto ? moto : saki) = box;
        w = box;
        break;
      }
      case Control::lstResult: {
        list = new QListWidget(central);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setUniformItemSizes(true);
        list->viewport()->setMouseTracking(true);
        list->viewport()->installEventFilter(this);
        w = list;
        break;
      }
      default:
        if (IsLabel(c)) {
          auto* label = new QLabel(central);
          label->setTextFormat(Qt::PlainText);
          label->setMouseTracking(true);
          w = label;
        } else {
          auto* button = new QPushButton(central);
          button->setMouseTracking(true);
          button->setAutoDefault(false);
          w = button;
        }
        break;
    }
    w->setGeometry(it->left, it->top, it->width, it->height);
    w->installEventFilter(this);
    controls[Index(c)] = w;
  }
  for (const Placement& p : kLayout)
    controls[Index(p.control)]->setObjectName(QString::fromLatin1(ControlName(p.control)));

  // Buttons: pictures only, centred, named for screen readers by their hints.
  struct Picture {
    Control control;
    const char* name;
    int hint;
  };
  for (const Picture& p : std::array<Picture, 6>{{
           {Control::cmdBackMoto, "folder_up", 101},
           {Control::cmdBackSaki, "folder_down", 102},
           {Control::cmdQuit, "exit", 104},
           {Control::cmdStop, "stop", 105},
           {Control::cmdOpenMoto, "folder_open", 128},
           {Control::cmdOpenSaki, "folder_open", 129},
       }}) {
    auto* button = static_cast<QPushButton*>(controls[Index(p.control)]);
    button->setIcon(ButtonIcon(QString::fromLatin1(p.name)));
    button->setIconSize(QSize(32, 32));
    button->setAccessibleName(ToQString(LoadResString(p.hint)));
  }
  auto* backUp = static_cast<QPushButton*>(controls[Index(Control::cmdBackUp)]);
  QIcon copyPicture(QStringLiteral(":/mirtel/backup.gif"));
  copyPicture.addFile(QStringLiteral(":/mirtel/backup_216.png"));
  backUp->setIcon(copyPicture);
  backUp->setIconSize(QSize(108, 65));
  backUp->setAccessibleName(ToQString(LoadResString(103)));
  for (Control c : {Control::cmdQuit, Control::cmdStop, Control::cmdBackUp})
    controls[Index(c)]->setFont(gothic16);

  // Labels.
  const QColor white(255, 255, 255);
  auto panel = [&](Control c, const QColor& back) {
    QLabel* l = label(c);
    l->setFrameStyle(QFrame::Box | QFrame::Plain);
    l->setLineWidth(1);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
  };
  panel(Control::lblCopyModeBack, QColor(128, 255, 255));
  panel(Control::Label1, white);
  panel(Control::Label2, white);
  panel(Control::Label3, white);
  label(Control::Label1)->setFont(gothic15);
  label(Control::Label1)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label(Control::Label2)->setFont(gothic15);
  label(Control::Label2)->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  label(Control::Label3)->setFont(gothic16Bold);
  label(Control::lblCopyMode)->setFont(gothic16Bold);
  label(Control::lblCopyMode)->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  label(Control::lblProcess)->setFont(gothic16Bold);
  label(Control::lblProcess)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  QWidget* previous = nullptr;
  for (Control c : kTabOrder) {
    QWidget* w = controls[Index(c)];
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

void MainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto add = [&](QMenu* menu, MenuItem item, const char* caption) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    actions[Index(item)] = a;
    return a;
  };

  QMenu* cmd = bar->addMenu(QStringLiteral("コマンド(&C)"));
  actions[Index(MenuItem::mnu_cmd)] = cmd->menuAction();
  add(cmd, MenuItem::mnu_cmd_backmoto, "コピー元フォルダの選択(&D)");
  add(cmd, MenuItem::mnu_cmd_backsaki, "コピー先フォルダの選択(&F)");
  add(cmd, MenuItem::mnu_cmd_copy, "フォルダコピーの開始(&G)");
  actions[Index(MenuItem::mnu_cmd_line)] = cmd->addSeparator();
  add(cmd, MenuItem::mnu_cmd_copyquit, "コピーの中断(&S)");
  add(cmd, MenuItem::mnu_cmd_end, "みるてるの終了(&X)")
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* option = bar->addMenu(QStringLiteral("設定(&O)"));
  actions[Index(MenuItem::mnu_option)] = option->menuAction();
  option->menuAction()->setVisible(false);
  option->menuAction()->setEnabled(false);
  add(option, MenuItem::mnu_option_selectfile, "コピーファイルの選択(&F)");

  QMenu* mode = bar->addMenu(QStringLiteral("コピーモード"));
  actions[Index(MenuItem::mnu_CopyOption)] = mode->menuAction();
  QAction* normal = add(mode, MenuItem::Mnu_Normal, "通常コピー");
  normal->setCheckable(true);
  normal->setChecked(true);
  add(mode, MenuItem::mnu_Douki, "同期コピー")->setCheckable(true);

  QAction* eraser = bar->addAction(QStringLiteral("ゼロファイルイレーサー"));
  actions[Index(MenuItem::mnu_ZeroEraser)] = eraser;
  eraser->setVisible(false);

  QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
  actions[Index(MenuItem::mnu_help)] = help->menuAction();
  add(help, MenuItem::mnu_help_help, "ヘルプ(&H)")->setShortcut(QKeySequence(Qt::Key_F1));
  add(help, MenuItem::mnu_help_ver, "バージョン(&V)")
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));

  for (int i = 0; i < kMenuItemCount; ++i) {
    const Handler handler = MenuHandler(static_cast<MenuItem>(i));
    if (handler == nullptr) continue;
    QAction* a = actions[i];
    connect(a, &QAction::triggered, this, [this, a, handler] {
      // The logic owns the check marks; undo Qt's own toggle first.
      if (a->isCheckable()) a->setChecked(!a->isChecked());
      Forward([&] { (form->*handler)(); });
    });
  }
  for (const Placement& p : kLayout) {
    const Handler handler = ClickHandler(p.control);
    auto* button = qobject_cast<QPushButton*>(controls[Index(p.control)]);
    if (handler == nullptr || button == nullptr) continue;
    connect(button, &QPushButton::clicked, this,
            [this, handler] { Forward([&] { (form->*handler)(); }); });
  }
}

int MainFrame::ControlOf(QObject* watched) const {
  for (int i = 0; i < kControlCount; ++i)
    if (controls[i] == watched) return i;
  if (list != nullptr && watched == list->viewport()) return Index(Control::lstResult);
  if (saki != nullptr && watched == saki->lineEdit()) return Index(Control::cmbBackSaki);
  if (moto != nullptr && watched == moto->lineEdit()) return Index(Control::cmbBackMoto);
  return -1;
}

// The menu's shortcut keys work from anywhere in the window, also where a
// field would take the key for itself (Ctrl+A selects all in a text box).
bool MainFrame::IsMenuShortcut(QKeyEvent* key) const {
  const QKeySequence pressed(key->keyCombination());
  for (QAction* a : actions) {
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
  if (watched == central) {
    if (event->type() == QEvent::MouseButtonPress) {
      const int button = ButtonValue(static_cast<QMouseEvent*>(event)->button());
      Forward([&] { form->Form_MouseDown(button); });
    }
    return false;
  }
  const int index = ControlOf(watched);
  if (index < 0) return false;
  const auto c = static_cast<Control>(index);
  auto* widget = static_cast<QWidget*>(watched);

  switch (event->type()) {
    // Not Enter: Qt also sends it when the window opens or a popup closes,
    // with the pointer elsewhere.
    case QEvent::MouseMove:
    case QEvent::HoverMove: {
      // Disabled controls show no hint.
      const Handler hint = HintHandler(c);
      if (hint != nullptr && widget->isEnabled()) Forward([&] { (form->*hint)(); });
      return false;
    }
    case QEvent::MouseButtonPress: {
      labelDoubleClicked_ = false;
      const ButtonHandler down = MouseDownHandler(c);
      if (down != nullptr) {
        const int button = ButtonValue(static_cast<QMouseEvent*>(event)->button());
        Forward([&] { (form->*down)(button); });
      }
      // A label keeps its press: the background under it must not drag.
      return IsLabel(c);
    }
    case QEvent::MouseButtonDblClick:
      if (c == Control::cmbBackSaki && watched == saki->lineEdit() && saki->isEnabled()) {
        Forward([&] { form->cmbBackSaki_DblClick(); });
        return false;
      }
      if (IsLabel(c)) {
        // The second press of a double click is no new click.
        labelDoubleClicked_ = true;
        return true;
      }
      return false;
    case QEvent::MouseButtonRelease: {
      if (!IsLabel(c)) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      const Handler click = ClickHandler(c);
      const bool inside = widget->rect().contains(mouse->position().toPoint());
      if (click != nullptr && mouse->button() == Qt::LeftButton && inside && !labelDoubleClicked_)
        Forward([&] { (form->*click)(); });
      labelDoubleClicked_ = false;
      return true;
    }
    default:
      return false;
  }
}

void MainFrame::closeEvent(QCloseEvent* event) {
  bool mayClose = true;
  if (form != nullptr) {
    mayClose = false;
    Forward([&] { mayClose = form->Form_QueryUnload(); });
  }
  if (mayClose)
    event->accept();
  else
    event->ignore();
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

QtWindow::QtWindow() : frame_(std::make_unique<MainFrame>()) {
  moto_ = std::make_unique<QtComboBox>(frame_->moto);
  saki_ = std::make_unique<QtComboBox>(frame_->saki);
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(kFlushMs);
  QObject::connect(&flushTimer_, &QTimer::timeout, [this] { Flush(); });
}

QtWindow::~QtWindow() { SetBusyPointer(false); }

void QtWindow::Connect(FrmMirtel& form) { frame_->form = &form; }

QMainWindow* QtWindow::widget() { return frame_.get(); }

QWidget* QtWindow::control(Control control) { return frame_->controls[Index(control)]; }

QAction* QtWindow::action(MenuItem item) { return frame_->actions[Index(item)]; }

// Only the last status before a paint is ever seen, and drawing the line
// costs more than a small file's copy: the label takes the newest text at
// most every kFlushMs.
void QtWindow::SetStatus(std::string_view text) {
  status_.assign(text);
  statusPending_ = true;
  FlushLater();
}

// The lines go in by the batch, one insertion instead of one per line (the
// list is hidden during a job anyway).
void QtWindow::AppendResult(std::string_view line) {
  resultsPending_.append(ToQString(line));
  FlushLater();
}

void QtWindow::FlushLater() {
  if (!flushTimer_.isActive()) flushTimer_.start();
}

void QtWindow::Flush() {
  if (statusPending_) {
    statusPending_ = false;
    frame_->label(Control::lblProcess)->setText(ToQString(status_));
  }
  if (!resultsPending_.isEmpty()) {
    frame_->list->addItems(resultsPending_);
    resultsPending_.clear();
  }
}

// Called for every listed entry: pumping the event loop each time would cost
// more than the file work, so it runs at most every 10 ms. That is still
// well under a frame, so Stop and the hints stay prompt.
void QtWindow::Yield() {
  if (sinceYield_.isValid() && sinceYield_.elapsed() < 10) return;
  QCoreApplication::processEvents();
  sinceYield_.start();
}

int QtWindow::MsgBox(std::string_view prompt, int buttons, std::string_view title) {
  QString text = ToQString(prompt);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(frame_.get());
  box.setWindowTitle(title.empty() ? QStringLiteral("mirtel") : ToQString(title));
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.setIcon((buttons & kMbIconQuestion) != 0 ? QMessageBox::Question : QMessageBox::NoIcon);
  const bool yesNo = (buttons & 0xF) == kMbYesNo;
  if (!yesNo) {
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    ok->setText(QStringLiteral("OK"));
    box.setDefaultButton(ok);
    box.exec();
    return kIdOk;
  }
  QPushButton* yes = box.addButton(QMessageBox::Yes);
  QPushButton* no = box.addButton(QMessageBox::No);
  yes->setText(QStringLiteral("はい(&Y)"));
  no->setText(QStringLiteral("いいえ(&N)"));
  box.setDefaultButton((buttons & kMbDefButton2) != 0 ? no : yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes ? kIdYes : kIdNo;
}

void QtWindow::SetEnabled(Control control, bool enabled) {
  frame_->controls[Index(control)]->setEnabled(enabled);
}

bool QtWindow::IsEnabled(Control control) { return frame_->controls[Index(control)]->isEnabled(); }

void QtWindow::SetVisible(Control control, bool visible) {
  if (visible) Flush();  // shown complete, never filling up in view
  frame_->controls[Index(control)]->setVisible(visible);
}

void QtWindow::SetFocus(Control control) {
  frame_->controls[Index(control)]->setFocus(Qt::OtherFocusReason);
}

void QtWindow::SetCaption(Control label, std::string_view text) {
  if (label == Control::lblProcess) statusPending_ = false;  // the later text wins
  if (QLabel* l = frame_->label(label)) l->setText(ToQString(text));
}

std::string QtWindow::Caption(Control label) {
  if (label == Control::lblProcess && statusPending_) return status_;
  QLabel* l = frame_->label(label);
  return l != nullptr ? ToUtf8(l->text()) : std::string();
}

void QtWindow::SetBackColor(Control label, ColorRef color) {
  QLabel* l = frame_->label(label);
  if (l == nullptr) return;
  QPalette pal = l->palette();
  pal.setColor(QPalette::Window, FromColorRef(color));
  l->setPalette(pal);
}

ComboBox& QtWindow::Combo(Control combo) { return combo == Control::cmbBackSaki ? *saki_ : *moto_; }

void QtWindow::SetDroppedWidth(Control combo, int pixels) {
  QComboBox* box = combo == Control::cmbBackSaki ? frame_->saki : frame_->moto;
  box->view()->setMinimumWidth(pixels);
}

void QtWindow::ClearList(Control) {
  resultsPending_.clear();
  frame_->list->clear();
}

int QtWindow::ListCount(Control) {
  return frame_->list->count() + static_cast<int>(resultsPending_.size());
}

void QtWindow::SetEnabled(MenuItem item, bool enabled) {
  frame_->actions[Index(item)]->setEnabled(enabled);
}

bool QtWindow::IsEnabled(MenuItem item) { return frame_->actions[Index(item)]->isEnabled(); }

void QtWindow::SetChecked(MenuItem item, bool checked) {
  frame_->actions[Index(item)]->setChecked(checked);
}

void QtWindow::SetVisible(MenuItem item, bool visible) {
  frame_->actions[Index(item)]->setVisible(visible);
}

void QtWindow::Show() {
  frame_->show();
  frame_->raise();
  frame_->activateWindow();
}

void QtWindow::SetBusyPointer(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtWindow::Beep() { QApplication::beep(); }

void QtWindow::StartSystemDrag() {
  QWindow* handle = frame_->windowHandle();
  if (handle != nullptr && handle->startSystemMove()) return;
  frame_->StartOwnDrag();
}

void QtWindow::Hide() { frame_->hide(); }

void QtWindow::RequestClose() { frame_->close(); }

}  // namespace mirtel
