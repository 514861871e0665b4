// The main window frmMirtel as its logic sees it: controls and menu items by
// their own names. A view (Qt, native Win32) carries these out; a recording
// double serves the tests.
//
// What every view does, so that both behave alike:
// - It builds itself from app/window_design.h and forwards each event to the
//   procedure the design routes it to; it adds no behaviour of its own.
// - A label is clicked when the left button is released inside it; the
//   second press of a double click is no new click.
// - A disabled control shows no hint.
// - The logic owns the check marks: a menu item the toolkit toggles on its
//   own is set back before the procedure runs.
// - Enter on a focused button clicks it, as Space does.
// - The status line and the result list reach the screen at most about 30
//   times a second; the last text always arrives.
// - Yield pumps the event loop at most every 10 ms: it is called for every
//   listed entry, and pumping costs more than the file work.
// - Message boxes: Yes/No with the default button the logic asks for and
//   Escape meaning No; otherwise OK alone. No title means "mirtel".
// - Every way of closing the window runs Form_QueryUnload first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/combo_box.h"
#include "platform/walk_view.h"

namespace mirtel {

// The sixteen controls, in stacking order from front to back.
enum class Control {
  cmdOpenSaki,
  cmdOpenMoto,
  cmbBackSaki,
  cmbBackMoto,
  cmdQuit,
  cmdStop,
  lstResult,
  cmdBackSaki,
  cmdBackMoto,
  cmdBackUp,
  lblCopyMode,
  lblCopyModeBack,
  Label1,
  lblProcess,
  Label3,
  Label2,
};

enum class MenuItem {
  mnu_cmd,
  mnu_cmd_backmoto,
  mnu_cmd_backsaki,
  mnu_cmd_copy,
  mnu_cmd_line,
  mnu_cmd_copyquit,
  mnu_cmd_end,
  mnu_option,
  mnu_option_selectfile,
  mnu_CopyOption,
  Mnu_Normal,
  mnu_Douki,
  mnu_ZeroEraser,
  mnu_help,
  mnu_help_help,
  mnu_help_ver,
};

// The numbered hint strings (their texts are in the message catalogue), named by the control
// whose hint each one is.
enum class Hint : int {
  None = 0,
  cmdBackMoto = 101,
  cmdBackSaki = 102,
  cmdBackUp = 103,
  cmdQuit = 104,
  cmdStop = 105,
  Label1 = 106,
  lstResult = 107,
  Label2 = 110,
  cmdOpenMoto = 128,
  cmdOpenSaki = 129,
};

// A COLORREF: 0x00BBGGRR.
using ColorRef = std::uint32_t;

class Window : public WalkView {
 public:
  // Controls.
  virtual void SetEnabled(Control control, bool enabled) = 0;
  virtual bool IsEnabled(Control control) = 0;
  virtual void SetVisible(Control control, bool visible) = 0;  // lstResult
  virtual void SetFocus(Control control) = 0;
  virtual void SetCaption(Control label, std::string_view text) = 0;
  virtual std::string Caption(Control label) = 0;
  virtual void SetBackColor(Control label, ColorRef color) = 0;
  // A label's text in the warning colour (true) or its own.
  virtual void SetWarning(Control label, bool warning) = 0;
  // The text shown while the mouse rests on a control ("" for none): the
  // whole of a text its control cuts.
  virtual void SetToolTip(Control control, std::string_view text) = 0;
  virtual ComboBox& Combo(Control combo) = 0;  // cmbBackMoto, cmbBackSaki
  virtual void SetDroppedWidth(Control combo, int pixels) = 0;
  virtual void ClearList(Control list) = 0;  // lstResult
  virtual int ListCount(Control list) = 0;

  // Menu items.
  virtual void SetEnabled(MenuItem item, bool enabled) = 0;
  virtual bool IsEnabled(MenuItem item) = 0;
  virtual void SetChecked(MenuItem item, bool checked) = 0;
  virtual void SetVisible(MenuItem item, bool visible) = 0;

  // The window itself.
  virtual void Show() = 0;
  virtual void SetBusyPointer(bool busy) = 0;  // hourglass (11) or default (0)
  virtual void Beep() = 0;
  virtual void StartSystemDrag() = 0;  // the system moves the window with the mouse
  virtual void Hide() = 0;
  virtual void RequestClose() = 0;  // runs Form_QueryUnload, then closes if allowed
};

}  // namespace mirtel
