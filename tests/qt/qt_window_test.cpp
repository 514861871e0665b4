// The Qt main window with the real window logic behind it: layout, look,
// focus, menus, the events it forwards and one whole copy job.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRawFont>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_mirtel.h"
#include "app/result_display.h"
#include "app/window_design.h"
#include "job/copy_job.h"
#include "platform/native_file_system.h"
#include "platform/posix/posix_ansi_codec.h"
#include "platform/posix/posix_tick_clock.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "tests/qt/qt_test_app.h"

namespace mirtel {
namespace {

using test::NextMessageBox;

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ASSERT_TRUE(dir_.isValid());
    window_ = std::make_unique<QtWindow>();
    shell_ = std::make_unique<QtShell>(window_->widget());
    fs_ = MakeNativeFileSystem();
    recycler_ = MakeNativeRecycler(*fs_);
    form_ = std::make_unique<FrmMirtel>(AppPlatform{*window_, *shell_, *fs_, *recycler_, codec_,
                                                    clock_, ToUtf8(dir_.path()) + "/", ""});
    window_->Connect(*form_);
  }

  void LoadAndShow() {
    form_->Form_Load();
    window_->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_->widget()));
  }

  // The offscreen platform does not hand activation back after a modal box.
  void Reactivate() {
    window_->widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_->widget()));
  }

  QWidget* W(Control c) { return window_->control(c); }
  QLabel* L(Control c) { return qobject_cast<QLabel*>(W(c)); }
  QString Path(const QString& name) { return dir_.filePath(name); }

  void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  QTemporaryDir dir_;
  PosixAnsiCodec codec_;
  PosixTickClock clock_;
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<QtShell> shell_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Recycler> recycler_;
  std::unique_ptr<FrmMirtel> form_;
};

struct Place {
  Control control;
  QRect rect;
};

// Front to back.
const std::array<Place, 16> kPlaces{{
    {Control::cmdOpenSaki, {280, 40, 73, 33}},
    {Control::cmdOpenMoto, {280, 8, 73, 33}},
    {Control::cmbBackSaki, {0, 40, 281, 24}},
    {Control::cmbBackMoto, {0, 8, 281, 24}},
    {Control::cmdQuit, {360, 128, 97, 41}},
    {Control::cmdStop, {360, 88, 97, 41}},
    {Control::lstResult, {112, 104, 241, 64}},
    {Control::cmdBackSaki, {360, 48, 97, 41}},
    {Control::cmdBackMoto, {360, 8, 97, 41}},
    {Control::cmdBackUp, {0, 72, 108, 65}},
    {Control::lblCopyMode, {8, 184, 49, 25}},
    {Control::lblCopyModeBack, {0, 176, 57, 33}},
    {Control::Label1, {112, 72, 241, 25}},
    {Control::lblProcess, {72, 184, 377, 25}},
    {Control::Label3, {64, 176, 393, 33}},
    {Control::Label2, {0, 144, 105, 25}},
}};

TEST_F(QtWindowTest, ControlsSitAtTheirPlacesInAFixedClientAreaBelowTheMenu) {
  LoadAndShow();
  QMainWindow* frame = window_->widget();
  QWidget* client = frame->centralWidget();
  EXPECT_EQ(client->size(), QSize(462, 213));
  EXPECT_GE(client->y(), frame->menuBar()->geometry().bottom());
  for (const Place& p : kPlaces) {
    EXPECT_EQ(W(p.control)->parentWidget(), client) << W(p.control)->objectName().toStdString();
    EXPECT_EQ(W(p.control)->geometry(), p.rect) << W(p.control)->objectName().toStdString();
    EXPECT_TRUE(W(p.control)->isVisible()) << W(p.control)->objectName().toStdString();
  }
  // Not resizable: the frame is as large as its menu bar and client area.
  frame->layout()->activate();
  EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
  EXPECT_EQ(frame->height(), client->y() + 213);
}

TEST_F(QtWindowTest, ControlsStackFrontToBackInTableOrder) {
  // Qt paints later children on top, so the front control is the last child.
  const QObjectList children = window_->widget()->centralWidget()->children();
  std::vector<qsizetype> positions;
  for (const Place& p : kPlaces) positions.push_back(children.indexOf(W(p.control)));
  for (std::size_t i = 1; i < positions.size(); ++i)
    EXPECT_GT(positions[i - 1], positions[i]) << W(kPlaces[i].control)->objectName().toStdString();
  // The two overlaps of the layout resolve as designed.
  QWidget* client = window_->widget()->centralWidget();
  EXPECT_EQ(client->childAt(280, 20), W(Control::cmdOpenMoto));
  EXPECT_EQ(client->childAt(20, 190), W(Control::lblCopyMode));
  EXPECT_EQ(client->childAt(2, 178), W(Control::lblCopyModeBack));
  EXPECT_EQ(client->childAt(100, 195), W(Control::lblProcess));
}

TEST_F(QtWindowTest, LooksAsDesignedBeforeAndAfterLoading) {
  QMainWindow* frame = window_->widget();
  EXPECT_EQ(frame->windowTitle(), QStringLiteral("簡単フォルダコピーソフト：みるてる"));
  EXPECT_FALSE(frame->windowIcon().isNull());
  EXPECT_EQ(window_->Combo(Control::cmbBackMoto).Text(), "cmbBackMoto");
  EXPECT_EQ(window_->Combo(Control::cmbBackSaki).Text(), "cmbBackSaki");
  EXPECT_EQ(L(Control::lblCopyModeBack)->palette().color(QPalette::Window), QColor(128, 255, 255));

  struct FontLook {
    Control control;
    int pixels;
    bool bold;
  };
  for (const FontLook& f : std::array<FontLook, 10>{{{Control::cmbBackSaki, 16, false},
                                                     {Control::cmbBackMoto, 16, false},
                                                     {Control::cmdQuit, 16, false},
                                                     {Control::cmdStop, 16, false},
                                                     {Control::cmdBackUp, 16, false},
                                                     {Control::lblCopyMode, 16, true},
                                                     {Control::Label1, 15, false},
                                                     {Control::lblProcess, 16, true},
                                                     {Control::Label3, 16, true},
                                                     {Control::Label2, 15, false}}}) {
    const QFont font = W(f.control)->font();
    const std::string name = W(f.control)->objectName().toStdString();
    EXPECT_EQ(font.families().value(0), QStringLiteral("ＭＳ Ｐゴシック")) << name;
    EXPECT_EQ(font.pixelSize(), f.pixels) << name;
    EXPECT_EQ(font.bold(), f.bold) << name;
    // Whatever face stands in for it, Japanese must render.
    EXPECT_TRUE(QRawFont::fromFont(font).supportsCharacter(QChar(0x901A))) << name;
  }

  for (Control c : {Control::lblCopyModeBack, Control::Label1, Control::Label3, Control::Label2}) {
    EXPECT_EQ(L(c)->frameShape(), QFrame::Box) << L(c)->objectName().toStdString();
    EXPECT_EQ(L(c)->lineWidth(), 1);
    EXPECT_TRUE(L(c)->autoFillBackground());
  }
  for (Control c : {Control::Label1, Control::Label3, Control::Label2})
    EXPECT_EQ(L(c)->palette().color(QPalette::Window), QColor(Qt::white));
  for (Control c : {Control::lblCopyMode, Control::lblProcess}) {
    EXPECT_EQ(L(c)->frameShape(), QFrame::NoFrame);
    EXPECT_FALSE(L(c)->autoFillBackground());  // the panel behind shows through
  }
  EXPECT_TRUE(L(Control::Label2)->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(L(Control::lblCopyMode)->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(L(Control::Label1)->alignment() & Qt::AlignLeft);
  EXPECT_TRUE(L(Control::lblProcess)->alignment() & Qt::AlignLeft);

  // Buttons show only their pictures, and are named by their hints.
  struct ButtonLook {
    Control control;
    QSize icon;
    const char* name;
  };
  for (const ButtonLook& b : std::array<ButtonLook, 7>{{
           {Control::cmdBackMoto, {32, 32}, "コピー元のフォルダの場所を選択します"},
           {Control::cmdBackSaki, {32, 32}, "コピー先のフォルダの場所を選択します"},
           {Control::cmdBackUp, {108, 65}, "フォルダのコピーを開始します"},
           {Control::cmdQuit, {32, 32}, "みるてるを終了します"},
           {Control::cmdStop, {32, 32}, "コピーを途中で中断します"},
           {Control::cmdOpenMoto, {32, 32}, "コピー元のフォルダを開きます。"},
           {Control::cmdOpenSaki, {32, 32}, "コピー先のフォルダを開きます。"},
       }}) {
    auto* button = qobject_cast<QPushButton*>(W(b.control));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->text().isEmpty());
    EXPECT_EQ(button->iconSize(), b.icon);
    EXPECT_EQ(button->icon().pixmap(b.icon).size(), b.icon) << b.name;
    EXPECT_EQ(button->accessibleName(), QString::fromUtf8(b.name));
  }

  LoadAndShow();
  EXPECT_EQ(window_->Caption(Control::lblCopyMode), "通常　");
  EXPECT_EQ(L(Control::lblCopyModeBack)->palette().color(QPalette::Window), QColor(0, 255, 255));
  for (Control c : {Control::cmbBackMoto, Control::cmbBackSaki})
    EXPECT_EQ(qobject_cast<QComboBox*>(W(c))->view()->minimumWidth(), 400);
}

TEST_F(QtWindowTest, TabVisitsTheControlsInTheirOrderAndSkipsLabels) {
  LoadAndShow();
  const std::array<Control, 11> order{
      Control::cmdBackMoto, Control::cmdBackSaki, Control::cmdBackUp,   Control::lstResult,
      Control::cmdStop,     Control::cmdQuit,     Control::cmbBackMoto, Control::cmbBackSaki,
      Control::cmdOpenMoto, Control::cmdOpenSaki, Control::cmdBackMoto};
  W(Control::cmdBackMoto)->setFocus(Qt::TabFocusReason);
  for (std::size_t i = 0; i < order.size(); ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QWidget* expected = W(order[i]);
    EXPECT_TRUE(focus == expected || expected->isAncestorOf(focus))
        << "step " << i << ": " << focus->objectName().toStdString() << " instead of "
        << expected->objectName().toStdString();
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  for (Control c : {Control::lblCopyMode, Control::lblCopyModeBack, Control::Label1,
                    Control::lblProcess, Control::Label3, Control::Label2})
    EXPECT_EQ(W(c)->focusPolicy(), Qt::NoFocus);
}

TEST_F(QtWindowTest, EnterOrSpaceOnTheFocusedButtonClicksIt) {
  LoadAndShow();
  // The quit button asks; Escape is No, and the window stays.
  QString prompt;
  auto askedAndAnswered = [&](Qt::Key press, Qt::KeyboardModifiers modifiers, Qt::Key answer) {
    prompt.clear();
    NextMessageBox next([&](QMessageBox* box) {
      prompt = box->text();
      QTest::keyClick(box, answer);
    });
    QTest::keyClick(W(Control::cmdQuit), press, modifiers);
    return next.seen();
  };
  W(Control::cmdQuit)->setFocus();
  EXPECT_TRUE(askedAndAnswered(Qt::Key_Return, Qt::NoModifier, Qt::Key_Escape));
  EXPECT_EQ(prompt, QStringLiteral("みるてるを終了してもいいですか？"));
  EXPECT_TRUE(window_->widget()->isVisible());
  Reactivate();
  W(Control::cmdQuit)->setFocus();
  EXPECT_TRUE(askedAndAnswered(Qt::Key_Space, Qt::NoModifier, Qt::Key_Return));
  EXPECT_EQ(prompt, QStringLiteral("みるてるを終了してもいいですか？"));
  Reactivate();
  // With a modifier, Enter is no click.
  W(Control::cmdQuit)->setFocus();
  EXPECT_FALSE(askedAndAnswered(Qt::Key_Return, Qt::ControlModifier, Qt::Key_Escape));

  // The keypad's Enter on the stop button.
  EXPECT_FALSE(form_->Job().StopFlag);
  W(Control::cmdStop)->setFocus();
  QTest::keyClick(W(Control::cmdStop), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(form_->Job().StopFlag);
  EXPECT_TRUE(window_->widget()->isVisible());
}

TEST_F(QtWindowTest, MenuBarHoldsTheEntriesShortcutsAndHiddenItems) {
  const QList<QAction*> top = window_->widget()->menuBar()->actions();
  ASSERT_EQ(top.size(), 5);
  const std::array<const char*, 5> captions{"コマンド(&C)", "設定(&O)", "コピーモード",
                                            "ゼロファイルイレーサー", "ヘルプ(&H)"};
  const std::array<bool, 5> visible{true, false, true, false, true};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(top[i]->text(), QString::fromUtf8(captions[i]));
    EXPECT_EQ(top[i]->isVisible(), visible[i]) << captions[i];
  }
  EXPECT_FALSE(top[1]->isEnabled());
  EXPECT_EQ(top[3]->menu(), nullptr);  // an entry without a submenu

  auto texts = [](QAction* entry) {
    QStringList out;
    for (QAction* a : entry->menu()->actions()) out << (a->isSeparator() ? "-" : a->text());
    return out;
  };
  EXPECT_EQ(texts(top[0]), (QStringList{"コピー元フォルダの選択(&D)", "コピー先フォルダの選択(&F)",
                                        "フォルダコピーの開始(&G)", "-", "コピーの中断(&S)",
                                        "みるてるの終了(&X)"}));
  EXPECT_EQ(texts(top[1]), QStringList{"コピーファイルの選択(&F)"});
  EXPECT_EQ(texts(top[2]), (QStringList{"通常コピー", "同期コピー"}));
  EXPECT_EQ(texts(top[4]), (QStringList{"ヘルプ(&H)", "バージョン(&V)"}));

  EXPECT_EQ(window_->action(MenuItem::mnu_cmd_end)->shortcut(), QKeySequence("Ctrl+Q"));
  EXPECT_EQ(window_->action(MenuItem::mnu_help_help)->shortcut(), QKeySequence("F1"));
  EXPECT_EQ(window_->action(MenuItem::mnu_help_ver)->shortcut(), QKeySequence("Ctrl+A"));
  EXPECT_TRUE(window_->action(MenuItem::Mnu_Normal)->isChecked());
  EXPECT_FALSE(window_->action(MenuItem::mnu_Douki)->isChecked());

  // Alt+O reaches nothing, while Alt+C opens its menu.
  LoadAndShow();
  QTest::keyClick(window_->widget(), Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  QTest::keyClick(window_->widget(), Qt::Key_C, Qt::AltModifier);
  QWidget* popup = QApplication::activePopupWidget();
  EXPECT_EQ(popup, top[0]->menu());
  if (popup != nullptr) popup->close();
}

TEST_F(QtWindowTest, MenuShortcutsWorkFromInsideTheFolderField) {
  LoadAndShow();
  QLineEdit* field = qobject_cast<QComboBox*>(W(Control::cmbBackMoto))->lineEdit();
  field->setFocus();
  field->setText(QStringLiteral("abc"));

  // Ctrl+A is the version box here, not "select all".
  QString text;
  {
    NextMessageBox next([&](QMessageBox* box) {
      text = box->text();
      QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(next.seen());
  }
  EXPECT_TRUE(text.startsWith(QStringLiteral("フォルダコピーソフト「みるてる」\n")));
  EXPECT_EQ(text.count('\n'), 3);
  EXPECT_EQ(field->selectedText(), QString());
  Reactivate();

  // Ctrl+Q asks; Enter picks the default, No, and the window stays.
  QString title;
  bool noIsDefault = false;
  {
    NextMessageBox next([&](QMessageBox* box) {
      title = box->windowTitle();
      noIsDefault =
          box->defaultButton() == qobject_cast<QPushButton*>(box->button(QMessageBox::No));
      QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(next.seen());
  }
  EXPECT_EQ(title, QStringLiteral("みるてる終了"));
  EXPECT_TRUE(noIsDefault);
  EXPECT_TRUE(window_->widget()->isVisible());
  Reactivate();

  // F1 reaches the help command (no help file in this program folder).
  text.clear();
  {
    NextMessageBox next([&](QMessageBox* box) {
      text = box->text();
      box->accept();
    });
    QTest::keyClick(field, Qt::Key_F1);
    EXPECT_TRUE(next.seen());
  }
  EXPECT_TRUE(text.contains(QStringLiteral("Mirtel.html"))) << text.toStdString();
  Reactivate();

  // A disabled item's shortcut does nothing; the field gets its key back.
  window_->SetEnabled(MenuItem::mnu_cmd_end, false);
  window_->SetEnabled(MenuItem::mnu_help_ver, false);
  NextMessageBox unexpected([&](QMessageBox* box) { box->reject(); });
  QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  EXPECT_FALSE(unexpected.seen());
  EXPECT_EQ(field->selectedText(), QStringLiteral("abc"));
}

TEST_F(QtWindowTest, MouseEventsReachTheirHandlers) {
  LoadAndShow();
  auto move = [](QWidget* w) {
    QMouseEvent ev(QEvent::MouseMove, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
  };
  move(W(Control::cmdStop));
  EXPECT_EQ(window_->Caption(Control::lblProcess), "コピーを途中で中断します");
  move(W(Control::lblCopyMode));
  EXPECT_EQ(window_->Caption(Control::lblProcess),
            "コピーモードを表示（クリックすると切り替わります）");
  move(qobject_cast<QListWidget*>(W(Control::lstResult))->viewport());
  EXPECT_EQ(window_->Caption(Control::lblProcess), "コピーしたファイルを表示します");
  // No hint from a disabled button, the panels or the background: the last one stays.
  W(Control::cmdQuit)->setEnabled(false);
  move(W(Control::cmdQuit));
  move(W(Control::lblCopyModeBack));
  move(W(Control::Label3));
  move(window_->widget()->centralWidget());
  EXPECT_EQ(window_->Caption(Control::lblProcess), "コピーしたファイルを表示します");

  // A left press on a passive area drags the window; a right press does not.
  // (Offscreen, the window follows the pointer itself.)
  auto press = [](QWidget* w, Qt::MouseButton button) {
    QMouseEvent ev(QEvent::MouseButtonPress, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), button,
                   button, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
  };
  auto dragBy = [&](QPoint delta) {
    QMainWindow* frame = window_->widget();
    const QPointF to = QPointF(QCursor::pos() + delta);
    QMouseEvent moved(QEvent::MouseMove, frame->mapFromGlobal(to), to, Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(frame, &moved);
    QMouseEvent released(QEvent::MouseButtonRelease, frame->mapFromGlobal(to), to, Qt::LeftButton,
                         Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &released);
  };
  const QPoint start = window_->widget()->pos();
  press(W(Control::Label1), Qt::RightButton);
  dragBy(QPoint(30, 20));
  press(window_->widget()->centralWidget(), Qt::RightButton);
  dragBy(QPoint(30, 20));
  press(W(Control::lblCopyModeBack), Qt::LeftButton);  // not a drag handle
  dragBy(QPoint(30, 20));
  EXPECT_EQ(window_->widget()->pos(), start);
  press(qobject_cast<QListWidget*>(W(Control::lstResult))->viewport(), Qt::LeftButton);
  dragBy(QPoint(30, 20));
  EXPECT_EQ(window_->widget()->pos(), start + QPoint(30, 20));
  press(window_->widget()->centralWidget(), Qt::LeftButton);
  dragBy(QPoint(-30, -20));
  EXPECT_EQ(window_->widget()->pos(), start);

  // The mode box: a click anywhere on it toggles, a double click only once.
  QTest::mouseClick(W(Control::lblCopyMode), Qt::LeftButton);
  EXPECT_TRUE(form_->DoukiMode());
  EXPECT_EQ(window_->Caption(Control::lblCopyMode), "同期　");
  EXPECT_TRUE(window_->action(MenuItem::mnu_Douki)->isChecked());
  QTest::mouseClick(W(Control::lblCopyModeBack), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(form_->DoukiMode());
  QTest::mouseClick(W(Control::lblCopyMode), Qt::RightButton);
  EXPECT_FALSE(form_->DoukiMode());
  // Press, release, then the second press as a double click, and release.
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    QWidget* label = W(Control::lblCopyMode);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent ev(type, QPointF(5, 5), label->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, held,
                   Qt::NoModifier);
    QApplication::sendEvent(label, &ev);
  }
  EXPECT_TRUE(form_->DoukiMode());
  QTest::mouseClick(W(Control::lblCopyMode), Qt::LeftButton);

  // The check items: the logic decides, Qt's own toggling does not.
  window_->action(MenuItem::Mnu_Normal)->trigger();
  EXPECT_TRUE(window_->action(MenuItem::Mnu_Normal)->isChecked());
  EXPECT_FALSE(form_->DoukiMode());
  window_->action(MenuItem::mnu_Douki)->trigger();
  window_->action(MenuItem::mnu_Douki)->trigger();
  EXPECT_TRUE(window_->action(MenuItem::mnu_Douki)->isChecked());
  EXPECT_FALSE(window_->action(MenuItem::Mnu_Normal)->isChecked());
  EXPECT_EQ(L(Control::lblCopyModeBack)->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_F(QtWindowTest, CopyButtonCopiesTheFoldersAndReportsTheResult) {
  LoadAndShow();
  WriteFile(Path("src/a.txt"), "a");
  WriteFile(Path("src/写真/海.jpg"), "sea");
  WriteFile(Path("src/写真/旅行/b.txt"), "bb");
  ASSERT_TRUE(QDir().mkpath(Path("dest")));
  window_->Combo(Control::cmbBackMoto).SetText(ToUtf8(Path("src")));
  window_->Combo(Control::cmbBackSaki).SetText(ToUtf8(Path("dest")));

  qobject_cast<QPushButton*>(W(Control::cmdBackUp))->click();

  EXPECT_EQ(window_->Caption(Control::Label1), "3個のファイルをコピーしました");
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^  \\d+\\.\\d{4}秒$"))
                  .match(L(Control::Label2)->text())
                  .hasMatch())
      << window_->Caption(Control::Label2);
  for (const char* name : {"dest/src/a.txt", "dest/src/写真/海.jpg", "dest/src/写真/旅行/b.txt"})
    EXPECT_TRUE(QFile::exists(Path(QString::fromUtf8(name)))) << name;
  QFile copied(Path(QStringLiteral("dest/src/写真/海.jpg")));
  ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
  EXPECT_EQ(copied.readAll(), QByteArray("sea"));

  // The window is idle again, with the list shown and the history kept.
  EXPECT_TRUE(W(Control::lstResult)->isVisible());
  EXPECT_GE(window_->ListCount(Control::lstResult), 3);
  EXPECT_TRUE(W(Control::cmdBackUp)->isEnabled());
  EXPECT_TRUE(window_->action(MenuItem::mnu_cmd_copy)->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(form_->Copying());
  EXPECT_TRUE(QFile::exists(Path("mirtel.dat")));
  EXPECT_EQ(qobject_cast<QComboBox*>(W(Control::cmbBackMoto))->count(), 1);
}

}  // namespace
}  // namespace mirtel

namespace mirtel {
namespace {

// A folder dropped from the file manager on a field is taken as the folder
// dialog's choice; a file, several items, or a drop during a job are refused
// and change nothing.
TEST_F(QtWindowTest, AFolderDroppedOnAFieldIsTakenAsIfChosen) {
  LoadAndShow();
  QDir().mkpath(Path("写真/2024"));
  WriteFile(Path("memo.txt"), "m");
  QComboBox* saki = qobject_cast<QComboBox*>(W(Control::cmbBackSaki));
  QComboBox* moto = qobject_cast<QComboBox*>(W(Control::cmbBackMoto));
  const auto drop = [&](QComboBox* box, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls.append(QUrl::fromLocalFile(p));
    data.setUrls(urls);
    const QPointF at(10, 10);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box->lineEdit(), &enter);
    const bool accepted = enter.isAccepted();
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box->lineEdit(), &dropped);
    return accepted;
  };

  EXPECT_TRUE(drop(saki, {Path("写真/2024") + "/"}));
  EXPECT_EQ(saki->currentText(), Path("写真/2024"));  // no trailing separator
  EXPECT_EQ(saki->count(), 1);
  EXPECT_EQ(saki->itemText(0), Path("写真/2024"));
  EXPECT_EQ(form_->Settings().SakiCount, 0);  // the history waits for a job

  EXPECT_TRUE(drop(moto, {Path("写真")}));
  EXPECT_EQ(moto->currentText(), Path("写真"));

  const QString before = moto->currentText();
  EXPECT_FALSE(drop(moto, {Path("memo.txt")}));
  EXPECT_FALSE(drop(moto, {Path("写真"), Path("写真/2024")}));
  EXPECT_EQ(moto->currentText(), before);
  EXPECT_EQ(moto->count(), 1);
}

}  // namespace
}  // namespace mirtel

namespace mirtel {
namespace {

// The widest failures and stop the result label must never cut: a stopped
// job with 99,999 failed items.
JobState WorstResult() {
  JobState state;
  state.CopiedCount = 1234567;
  state.FailedCount = 99999;
  state.StopFlag = true;
  return state;
}

// A failed job in the real window says so first, in the warning colour,
// with the whole line as tooltip and the list's last line; at 96, 120 and
// 144 dpi the label's own font fits the failures and the stop of the
// widest case in the label's text area, scaled from the design.
TEST_F(QtWindowTest, AFailedJobIsReadableInTheResultLabelAtEveryDpi) {
  LoadAndShow();
  WriteFile(Path("src/a.txt"), "a");
  WriteFile(Path("src/b.txt"), "b");
  ASSERT_TRUE(QDir().mkpath(Path("dest/src/a.txt")));  // a folder where a file goes
  window_->Combo(Control::cmbBackMoto).SetText(ToUtf8(Path("src")));
  window_->Combo(Control::cmbBackSaki).SetText(ToUtf8(Path("dest")));
  qobject_cast<QPushButton*>(W(Control::cmdBackUp))->click();

  QLabel* label = L(Control::Label1);
  const QString whole = QStringLiteral("1個のファイルをコピーしました（失敗 1件）");
  EXPECT_EQ(label->text(), QStringLiteral("（失敗 1件）1個のファイルをコピーしました"));
  EXPECT_EQ(label->palette().color(QPalette::WindowText).rgb(), QColor(0xC0, 0, 0).rgb());
  EXPECT_EQ(label->toolTip(), whole);
  auto* list = qobject_cast<QListWidget*>(W(Control::lstResult));
  ASSERT_GT(list->count(), 0);
  EXPECT_EQ(list->item(list->count() - 1)->text(), whole);
  // The failure's line is wider than the list: it scrolls sideways.
  QApplication::processEvents();
  EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);

  // The widest case: the label draws it smaller where needed, and at 96,
  // 120 and 144 dpi that font fits the failures and the stop in the text
  // area the design gives the label.
  const JobState worst = WorstResult();
  window_->SetCaption(Control::Label1, ResultCaption(worst));
  const QString warnings = ToQString(ResultWarnings(worst));
  ASSERT_TRUE(label->text().startsWith(warnings));
  const int pixels = label->font().pixelSize();
  EXPECT_GE(pixels * 100, 15 * kWarningFontFloorPercent);
  const Rect design = DesignOf(Control::Label1).rect;
  for (int dpi : {96, 120, 144}) {
    SCOPED_TRACE(dpi);
    const auto scaled = [dpi](int length) { return (length * dpi + 48) / 96; };
    QFont font = label->font();
    font.setPixelSize(scaled(pixels));
    const QFontMetrics metrics(font);
    // Inside the border, after the label's indent.
    const int indent =
        label->indent() >= 0 ? label->indent() : metrics.horizontalAdvance(QLatin1Char('x')) / 2;
    const int room = scaled(design.width) - 2 * scaled(label->frameWidth()) - indent;
    EXPECT_LE(metrics.horizontalAdvance(warnings), room) << font.family().toStdString();
  }
  // The clean job that follows leaves nothing of the warning.
  QDir(Path("dest/src/a.txt")).removeRecursively();
  qobject_cast<QPushButton*>(W(Control::cmdBackUp))->click();
  EXPECT_EQ(label->text(), QStringLiteral("1個のファイルをコピーしました"));
  EXPECT_EQ(label->palette().color(QPalette::WindowText).rgb(), QColor(Qt::black).rgb());
  EXPECT_EQ(label->font().pixelSize(), 15);
}

}  // namespace
}  // namespace mirtel
