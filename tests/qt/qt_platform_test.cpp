// The Qt platform pieces on their own: message boxes, the folder fields, the
// single-instance lock, the shell's refusals, the event pump and the pointer.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "platform/qt/qt_instance_lock.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "tests/qt/qt_test_app.h"

namespace mirtel {
namespace {

using test::NextMessageBox;

class QtPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    ASSERT_TRUE(dir_.isValid());
    window_ = std::make_unique<QtWindow>();
  }
  QTemporaryDir dir_;
  std::unique_ptr<QtWindow> window_;
};

struct Seen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  bool noIsDefault = false;
  Qt::TextFormat format = Qt::AutoText;
};

TEST_F(QtPlatformTest, MessageBoxesFollowTheButtonsCode) {
  Seen seen;
  std::unique_ptr<NextMessageBox> next;
  auto watch = [&](Qt::Key key) {
    next = std::make_unique<NextMessageBox>([&seen, key](QMessageBox* box) {
      seen.title = box->windowTitle();
      seen.text = box->text();
      seen.icon = box->icon();
      seen.buttons = static_cast<int>(box->buttons().size());
      seen.noIsDefault =
          box->defaultButton() == qobject_cast<QPushButton*>(box->button(QMessageBox::No));
      seen.format = box->textFormat();
      QTest::keyClick(box, key);
    });
  };

  // The quit question: Yes/No, question icon, No the default, so Enter says No.
  watch(Qt::Key_Return);
  EXPECT_EQ(window_->MsgBox("みるてるを終了してもいいですか？", 292, "みるてる終了"), kIdNo);
  EXPECT_EQ(seen.title, QStringLiteral("みるてる終了"));
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons, 2);
  EXPECT_TRUE(seen.noIsDefault);

  // Yes/No without an icon, Yes the default.
  watch(Qt::Key_Return);
  EXPECT_EQ(window_->MsgBox("a\r\nb", 4, "確認"), kIdYes);
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_FALSE(seen.noIsDefault);
  EXPECT_EQ(seen.text, QStringLiteral("a\nb"));

  // Escape at a question is the safe answer.
  watch(Qt::Key_Escape);
  EXPECT_EQ(window_->MsgBox("q", 292), kIdNo);

  // OK only, no icon, the program's title; a file name is shown as it is.
  watch(Qt::Key_Return);
  EXPECT_EQ(window_->MsgBox("<b>x</b>.txt"), kIdOk);
  EXPECT_EQ(seen.title, QStringLiteral("mirtel"));
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.format, Qt::PlainText);
}

TEST_F(QtPlatformTest, FolderFieldKeepsItsTextWhileItsListChanges) {
  ComboBox& combo = window_->Combo(Control::cmbBackMoto);
  auto* box = qobject_cast<QComboBox*>(window_->control(Control::cmbBackMoto));
  combo.SetText("typed");
  combo.AddItem("/first");
  combo.AddItem("/second");
  EXPECT_EQ(combo.Text(), "typed");
  EXPECT_EQ(combo.ListCount(), 2);
  combo.SelectIndex(1);
  EXPECT_EQ(combo.Text(), "/second");
  // Selecting the same line again after an edit brings the line back.
  combo.SetText("edited");
  combo.SelectIndex(1);
  EXPECT_EQ(combo.Text(), "/second");
  combo.Clear();
  EXPECT_EQ(combo.ListCount(), 0);
  EXPECT_EQ(combo.Text(), "/second");

  // Typing is not completed from the list, and Enter adds no line.
  combo.AddItem("/abcdef");
  box->lineEdit()->clear();
  box->lineEdit()->setFocus();
  QTest::keyClicks(box->lineEdit(), QStringLiteral("/ab"));
  QTest::keyClick(box->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(combo.Text(), "/ab");
  EXPECT_EQ(combo.ListCount(), 1);

  // Other texts pass through unchanged, Japanese included.
  combo.SetText("/データ/写真");
  EXPECT_EQ(combo.Text(), "/データ/写真");
}

TEST_F(QtPlatformTest, OnlyOneInstanceHoldsTheLockAndACrashedOnesLockIsTakenOver) {
  const QString path = dir_.filePath(QStringLiteral("mirtel.lock"));
  {
    QtInstanceLock first(path);
    EXPECT_FALSE(first.AnotherInstanceRunning());
    EXPECT_FALSE(first.AnotherInstanceRunning());  // asking again keeps it
    QtInstanceLock second(path);
    EXPECT_TRUE(second.AnotherInstanceRunning());
  }
  QtInstanceLock afterwards(path);
  EXPECT_FALSE(afterwards.AnotherInstanceRunning());

  // A process that took the lock and died without letting go.
  const QString crashed = dir_.filePath(QStringLiteral("crashed.lock"));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    QLockFile lock(crashed);
    _exit(lock.tryLock(0) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(QFile::exists(crashed));
  QtInstanceLock next(crashed);
  EXPECT_FALSE(next.AnotherInstanceRunning());

  EXPECT_TRUE(QtInstanceLock::DefaultPath().endsWith(QStringLiteral("/mirtel.lock")));
}

TEST_F(QtPlatformTest, ShellRefusesWhatIsNoFolderOrNoHelpFile) {
  QtShell shell(window_->widget());
  const std::string missing = ToUtf8(dir_.filePath(QStringLiteral("無い")));
  EXPECT_FALSE(shell.OpenFolder(missing));
  EXPECT_FALSE(shell.OpenFolder(""));
  QFile file(dir_.filePath(QStringLiteral("file.txt")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_FALSE(shell.OpenFolder(ToUtf8(file.fileName())));
  EXPECT_FALSE(shell.ShowHelp(ToUtf8(dir_.filePath(QStringLiteral("Mirtel.html")))));
  EXPECT_FALSE(shell.ShowHelp(ToUtf8(dir_.path())));
}

TEST_F(QtPlatformTest, YieldRunsPendingEventsAndTheBusyPointerBalances) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  window_->Yield();
  EXPECT_TRUE(ran);

  window_->SetBusyPointer(true);
  window_->SetBusyPointer(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  window_->SetBusyPointer(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  window_->SetBusyPointer(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtPlatformTest, ControlsAndMenuItemsFollowTheirSetters) {
  window_->SetCaption(Control::Label1, "a & b <i>");
  EXPECT_EQ(window_->Caption(Control::Label1), "a & b <i>");
  window_->SetStatus("状態");
  EXPECT_EQ(window_->Caption(Control::lblProcess), "状態");
  window_->AppendResult("1");
  window_->AppendResult("2");
  EXPECT_EQ(window_->ListCount(Control::lstResult), 2);
  window_->ClearList(Control::lstResult);
  EXPECT_EQ(window_->ListCount(Control::lstResult), 0);
  window_->SetBackColor(Control::lblCopyModeBack, 0x000000FF);
  EXPECT_EQ(window_->control(Control::lblCopyModeBack)->palette().color(QPalette::Window),
            QColor(255, 0, 0));
  window_->SetEnabled(Control::cmdBackUp, false);
  EXPECT_FALSE(window_->IsEnabled(Control::cmdBackUp));
  window_->SetEnabled(MenuItem::mnu_cmd_copy, false);
  EXPECT_FALSE(window_->IsEnabled(MenuItem::mnu_cmd_copy));
  window_->SetChecked(MenuItem::mnu_Douki, true);
  EXPECT_TRUE(window_->action(MenuItem::mnu_Douki)->isChecked());
  window_->SetVisible(MenuItem::mnu_ZeroEraser, false);
  EXPECT_FALSE(window_->action(MenuItem::mnu_ZeroEraser)->isVisible());
}

}  // namespace
}  // namespace mirtel
