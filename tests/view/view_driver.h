// What the one view suite (window_rules_test.cpp) needs of a view: make the
// window with the real logic behind it, send it the user's input, and read
// back what the user would see. Each view has its driver; the suite runs
// against both.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_mirtel.h"
#include "app/window_design.h"
#include "platform/window.h"
#include "tests/fakes/recording_shell.h"

namespace mirtel::test {

enum class Key { Tab, Enter, KeypadEnter, Space, Escape, F1, A, Q };
enum class Button { Left, Right, Middle };
enum class BoxAnswer { Yes, No, Ok };

struct SeenBox {
  std::string text, title;
  bool yesNo = false;      // Yes and No, else OK alone
  bool noDefault = false;  // No is the default button
};

struct MenuEntry {
  std::string caption;   // with its "&"
  std::string shortcut;  // "Ctrl+Q", "F1", "" for none
  bool separator = false;
  bool checked = false;
  bool enabled = true;
  std::vector<MenuEntry> items;
};

class ViewDriver {
 public:
  virtual ~ViewDriver() = default;
  virtual Window& window() = 0;
  virtual FrmMirtel& form() = 0;
  // Runs Form_Load and shows the window, active.
  virtual void LoadAndShow() = 0;
  virtual bool IsOpen() = 0;

  // Look and place, in the window's pixels (design pixels at Dpi() / 96).
  virtual int Dpi() = 0;
  virtual Rect ClientArea() = 0;
  virtual bool Resizable() = 0;
  virtual Rect Placed(Control c) = 0;  // in the client area
  virtual bool Shown(Control c) = 0;
  virtual bool TakesFocus(Control c) = 0;
  // The control the mouse finds at `x`, `y` of the client area.
  virtual std::optional<Control> ControlAt(int x, int y) = 0;
  virtual std::optional<Control> Focused() = 0;
  // The bar's entries the user sees, with their submenus.
  virtual std::vector<MenuEntry> MenuBar() = 0;
  virtual std::string ToolTip(Control c) = 0;
  virtual std::string LastListLine() = 0;
  // Whether the result list's lines are wider than it, so it scrolls.
  virtual bool ListScrollsSideways() = 0;
  // Whether a label's text is drawn in the warning colour.
  virtual bool DrawnInWarningColour(Control label) = 0;

  // Input.
  virtual void Press(Key key, bool control = false, bool shift = false) = 0;
  virtual void Click(Control c) = 0;  // a button's click
  virtual void Choose(MenuItem item) = 0;
  virtual void MouseMove(Control c) = 0;
  // A press and release of `button` inside `c`; `released` outside it.
  virtual void PressRelease(Control c, Button button, bool releasedInside = true) = 0;
  virtual void DoubleClick(Control c) = 0;  // press, release, double press, release
  // Whether a press of `button` on `c` (none: the bare window) moves the
  // window with the mouse.
  virtual bool PressDrags(std::optional<Control> c, Button button) = 0;
  // Drops `paths` on a folder field.
  virtual void Drop(Control combo, const std::vector<std::string>& paths) = 0;

  // Message boxes are answered from `answers`, in turn, and recorded; one
  // nobody expected is cancelled.
  std::deque<BoxAnswer> answers;
  std::vector<SeenBox> boxes;
  RecordingShell shell;
};

// Made by each view's driver file: the window and the logic, settings kept
// in `programFolder` (ending in the separator).
std::unique_ptr<ViewDriver> MakeViewDriver(const std::string& programFolder);

}  // namespace mirtel::test
