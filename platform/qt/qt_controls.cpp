#include "platform/qt/qt_controls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <ranges>

#include "app/res_strings.h"
#include "app/window_design.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_text.h"

// The pictures are compiled into this library; the static link needs their
// registration called by name, outside any namespace.
static void InitMirtelResources() { Q_INIT_RESOURCE(mirtel); }

namespace mirtel {

namespace {

std::size_t Index(Control c) { return static_cast<std::size_t>(c); }

QFont FontOf(FontId font) {
  switch (font) {
    case FontId::Gothic16:
      return GothicFont(16, false);
    case FontId::Gothic16Bold:
      return GothicFont(16, true);
    case FontId::Gothic15:
      return GothicFont(15, false);
    case FontId::Default:
      break;
  }
  return QFont();
}

QColor FromColorRef(ColorRef color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

// A button's picture is either one image drawn at its own size, with a copy
// of twice the size for dense screens (name.gif, name_<2 × width>.png), or a
// square icon in three sizes (name_16/32/64.png) drawn at the icon size.
void SetPicture(QPushButton* button, std::string_view picture) {
  const QString base = QStringLiteral(":/mirtel/") + ToQString(picture);
  const QString single = base + QStringLiteral(".gif");
  QIcon icon;
  QSize size(kIconPictureSize, kIconPictureSize);
  if (QFile::exists(single)) {
    size = QImageReader(single).size();
    icon.addFile(single);
    icon.addFile(QStringLiteral("%1_%2.png").arg(base).arg(2 * size.width()));
  } else {
    for (const char* pixels : {"16", "32", "64"})
      icon.addFile(QStringLiteral("%1_%2.png").arg(base, QLatin1String(pixels)));
  }
  button->setIcon(icon);
  button->setIconSize(size);
}

QWidget* MakeButton(const ControlDesign& d, QWidget* client) {
  auto* button = new QPushButton(client);
  button->setMouseTracking(true);
  // Enter clicks the focused button, never a default one elsewhere.
  button->setAutoDefault(false);
  if (!d.picture.empty()) SetPicture(button, d.picture);
  return button;
}

QWidget* MakeComboBox(const ControlDesign& d, QWidget* client) {
  auto* box = new QComboBox(client);
  box->setEditable(true);
  // The field's text is only what the user typed or chose: no inline
  // completion, and Enter adds nothing to the history list.
  box->setCompleter(nullptr);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setEditText(ToQString(d.initialText));
  return box;
}

QWidget* MakeListBox(QWidget* client) {
  auto* list = new QListWidget(client);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setUniformItemSizes(true);
  list->viewport()->setMouseTracking(true);
  return list;
}

QWidget* MakeLabel(const ControlDesign& d, QWidget* client) {
  auto* label = new QLabel(client);
  label->setTextFormat(Qt::PlainText);
  label->setMouseTracking(true);
  label->setText(ToQString(d.initialText));
  label->setAlignment((d.align == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft) |
                      Qt::AlignVCenter);
  if (d.border) {
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
  }
  if (d.opaque) {
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, FromColorRef(d.back));
    // Dark on its own light background, whatever the desktop's colours.
    pal.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(pal);
  }
  return label;
}

QWidget* Make(const ControlDesign& d, QWidget* client) {
  switch (d.kind) {
    case ControlKind::PictureButton:
      return MakeButton(d, client);
    case ControlKind::ComboBox:
      return MakeComboBox(d, client);
    case ControlKind::ListBox:
      return MakeListBox(client);
    case ControlKind::Label:
      break;
  }
  return MakeLabel(d, client);
}

}  // namespace

QtControls::QtControls(QWidget* client) : widgets_(ControlDesigns().size(), nullptr) {
  InitMirtelResources();
  // Back to front: a later child lies on top.
  for (const ControlDesign& d : std::views::reverse(ControlDesigns())) {
    QWidget* w = Make(d, client);
    w->setObjectName(ToQString(d.name));
    w->setGeometry(d.rect.left, d.rect.top, d.rect.width, d.rect.height);
    if (d.font != FontId::Default) w->setFont(FontOf(d.font));
    if (const int hintId = static_cast<int>(d.hint); hintId != 0) {
      // A button has no text of its own: its hint names it. Elsewhere the
      // text is what a screen reader should read, and the hint explains it.
      const QString hint = ToQString(LoadResString(hintId));
      if (d.kind == ControlKind::PictureButton)
        w->setAccessibleName(hint);
      else
        w->setAccessibleDescription(hint);
    }
    widgets_[Index(d.control)] = w;
    parts_.emplace_back(w, d.control);
    // The folder fields' text boxes and the list's inside take the mouse.
    if (auto* box = qobject_cast<QComboBox*>(w)) parts_.emplace_back(box->lineEdit(), d.control);
    if (auto* list = qobject_cast<QListWidget*>(w))
      parts_.emplace_back(list->viewport(), d.control);
  }

  QWidget* previous = nullptr;
  for (Control c : TabOrder()) {
    QWidget* w = widget(c);
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

void QtControls::WatchEvents(QObject* filter) {
  for (const auto& part : parts_) part.first->installEventFilter(filter);
}

QWidget* QtControls::widget(Control control) const { return widgets_[Index(control)]; }

QLabel* QtControls::label(Control control) const { return qobject_cast<QLabel*>(widget(control)); }

QComboBox* QtControls::combo(Control control) const {
  return qobject_cast<QComboBox*>(widget(control));
}

QListWidget* QtControls::list(Control control) const {
  return qobject_cast<QListWidget*>(widget(control));
}

std::optional<Control> QtControls::Find(const QObject* watched) const {
  for (const auto& [part, control] : parts_) {
    if (part == watched) return control;
  }
  return std::nullopt;
}

}  // namespace mirtel
