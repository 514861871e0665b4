// The window frmMirtel as data, free of any toolkit: every control with its
// kind, place, font, colours and order, the menu tree, and which event
// procedure each event of each control and menu item runs. Both views (Qt
// and Win32) build themselves from it; neither repeats it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/window.h"
#include "text/message.h"

namespace mirtel {

class FrmMirtel;

// The client area below the menu bar, in pixels at 96 dpi, and where it is
// first placed on the screen.
inline constexpr int kClientWidth = 462;
inline constexpr int kClientHeight = 213;
inline constexpr int kClientLeft = 126;
inline constexpr int kClientTop = 134;

enum class ControlKind {
  PictureButton,  // a push button that shows only its picture
  ComboBox,       // editable text with a drop-down list
  ListBox,        // unsorted, single selection
  Label,          // text; a panel when it has a border and a background
};

// "ＭＳ Ｐゴシック" in pixels at 96 dpi, character set 128 (Shift-JIS).
enum class FontId { Default, Gothic16, Gothic16Bold, Gothic15 };
inline constexpr std::string_view kGothicFace = "ＭＳ Ｐゴシック";

enum class Align { Left, Center };

// The text of a label that reports a failure or a stop: dark red, readable
// on the white result panel.
inline constexpr ColorRef kWarningTextColor = 0x000000C0;
// Such a label draws a text too wide for it smaller, down to this share of
// its font (percent): the failures and the stop at its start then fit even
// with six-digit counts.
inline constexpr int kWarningFontFloorPercent = 80;

struct Rect {
  int left, top, width, height;
};

struct ControlDesign {
  Control control;
  std::string_view name;
  ControlKind kind;
  Rect rect;     // pixels at 96 dpi, from the client area's top left
  int tabIndex;  // 0 first; labels hold one but never take the focus
  FontId font;
  bool border;               // single-line border (the panels)
  bool opaque;               // draws its background (false: the text labels lie on a panel)
  ColorRef back;             // background of an opaque label
  Align align;               // of a label's text
  std::string_view picture;  // resource base name of a button's picture ("" for none)
  int hint;                  // hint string of the control, also its accessible name (0 for none)
  std::string_view initialText;
};

// The sixteen controls, front to back: where two overlap, the earlier lies
// on top. A view creates them back to front.
std::span<const ControlDesign> ControlDesigns();
const ControlDesign& DesignOf(Control control);
std::string_view ControlName(Control control);
bool IsLabel(Control control);

// The controls that take the focus, in tab order.
std::span<const Control> TabOrder();

// The button picture sizes: the copy button's picture is a 108 × 65 image;
// the others are square icons drawn at 32 × 32.
inline constexpr int kIconPictureSize = 32;
inline constexpr int kCopyPictureWidth = 108;
inline constexpr int kCopyPictureHeight = 65;

enum class Shortcut { None, CtrlQ, F1, CtrlA };

struct MenuDesign {
  MenuItem item;
  std::string_view name;
  int level;                   // 1 on the bar, 2 in a submenu of the last level-1 entry before it
  std::optional<Msg> caption;  // "&" marks the access key; none on a separator
  Shortcut shortcut;
  bool separator;
  bool checkable;
  bool checked;  // initial state
  bool visible;  // hidden entries are never shown and cannot be reached
  bool enabled;
};

// The menu tree in display order.
std::span<const MenuDesign> MenuDesigns();
const MenuDesign& DesignOf(MenuItem item);
std::string_view MenuName(MenuItem item);
// The caption in the program's language ("" for a separator).
std::string MenuCaption(const MenuDesign& d);

// The routing of events to the event procedures; null where the control or
// item has no procedure for that event (the event is ignored).
using Procedure = void (FrmMirtel::*)();
using MouseDownProcedure = void (FrmMirtel::*)(int button);
Procedure ClickProcedure(Control control);      // buttons: click; labels: click on release
Procedure MouseMoveProcedure(Control control);  // the hint
MouseDownProcedure MouseDownProcedureOf(Control control);  // the window drag
Procedure DblClickProcedure(Control control);
Procedure MenuProcedure(MenuItem item);

// Mouse button values of the MouseDown events.
inline constexpr int kButtonLeft = 1;
inline constexpr int kButtonRight = 2;
inline constexpr int kButtonMiddle = 4;

}  // namespace mirtel
