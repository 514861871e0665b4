// The main window frmMirtel as a native Win32 window: the sixteen controls
// as system controls, the menu bar and its shortcut keys, built from the
// design data, with their events forwarded to the window's logic.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/view/view_api.h"
#include "platform/win32/view/win32_combo_box.h"
#include "platform/window.h"

namespace mirtel {

class FrmMirtel;

inline constexpr int kControlCount = 16;
inline constexpr int kMenuItemCount = 16;

// Control and menu command identifiers: a base plus the enum's value.
inline constexpr int kFirstControlId = 100;
inline constexpr int kFirstMenuId = 1000;
inline int ControlId(Control c) { return kFirstControlId + static_cast<int>(c); }
inline int MenuId(MenuItem m) { return kFirstMenuId + static_cast<int>(m); }

// The order of the child windows, top first: the focusable controls in
// tab order (the dialog manager's Tab follows the window order), then the
// labels front to back. Where this puts a control behind one that the
// design has in front, the overlap is cut out of the one behind.
std::vector<Control> WindowOrder();

class Win32Window : public Window {
 public:
  // Shows a message box and returns the button chosen (IDOK, IDYES, IDNO).
  using MsgBoxFunction = std::function<int(HWND owner, const std::wstring& text,
                                           const std::wstring& title, UINT type)>;

  explicit Win32Window(HINSTANCE instance);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // From now on the window's events go to `form`.
  void Connect(FrmMirtel& form);
  // MessageBoxW unless replaced (the tests answer the boxes themselves).
  void SetMsgBoxFunction(MsgBoxFunction show);

  HWND handle() const { return hwnd_; }
  HWND control(Control c) const { return controls_[Index(c)]; }
  HWND comboEdit(Control combo) const;
  HMENU menuBar() const { return menuBar_; }
  HACCEL accelerators() const { return accelerators_; }
  UINT dpi() const { return dpi_; }
  // The pixel height a label's text is drawn at: its font's, or for a label
  // in the warning state the largest down to the floor that fits its text.
  int LabelTextPixels(Control label) const;

  // The keyboard of the message loop: the menu's shortcut keys, then Tab,
  // Shift+Tab, Enter and Space as in a dialog. True when `msg` was handled.
  bool PreTranslate(MSG& msg);
  // Runs the events until the window is closed; WM_QUIT's exit code.
  int RunMessageLoop();

  // WalkView.
  void SetStatus(std::string_view text) override;
  void AppendResult(std::string_view line) override;
  void Yield() override;
  int MsgBox(std::string_view prompt, int buttons = kMbOk, std::string_view title = {}) override;

  // Window.
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) override;
  void SetVisible(Control control, bool visible) override;
  void SetFocus(Control control) override;
  void SetCaption(Control label, std::string_view text) override;
  std::string Caption(Control label) override;
  void SetBackColor(Control label, ColorRef color) override;
  void SetWarning(Control label, bool warning) override;
  void SetToolTip(Control control, std::string_view text) override;
  ComboBox& Combo(Control combo) override;
  void SetDroppedWidth(Control combo, int pixels) override;
  void ClearList(Control list) override;
  int ListCount(Control list) override;

  void SetEnabled(MenuItem item, bool enabled) override;
  bool IsEnabled(MenuItem item) override;
  void SetChecked(MenuItem item, bool checked) override;
  void SetVisible(MenuItem item, bool visible) override;

  void Show() override;
  void SetBusyPointer(bool busy) override;
  void Beep() override;
  void StartSystemDrag() override;
  void Hide() override;
  void RequestClose() override;

 private:
  static int Index(Control c) { return static_cast<int>(c); }
  static int Index(MenuItem m) { return static_cast<int>(m); }

  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
  LRESULT HandleFrame(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleControl(Control c, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void HandleCommand(WPARAM wParam, LPARAM lParam);

  // Runs one event procedure; what still escapes it is shown in a box.
  template <class F>
  void Forward(F&& call);
  void ShowEscaped(const std::string& description);

  // Building and scaling (win32_window_layout.cpp).
  void CreateFrame();
  void CreateControls();
  void ApplyDpi(UINT dpi);
  void PlaceFrame(int left, int top);
  void FitCombo(Control combo);
  void ApplyStacking();
  void LoadPictures();
  void FreePictures();
  void FreeFonts();

  // Labels (win32_window_labels.cpp).
  void PaintLabel(Control label, HDC target, const RECT& area);
  void DrawLabelFace(HDC dc, Control label, const RECT& face);
  void RedrawLabel(Control label);
  RECT ClientRectOf(Control c) const;  // in the frame's client coordinates
  std::wstring LabelText(Control label) const;

  // The result list's sideways scroll (win32_window_result.cpp): as wide
  // as its widest line, from `lines` on, or from all its lines.
  void WidenList(const std::vector<std::wstring>& lines);
  void WidenListToAll();

  // Menus (win32_window_menus.cpp).
  void BuildMenuBar();
  void BuildAccelerators();
  bool MenuReachable(MenuItem item) const;

  bool PointerMoved(HWND hwnd, LPARAM lParam);
  void ScheduleFlush();
  void Flush();
  void RestoreFocus();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  std::array<HWND, kControlCount> controls_{};
  std::array<ColorRef, kControlCount> backColors_{};
  std::array<bool, kControlCount> warnings_{};  // text in the warning colour
  HWND toolTip_ = nullptr;
  std::array<bool, kControlCount> hasToolTip_{};
  int listExtent_ = 0;                              // the widest result line, in pixels
  std::array<int, kControlCount> droppedWidths_{};  // at 96 dpi; 0 for the system's
  std::array<HFONT, 4> fonts_{};                    // by FontId
  std::array<HANDLE, kControlCount> pictures_{};    // icons and the copy bitmap
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  Win32ComboBox moto_;
  Win32ComboBox saki_;

  HMENU menuBar_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::array<bool, kMenuItemCount> menuEnabled_{};
  std::array<bool, kMenuItemCount> menuChecked_{};
  std::array<bool, kMenuItemCount> menuVisible_{};
  // Where each shown entry sits: its menu and position (hidden ones: none).
  std::array<HMENU, kMenuItemCount> menuParent_{};
  std::array<UINT, kMenuItemCount> menuPosition_{};

  FrmMirtel* form_ = nullptr;
  MsgBoxFunction msgBox_;
  bool busy_ = false;
  bool quitOnDestroy_ = true;  // not when the object itself goes
  HWND lastFocus_ = nullptr;
  POINT pointer_{-32768, -32768};  // where the last mouse move was, on the screen

  // A label's click happens on release inside it, never on the second
  // press of a double click.
  HWND pressedLabel_ = nullptr;

  // A walk reports every entry, far more often than anyone can read: the
  // status line and the result lines wait here for the flush timer.
  std::wstring status_;
  bool statusPending_ = false;
  std::vector<std::wstring> resultsPending_;
  bool flushScheduled_ = false;
  std::chrono::steady_clock::time_point lastYield_{};
};

}  // namespace mirtel
