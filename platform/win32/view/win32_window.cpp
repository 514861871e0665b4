#include "platform/win32/view/win32_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <exception>
#include <vector>

#include "app/frm_mirtel.h"
#include "app/window_design.h"
#include "engine/error_trap.h"
#include "platform/win32/view/dpi.h"
#include "platform/win32/view/view_text.h"

namespace mirtel {

namespace {

constexpr UINT_PTR kFlushTimer = 1;
// The walk's status line and result lines reach the controls at most this
// often: about 30 times a second, as fast as the eye follows a line.
constexpr UINT kFlushMs = 33;
// The walks yield once per entry; pumping each time would cost more than the
// file work. Every 10 ms still keeps Stop and the hints well under a frame.
constexpr auto kYieldEvery = std::chrono::milliseconds(10);

int ButtonValue(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
      return kButtonLeft;
    case WM_RBUTTONDOWN:
      return kButtonRight;
    default:
      return kButtonMiddle;
  }
}

std::wstring WindowText(HWND window) {
  if (window == nullptr) return {};
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

bool Holds(HWND window, HWND focus) {
  return focus != nullptr && window != nullptr && (focus == window || IsChild(window, focus));
}

}  // namespace

template <class F>
void Win32Window::Forward(F&& call) {
  if (form_ == nullptr) return;
  try {
    call();
  } catch (...) {
    // The description as every trap of the program gives it.
    ShowEscaped(CurrentErrorDescription());
  }
}

Win32Window::Win32Window(HINSTANCE instance)
    : instance_(instance),
      msgBox_([](HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
        return MessageBoxW(owner, text.c_str(), title.c_str(), type);
      }) {
  for (const ControlDesign& d : ControlDesigns()) backColors_[Index(d.control)] = d.back;
  for (const MenuDesign& d : MenuDesigns()) {
    menuEnabled_[Index(d.item)] = d.enabled;
    menuChecked_[Index(d.item)] = d.checked;
    menuVisible_[Index(d.item)] = d.visible;
  }
  CreateFrame();
}

Win32Window::~Win32Window() {
  form_ = nullptr;
  quitOnDestroy_ = false;
  if (toolTip_ != nullptr) DestroyWindow(toolTip_);
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  FreePictures();
  FreeFonts();
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
}

void Win32Window::Connect(FrmMirtel& form) { form_ = &form; }

void Win32Window::SetMsgBoxFunction(MsgBoxFunction show) { msgBox_ = std::move(show); }

HWND Win32Window::comboEdit(Control combo) const {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (control(combo) == nullptr || GetComboBoxInfo(control(combo), &info) == FALSE) return nullptr;
  return info.hwndItem;
}

LRESULT CALLBACK Win32Window::FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  // Nothing may unwind through the system's frames.
  try {
    return self->HandleFrame(hwnd, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT CALLBACK Win32Window::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ControlProc, id);
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  try {
    return reinterpret_cast<Win32Window*>(self)->HandleControl(static_cast<Control>(id), hwnd,
                                                               message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT Win32Window::HandleFrame(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      HandleCommand(wParam, lParam);
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const int index = static_cast<int>(item->CtlID) - kFirstControlId;
      if (item->CtlType != ODT_STATIC || index < 0 || index >= kControlCount) break;
      PaintLabel(static_cast<Control>(index), item->hDC, item->rcItem);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      // The background, and a disabled control, which passes its mouse on.
      const int button = ButtonValue(message);
      Forward([&] { form_->Form_MouseDown(button); });
      return 0;
    }
    case WM_MOUSEMOVE:
      PointerMoved(hwnd, lParam);
      break;
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(SystemCursor(IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (wParam != kFlushTimer) break;
      KillTimer(hwnd, kFlushTimer);
      flushScheduled_ = false;
      Flush();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE && Holds(hwnd, GetFocus())) lastFocus_ = GetFocus();
      break;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ApplyDpi(HIWORD(wParam));
      PlaceFrame(suggested->left, suggested->top);
      return 0;
    }
    case WM_CLOSE: {
      // Every way of closing asks the logic first.
      bool mayClose = form_ == nullptr;
      Forward([&] { mayClose = form_->Form_QueryUnload(); });
      if (mayClose) DestroyWindow(hwnd);
      return 0;
    }
    case WM_DESTROY:
      KillTimer(hwnd, kFlushTimer);
      flushScheduled_ = false;
      if (quitOnDestroy_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      controls_.fill(nullptr);
      moto_.Attach(nullptr);
      saki_.Attach(nullptr);
      menuBar_ = nullptr;
      menuParent_.fill(nullptr);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Win32Window::HandleCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (lParam != 0) {
    // Only the buttons click here; the labels click on release themselves.
    const int index = id - kFirstControlId;
    if (code != BN_CLICKED || index < 0 || index >= kControlCount) return;
    const auto c = static_cast<Control>(index);
    if (DesignOf(c).kind != ControlKind::PictureButton) return;
    if (const Procedure click = ClickProcedure(c)) Forward([&] { (form_->*click)(); });
    return;
  }
  if (id == IDOK) {
    // Enter, from the dialog manager: the focused button clicks.
    const HWND focus = GetFocus();
    for (const ControlDesign& d : ControlDesigns()) {
      if (d.kind != ControlKind::PictureButton || control(d.control) != focus) continue;
      if (!IsWindowEnabled(focus)) return;
      if (const Procedure click = ClickProcedure(d.control)) Forward([&] { (form_->*click)(); });
      return;
    }
    return;
  }
  const int index = id - kFirstMenuId;
  if (index < 0 || index >= kMenuItemCount) return;
  const auto item = static_cast<MenuItem>(index);
  if (!MenuReachable(item)) return;
  if (const Procedure click = MenuProcedure(item)) Forward([&] { (form_->*click)(); });
}

LRESULT Win32Window::HandleControl(Control c, HWND hwnd, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
  const bool label = IsLabel(c);
  switch (message) {
    case WM_MOUSEMOVE: {
      const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      // A disabled control gets no mouse at all: its parent does, and shows
      // no hint for it.
      const Procedure hint = MouseMoveProcedure(c);
      if (PointerMoved(hwnd, lParam) && hint != nullptr && IsWindowEnabled(control(c))) {
        Forward([&] { (form_->*hint)(); });
      }
      return result;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      if (label && message == WM_LBUTTONDOWN && ClickProcedure(c) != nullptr) {
        pressedLabel_ = hwnd;
        SetCapture(hwnd);
      }
      // The control's own press first (the list selects its line), then
      // the procedure, whose drag takes the mouse from there.
      const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      if (const MouseDownProcedure down = MouseDownProcedureOf(c)) {
        const int button = ButtonValue(message);
        Forward([&] { (form_->*down)(button); });
      }
      return result;
    }
    case WM_LBUTTONDBLCLK:
      // The second press of a double click is no new press of a label.
      if (label) return 0;
      if (const Procedure dbl = DblClickProcedure(c); dbl != nullptr && hwnd == comboEdit(c)) {
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        if (IsWindowEnabled(control(c))) Forward([&] { (form_->*dbl)(); });
        return result;
      }
      break;
    case WM_LBUTTONUP:
      if (label) {
        const bool pressed = pressedLabel_ == hwnd;
        pressedLabel_ = nullptr;
        if (GetCapture() == hwnd) ReleaseCapture();
        RECT inside{};
        GetClientRect(hwnd, &inside);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const Procedure click = ClickProcedure(c);
        if (pressed && click != nullptr && PtInRect(&inside, at) != FALSE) {
          Forward([&] { (form_->*click)(); });
        }
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      if (hwnd == pressedLabel_ && reinterpret_cast<HWND>(lParam) != hwnd) pressedLabel_ = nullptr;
      break;
    case WM_DROPFILES:
      if (DesignOf(c).kind == ControlKind::ComboBox) {
        // Files dropped from Explorer on a folder field; the logic takes one
        // folder and refuses anything else.
        auto* drop = reinterpret_cast<HDROP>(wParam);
        std::vector<std::string> paths;
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
          std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
          path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
          paths.push_back(ToUtf8(path));
        }
        DragFinish(drop);
        Forward([&] { form_->FolderDropped(c, paths); });
        return 0;
      }
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void Win32Window::ShowEscaped(const std::string& description) {
  try {
    msgBox_(hwnd_ != nullptr && IsWindowVisible(hwnd_) ? hwnd_ : nullptr, ToWide(description),
            L"mirtel", MB_OK | MB_ICONERROR);
  } catch (...) {
  }
}

// Windows also sends a mouse move when a window appears or goes away under
// a pointer that stands still (the window opening, a box closing): hints
// follow the pointer's real moves only.
bool Win32Window::PointerMoved(HWND hwnd, LPARAM lParam) {
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(hwnd, &at);
  const bool moved = at.x != pointer_.x || at.y != pointer_.y;
  pointer_ = at;
  return moved;
}

bool Win32Window::PreTranslate(MSG& msg) {
  if (hwnd_ == nullptr || msg.hwnd == nullptr || !Holds(hwnd_, msg.hwnd)) return false;
  // A held Enter clicks the focused button once, not at the keyboard's
  // repeat rate.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && (msg.lParam & (1 << 30)) != 0) {
    return true;
  }
  // The shortcut keys work from anywhere in the window, also where a field
  // would take the key for itself (Ctrl+A in a text box).
  if (accelerators_ != nullptr && TranslateAcceleratorW(hwnd_, accelerators_, &msg) != 0) {
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

int Win32Window::RunMessageLoop() {
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// Only the last status before a paint is ever seen, and drawing the line
// costs more than a small file's copy.
void Win32Window::SetStatus(std::string_view text) {
  status_ = ToWide(text);
  statusPending_ = true;
  ScheduleFlush();
}

// The lines go in by the batch (the list is hidden during a job anyway).
void Win32Window::AppendResult(std::string_view line) {
  resultsPending_.push_back(ToWide(line));
  ScheduleFlush();
}

void Win32Window::ScheduleFlush() {
  if (flushScheduled_ || hwnd_ == nullptr) return;
  flushScheduled_ = SetTimer(hwnd_, kFlushTimer, kFlushMs, nullptr) != 0;
}

void Win32Window::Flush() {
  if (statusPending_) {
    statusPending_ = false;
    SetWindowTextW(control(Control::lblProcess), status_.c_str());
    RedrawLabel(Control::lblProcess);
  }
  HWND list = control(Control::lstResult);
  if (resultsPending_.empty() || list == nullptr) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (const std::wstring& line : resultsPending_) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  WidenList(resultsPending_);
  resultsPending_.clear();
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void Win32Window::Yield() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastYield_ < kYieldEvery) return;
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // For the loop that waits for it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  lastYield_ = std::chrono::steady_clock::now();
}

int Win32Window::MsgBox(std::string_view prompt, int buttons, std::string_view title) {
  Flush();
  const std::wstring text = ToWide(prompt);
  const std::wstring caption = title.empty() ? std::wstring(L"mirtel") : ToWide(title);
  HWND owner = hwnd_ != nullptr && IsWindowVisible(hwnd_) ? hwnd_ : nullptr;
  const int answer = msgBox_(owner, text, caption, static_cast<UINT>(buttons));
  if (answer == IDYES) return kIdYes;
  if (answer == IDNO) return kIdNo;
  // A box that could not be shown is a No where No is possible.
  return (buttons & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

void Win32Window::SetEnabled(Control c, bool enabled) {
  HWND h = control(c);
  if (h == nullptr) return;
  // The keyboard must not stay on a control that no longer takes it.
  if (!enabled && Holds(h, GetFocus())) {
    HWND next = GetNextDlgTabItem(hwnd_, h, FALSE);
    EnableWindow(h, FALSE);
    if (next != nullptr && next != h) ::SetFocus(next);
    return;
  }
  EnableWindow(h, enabled ? TRUE : FALSE);
}

bool Win32Window::IsEnabled(Control c) {
  return control(c) != nullptr && IsWindowEnabled(control(c)) != FALSE;
}

void Win32Window::SetVisible(Control c, bool visible) {
  HWND h = control(c);
  if (h == nullptr) return;
  if (visible) {
    if (c == Control::lstResult) Flush();  // shown complete, never filling up in view
    ShowWindow(h, SW_SHOWNA);
    return;
  }
  if (Holds(h, GetFocus())) {
    HWND next = GetNextDlgTabItem(hwnd_, h, FALSE);
    ShowWindow(h, SW_HIDE);
    if (next != nullptr && next != h) ::SetFocus(next);
    return;
  }
  ShowWindow(h, SW_HIDE);
}

void Win32Window::SetFocus(Control c) {
  if (control(c) != nullptr) ::SetFocus(control(c));
}

void Win32Window::SetCaption(Control label, std::string_view text) {
  if (!IsLabel(label) || control(label) == nullptr) return;
  if (label == Control::lblProcess) statusPending_ = false;  // the later text wins
  SetWindowTextW(control(label), ToWide(text).c_str());
  RedrawLabel(label);
}

std::string Win32Window::Caption(Control label) {
  if (label == Control::lblProcess && statusPending_) return ToUtf8(status_);
  return ToUtf8(WindowText(control(label)));
}

void Win32Window::SetBackColor(Control label, ColorRef color) {
  backColors_[Index(label)] = color;
  if (IsLabel(label)) RedrawLabel(label);
}

ComboBox& Win32Window::Combo(Control combo) {
  return combo == Control::cmbBackSaki ? static_cast<ComboBox&>(saki_) : moto_;
}

void Win32Window::SetDroppedWidth(Control combo, int pixels) {
  droppedWidths_[Index(combo)] = pixels;
  if (control(combo) == nullptr) return;
  // Wine keeps a wider list than a narrower width asks for; a width below
  // the field's own lets go of it first.
  SendMessageW(control(combo), CB_SETDROPPEDWIDTH, 1, 0);
  SendMessageW(control(combo), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(Scaled(pixels, dpi_)), 0);
}

void Win32Window::ClearList(Control list) {
  resultsPending_.clear();
  if (control(list) != nullptr) SendMessageW(control(list), LB_RESETCONTENT, 0, 0);
  listExtent_ = 0;
  if (control(list) != nullptr) SendMessageW(control(list), LB_SETHORIZONTALEXTENT, 0, 0);
}

int Win32Window::ListCount(Control list) {
  const LRESULT shown =
      control(list) != nullptr ? SendMessageW(control(list), LB_GETCOUNT, 0, 0) : 0;
  return static_cast<int>(shown > 0 ? shown : 0) + static_cast<int>(resultsPending_.size());
}

void Win32Window::Show() {
  if (hwnd_ == nullptr) return;
  GetCursorPos(&pointer_);
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  if (!Holds(hwnd_, GetFocus())) RestoreFocus();
}

void Win32Window::RestoreFocus() {
  if (hwnd_ == nullptr) return;
  HWND target = lastFocus_;
  if (target == nullptr || !IsChild(hwnd_, target) || !IsWindowEnabled(target) ||
      !IsWindowVisible(target)) {
    target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  }
  if (target != nullptr) ::SetFocus(target);
}

void Win32Window::SetBusyPointer(bool busy) {
  busy_ = busy;
  // The pointer changes now, not at the next move of the mouse.
  POINT at{};
  if (hwnd_ == nullptr || GetCursorPos(&at) == FALSE) return;
  HWND under = WindowFromPoint(at);
  if (!Holds(hwnd_, under)) return;
  const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
  SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
               MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

void Win32Window::Beep() { MessageBeep(MB_OK); }

void Win32Window::StartSystemDrag() {
  if (hwnd_ == nullptr) return;
  // The control that took the mouse lets go; the system then moves the
  // window as if its title bar had been grabbed.
  ReleaseCapture();
  SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Win32Window::Hide() {
  if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_HIDE);
}

void Win32Window::RequestClose() {
  if (hwnd_ != nullptr) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

}  // namespace mirtel
