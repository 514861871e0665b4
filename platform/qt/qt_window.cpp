#include "platform/qt/qt_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include "app/window_design.h"
#include "platform/qt/qt_main_frame.h"
#include "platform/qt/qt_text.h"
#include "text/message.h"

namespace mirtel {

namespace {

// The walk's status line and result lines reach the controls at most this
// often: about 30 times a second, as fast as the eye follows a changing line.
constexpr int kFlushMs = 33;
// The event loop runs at most this often from Yield.
constexpr qint64 kYieldMs = 10;

QColor FromColorRef(ColorRef color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

QtWindow::QtWindow() : frame_(std::make_unique<MainFrame>()) {
  moto_ = std::make_unique<QtComboBox>(frame_->controls().combo(Control::cmbBackMoto));
  saki_ = std::make_unique<QtComboBox>(frame_->controls().combo(Control::cmbBackSaki));
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(kFlushMs);
  QObject::connect(&flushTimer_, &QTimer::timeout, [this] { Flush(); });
}

QtWindow::~QtWindow() { SetBusyPointer(false); }

void QtWindow::Connect(FrmMirtel& form) { frame_->Connect(form); }

QMainWindow* QtWindow::widget() { return frame_.get(); }

QWidget* QtWindow::control(Control control) { return frame_->controls().widget(control); }

QAction* QtWindow::action(MenuItem item) { return frame_->menus().action(item); }

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
    frame_->controls().label(Control::lblProcess)->setText(ToQString(status_));
  }
  if (!resultsPending_.isEmpty()) {
    frame_->controls().list(Control::lstResult)->addItems(resultsPending_);
    resultsPending_.clear();
  }
}

// Called for every listed entry: pumping the event loop each time would cost
// more than the file work, so it runs at most every 10 ms. That is still
// well under a frame, so Stop and the hints stay prompt.
void QtWindow::Yield() {
  if (sinceYield_.isValid() && sinceYield_.elapsed() < kYieldMs) return;
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
  yes->setText(ToQString(Text(Msg::ButtonYes)));
  no->setText(ToQString(Text(Msg::ButtonNo)));
  box.setDefaultButton((buttons & kMbDefButton2) != 0 ? no : yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes ? kIdYes : kIdNo;
}

void QtWindow::SetEnabled(Control control, bool enabled) {
  frame_->controls().widget(control)->setEnabled(enabled);
}

bool QtWindow::IsEnabled(Control control) {
  return frame_->controls().widget(control)->isEnabled();
}

void QtWindow::SetVisible(Control control, bool visible) {
  if (visible) Flush();  // shown complete, never filling up in view
  frame_->controls().widget(control)->setVisible(visible);
}

void QtWindow::SetFocus(Control control) {
  frame_->controls().widget(control)->setFocus(Qt::OtherFocusReason);
}

void QtWindow::SetCaption(Control label, std::string_view text) {
  if (label == Control::lblProcess) statusPending_ = false;  // the later text wins
  if (QLabel* l = frame_->controls().label(label)) l->setText(ToQString(text));
  if (warnings_[static_cast<std::size_t>(label)]) FitWarning(label);
}

std::string QtWindow::Caption(Control label) {
  if (label == Control::lblProcess && statusPending_) return status_;
  QLabel* l = frame_->controls().label(label);
  return l != nullptr ? ToUtf8(l->text()) : std::string();
}

void QtWindow::SetBackColor(Control label, ColorRef color) {
  QLabel* l = frame_->controls().label(label);
  if (l == nullptr) return;
  QPalette pal = l->palette();
  pal.setColor(QPalette::Window, FromColorRef(color));
  l->setPalette(pal);
}

void QtWindow::SetWarning(Control label, bool warning) {
  QLabel* l = frame_->controls().label(label);
  if (l == nullptr) return;
  QPalette pal = l->palette();
  // The panels keep dark text on their own light background.
  const QColor normal = DesignOf(label).opaque
                            ? QColor(Qt::black)
                            : l->parentWidget()->palette().color(QPalette::WindowText);
  pal.setColor(QPalette::WindowText, warning ? FromColorRef(kWarningTextColor) : normal);
  l->setPalette(pal);
  warnings_[static_cast<std::size_t>(label)] = warning;
  FitWarning(label);
}

void QtWindow::FitWarning(Control label) {
  QLabel* l = frame_->controls().label(label);
  int design = 0;
  switch (DesignOf(label).font) {
    case FontId::Gothic15:
      design = 15;
      break;
    case FontId::Gothic16:
    case FontId::Gothic16Bold:
      design = 16;
      break;
    case FontId::Default:
      return;
  }
  QFont font = l->font();
  int pixels = design;
  if (warnings_[static_cast<std::size_t>(label)]) {
    const int floor = (design * kWarningFontFloorPercent + 99) / 100;
    for (; pixels > floor; --pixels) {
      font.setPixelSize(pixels);
      const QFontMetrics metrics(font);
      const int indent =
          l->indent() >= 0 ? l->indent() : metrics.horizontalAdvance(QLatin1Char('x')) / 2;
      if (metrics.horizontalAdvance(l->text()) <= l->contentsRect().width() - indent) break;
    }
  }
  font.setPixelSize(pixels);
  l->setFont(font);
}

void QtWindow::SetToolTip(Control control, std::string_view text) {
  frame_->controls().widget(control)->setToolTip(ToQString(text));
}

ComboBox& QtWindow::Combo(Control combo) { return combo == Control::cmbBackSaki ? *saki_ : *moto_; }

void QtWindow::SetDroppedWidth(Control combo, int pixels) {
  frame_->controls().combo(combo)->view()->setMinimumWidth(pixels);
}

void QtWindow::ClearList(Control list) {
  resultsPending_.clear();
  frame_->controls().list(list)->clear();
}

int QtWindow::ListCount(Control list) {
  return frame_->controls().list(list)->count() + static_cast<int>(resultsPending_.size());
}

void QtWindow::SetEnabled(MenuItem item, bool enabled) { action(item)->setEnabled(enabled); }

bool QtWindow::IsEnabled(MenuItem item) { return action(item)->isEnabled(); }

void QtWindow::SetChecked(MenuItem item, bool checked) { action(item)->setChecked(checked); }

void QtWindow::SetVisible(MenuItem item, bool visible) { action(item)->setVisible(visible); }

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

void QtWindow::StartSystemDrag() { frame_->StartDrag(); }

void QtWindow::Hide() { frame_->hide(); }

void QtWindow::RequestClose() { frame_->close(); }

}  // namespace mirtel
