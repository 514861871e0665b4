// What only the Qt window shows: its widgets' look, Qt's own keys (access
// keys, a modifier with Enter, a field's own shortcuts), its message boxes'
// keys, and the result label's font at every DPI. The rules both views
// follow are in tests/view/window_rules_test.cpp, run here through the same
// driver.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>
#include <string>

#include "app/result_display.h"
#include "app/window_design.h"
#include "job/copy_job.h"
#include "platform/qt/qt_text.h"
#include "tests/qt/qt_test_app.h"
#include "tests/qt/qt_view_driver.h"

namespace mirtel::test {
namespace {

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    ASSERT_TRUE(dir_.isValid());
    view_ = std::make_unique<QtViewDriver>(ToUtf8(dir_.path()) + "/");
  }

  void LoadAndShow() { view_->LoadAndShow(); }
  void Reactivate() { view_->Reactivate(); }
  QWidget* W(Control c) { return view_->W(c); }
  QLabel* L(Control c) { return view_->L(c); }
  QString Path(const QString& name) { return dir_.filePath(name); }

  void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  QTemporaryDir dir_;
  std::unique_ptr<QtViewDriver> view_;
};

// The widgets' own look: title, icon, palettes, fonts, frames, alignment,
// and the buttons' pictures and accessible names.
TEST_F(QtWindowTest, LooksAsDesignedBeforeAndAfterLoading) {
  QMainWindow* frame = view_->qt().widget();
  EXPECT_EQ(frame->windowTitle(), QStringLiteral("簡単フォルダコピーソフト：みるてる"));
  EXPECT_FALSE(frame->windowIcon().isNull());
  EXPECT_EQ(view_->qt().Combo(Control::cmbBackMoto).Text(), "cmbBackMoto");
  EXPECT_EQ(view_->qt().Combo(Control::cmbBackSaki).Text(), "cmbBackSaki");
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
  EXPECT_EQ(view_->qt().Caption(Control::lblCopyMode), "通常　");
  EXPECT_EQ(L(Control::lblCopyModeBack)->palette().color(QPalette::Window), QColor(0, 255, 255));
  for (Control c : {Control::cmbBackMoto, Control::cmbBackSaki})
    EXPECT_EQ(qobject_cast<QComboBox*>(W(c))->view()->minimumWidth(), 400);
}

// Qt's own keys: Escape answers a question No; Enter with a modifier is
// no click; a hidden entry's access key reaches nothing while a shown
// one's opens its menu; inside the folder field the program's shortcuts
// win over the field's own (Ctrl+A is no "select all"), and a disabled
// item's shortcut gives the field its key back.
TEST_F(QtWindowTest, QtsOwnKeysLeaveTheRulesIntact) {
  LoadAndShow();
  view_->AnswerBoxes(false);
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
  EXPECT_TRUE(view_->IsOpen());
  Reactivate();
  W(Control::cmdQuit)->setFocus();
  EXPECT_FALSE(askedAndAnswered(Qt::Key_Return, Qt::ControlModifier, Qt::Key_Escape));

  const QList<QAction*> top = view_->qt().widget()->menuBar()->actions();
  ASSERT_EQ(top.size(), 5);
  EXPECT_FALSE(top[1]->isVisible());
  EXPECT_FALSE(top[1]->isEnabled());
  EXPECT_EQ(top[3]->menu(), nullptr);  // an entry without a submenu
  QTest::keyClick(view_->qt().widget(), Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  QTest::keyClick(view_->qt().widget(), Qt::Key_C, Qt::AltModifier);
  QWidget* popup = QApplication::activePopupWidget();
  EXPECT_EQ(popup, top[0]->menu());
  if (popup != nullptr) popup->close();

  QLineEdit* field = qobject_cast<QComboBox*>(W(Control::cmbBackMoto))->lineEdit();
  field->setFocus();
  field->setText(QStringLiteral("abc"));
  {
    NextMessageBox next([&](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(next.seen());
  }
  EXPECT_EQ(field->selectedText(), QString());
  Reactivate();
  view_->qt().SetEnabled(MenuItem::mnu_cmd_end, false);
  view_->qt().SetEnabled(MenuItem::mnu_help_ver, false);
  NextMessageBox unexpected([&](QMessageBox* box) { box->reject(); });
  QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  EXPECT_FALSE(unexpected.seen());
  EXPECT_EQ(field->selectedText(), QStringLiteral("abc"));
}

// A folder dropped from the file manager keeps no trailing separator.
TEST_F(QtWindowTest, ADroppedFolderKeepsNoTrailingSeparator) {
  LoadAndShow();
  QDir().mkpath(Path("写真/2024"));
  view_->Drop(Control::cmbBackSaki, {ToUtf8(Path("写真/2024") + "/")});
  EXPECT_EQ(view_->qt().Combo(Control::cmbBackSaki).Text(), ToUtf8(Path("写真/2024")));
}

// The widest failures and stop the result label must never cut: a stopped
// job with 99,999 failed items.
JobState WorstResult() {
  JobState state;
  state.CopiedCount = 1234567;
  state.FailedCount = 99999;
  state.StopFlag = true;
  return state;
}

// At 96, 120 and 144 dpi the label's own font fits the failures and the
// stop of the widest case in the label's text area, scaled from the design.
TEST_F(QtWindowTest, TheWidestFailureFitsTheResultLabelAtEveryDpi) {
  LoadAndShow();
  WriteFile(Path("src/a.txt"), "a");
  WriteFile(Path("src/b.txt"), "b");
  ASSERT_TRUE(QDir().mkpath(Path("dest/src/a.txt")));  // a folder where a file goes
  view_->qt().Combo(Control::cmbBackMoto).SetText(ToUtf8(Path("src")));
  view_->qt().Combo(Control::cmbBackSaki).SetText(ToUtf8(Path("dest")));
  view_->Click(Control::cmdBackUp);

  QLabel* label = L(Control::Label1);
  ASSERT_TRUE(view_->DrawnInWarningColour(Control::Label1));

  // The widest case: the label draws it smaller where needed, and at 96,
  // 120 and 144 dpi that font fits the failures and the stop in the text
  // area the design gives the label.
  const JobState worst = WorstResult();
  view_->qt().SetCaption(Control::Label1, ResultCaption(worst));
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
  view_->Click(Control::cmdBackUp);
  EXPECT_EQ(label->text(), QStringLiteral("1個のファイルをコピーしました"));
  EXPECT_EQ(label->palette().color(QPalette::WindowText).rgb(), QColor(Qt::black).rgb());
  EXPECT_EQ(label->font().pixelSize(), 15);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy pointer is gone";
}

}  // namespace
}  // namespace mirtel::test
