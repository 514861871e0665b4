// The menu bar of frmMirtel as Qt actions, made from the window's design
// data: captions, access keys, shortcuts, check marks, hidden entries.
#pragma once

#include <span>
#include <vector>

#include "platform/window.h"

class QAction;
class QMenuBar;

namespace mirtel {

class QtMenus {
 public:
  explicit QtMenus(QMenuBar* bar);

  QAction* action(MenuItem item) const;
  std::span<QAction* const> actions() const { return actions_; }

 private:
  std::vector<QAction*> actions_;  // by MenuItem
};

}  // namespace mirtel
