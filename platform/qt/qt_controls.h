// The sixteen controls of frmMirtel as Qt widgets, made from the window's
// design data: kind, place, font, colours, border, picture and tab order.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "platform/window.h"

class QComboBox;
class QLabel;
class QListWidget;
class QObject;
class QWidget;

namespace mirtel {

class QtControls {
 public:
  // Makes the controls on `client`, which owns them.
  explicit QtControls(QWidget* client);

  // From now on `filter` sees the events of every control, including those
  // that reach the folder fields' text boxes and the list's inside.
  void WatchEvents(QObject* filter);

  QWidget* widget(Control control) const;
  QLabel* label(Control control) const;      // null unless a label
  QComboBox* combo(Control control) const;   // null unless a folder field
  QListWidget* list(Control control) const;  // null unless a list

  // The control an event of `watched` belongs to.
  std::optional<Control> Find(const QObject* watched) const;

 private:
  std::vector<QWidget*> widgets_;  // by Control
  // Every object whose events belong to a control: the widgets and their
  // inner parts that take the mouse.
  std::vector<std::pair<QObject*, Control>> parts_;
};

}  // namespace mirtel
