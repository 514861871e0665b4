#include "platform/qt/qt_menus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/window_design.h"
#include "platform/qt/qt_text.h"

namespace mirtel {

namespace {

std::size_t Index(MenuItem m) { return static_cast<std::size_t>(m); }

QKeySequence KeysOf(Shortcut shortcut) {
  switch (shortcut) {
    case Shortcut::CtrlQ:
      return QKeySequence(Qt::CTRL | Qt::Key_Q);
    case Shortcut::F1:
      return QKeySequence(Qt::Key_F1);
    case Shortcut::CtrlA:
      return QKeySequence(Qt::CTRL | Qt::Key_A);
    case Shortcut::None:
      break;
  }
  return QKeySequence();
}

}  // namespace

QtMenus::QtMenus(QMenuBar* bar) : actions_(MenuDesigns().size(), nullptr) {
  const std::span<const MenuDesign> designs = MenuDesigns();
  QMenu* submenu = nullptr;  // of the last entry on the bar
  for (std::size_t i = 0; i < designs.size(); ++i) {
    const MenuDesign& d = designs[i];
    const QString caption = ToQString(MenuCaption(d));
    QAction* a = nullptr;
    if (d.level == 1) {
      // An entry with items below it opens a menu; one without is a command
      // on the bar itself.
      const bool opens = i + 1 < designs.size() && designs[i + 1].level > 1;
      submenu = opens ? bar->addMenu(caption) : nullptr;
      a = opens ? submenu->menuAction() : bar->addAction(caption);
    } else {
      a = d.separator ? submenu->addSeparator() : submenu->addAction(caption);
    }
    a->setObjectName(ToQString(d.name));
    a->setShortcut(KeysOf(d.shortcut));
    a->setCheckable(d.checkable);
    a->setChecked(d.checked);
    a->setVisible(d.visible);
    a->setEnabled(d.enabled);
    actions_[Index(d.item)] = a;
  }
}

QAction* QtMenus::action(MenuItem item) const { return actions_[Index(item)]; }

}  // namespace mirtel
