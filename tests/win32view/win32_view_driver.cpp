#include "tests/win32view/win32_view_driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

#include "platform/native_file_system.h"
#include "platform/win32/view/view_text.h"

namespace mirtel::test {
namespace {

// Records the system drags the window asks for, and keeps the system out.
LRESULT CALLBACK CatchDrag(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR count) {
  if (message == WM_NCLBUTTONDOWN && wParam == HTCAPTION) {
    ++*reinterpret_cast<int*>(count);
    return 0;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

constexpr LPARAM kInside = MAKELPARAM(2, 2);

struct Messages {
  UINT down, up;
  WPARAM held;
};

Messages MessagesOf(Button button) {
  switch (button) {
    case Button::Left:
      break;
    case Button::Right:
      return {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON};
    case Button::Middle:
      return {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON};
  }
  return {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON};
}

}  // namespace

HGLOBAL DropOf(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

Win32ViewDriver::Win32ViewDriver(const std::string& programFolder) {
  window_ = std::make_unique<Win32Window>(GetModuleHandleW(nullptr));
  window_->SetMsgBoxFunction(
      [this](HWND, const std::wstring& text, const std::wstring& title, UINT type) {
        boxes.push_back({WithoutCarriageReturns(ToUtf8(text)), ToUtf8(title),
                         (type & MB_TYPEMASK) == MB_YESNO, (type & MB_DEFMASK) == MB_DEFBUTTON2});
        if (answers.empty()) return IDCANCEL;
        const BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer == BoxAnswer::Yes ? IDYES : answer == BoxAnswer::No ? IDNO : IDOK;
      });
  fs_ = MakeNativeFileSystem();
  recycler_ = MakeNativeRecycler(*fs_);
  form_ = std::make_unique<FrmMirtel>(
      AppPlatform{*window_, shell, *fs_, *recycler_, codec_, clock_, programFolder, ""});
  window_->Connect(*form_);
}

Win32ViewDriver::~Win32ViewDriver() {
  form_.reset();
  window_.reset();
}

void Win32ViewDriver::LoadAndShow() {
  form_->Form_Load();
  window_->Show();
  Pump();
}

bool Win32ViewDriver::IsOpen() { return Main() != nullptr && IsWindow(Main()) != FALSE; }

Rect Win32ViewDriver::ClientArea() {
  RECT client{};
  GetClientRect(Main(), &client);
  return {0, 0, client.right, client.bottom};
}

bool Win32ViewDriver::Resizable() {
  return (GetWindowLongW(Main(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX)) != 0;
}

Rect Win32ViewDriver::Placed(Control c) {
  RECT r{};
  GetWindowRect(W(c), &r);
  MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool Win32ViewDriver::TakesFocus(Control c) {
  return (GetWindowLongW(W(c), GWL_STYLE) & WS_TABSTOP) != 0;
}

std::optional<Control> Win32ViewDriver::ControlAt(int x, int y) {
  POINT at{x, y};
  ClientToScreen(Main(), &at);
  HWND hit = WindowFromPoint(at);
  while (hit != nullptr && GetParent(hit) != Main()) hit = GetParent(hit);
  for (const ControlDesign& d : ControlDesigns()) {
    if (W(d.control) == hit) return d.control;
  }
  return std::nullopt;
}

std::optional<Control> Win32ViewDriver::Focused() {
  const HWND focus = GetFocus();
  for (const ControlDesign& d : ControlDesigns()) {
    if (W(d.control) == focus || IsChild(W(d.control), focus)) return d.control;
  }
  return std::nullopt;
}

std::vector<MenuEntry> Win32ViewDriver::MenuBar() {
  auto caption = [](HMENU menu, int at) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(at), text, 128, MF_BYPOSITION);
    return ToUtf8(text);
  };
  std::vector<MenuEntry> bar;
  HMENU menu = GetMenu(Main());
  for (int top = 0; top < GetMenuItemCount(menu); ++top) {
    MenuEntry entry;
    entry.caption = caption(menu, top);
    HMENU submenu = GetSubMenu(menu, top);
    for (int at = 0; submenu != nullptr && at < GetMenuItemCount(submenu); ++at) {
      const UINT state = GetMenuState(submenu, static_cast<UINT>(at), MF_BYPOSITION);
      MenuEntry item;
      item.separator = (state & MF_SEPARATOR) != 0;
      item.checked = (state & MF_CHECKED) != 0;
      item.enabled = (state & MF_GRAYED) == 0;
      if (!item.separator) {
        item.caption = caption(submenu, at);
        if (const std::size_t tab = item.caption.find('\t'); tab != std::string::npos) {
          item.shortcut = item.caption.substr(tab + 1);
          item.caption.resize(tab);
        }
      }
      entry.items.push_back(item);
    }
    bar.push_back(entry);
  }
  return bar;
}

std::string Win32ViewDriver::ToolTip(Control c) {
  HWND tip = nullptr;
  while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
    if (GetWindow(tip, GW_OWNER) == Main()) break;
  }
  if (tip == nullptr) return {};
  wchar_t text[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = Main();
  tool.uId = reinterpret_cast<UINT_PTR>(W(c));
  tool.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  return ToUtf8(text);
}

std::string Win32ViewDriver::LastListLine() {
  HWND list = W(Control::lstResult);
  const LRESULT lines = SendMessageW(list, LB_GETCOUNT, 0, 0);
  if (lines < 1) return {};
  std::wstring last(static_cast<std::size_t>(
                        SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(lines - 1), 0)) +
                        1,
                    L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(lines - 1),
               reinterpret_cast<LPARAM>(last.data()));
  return ToUtf8(last.c_str());
}

bool Win32ViewDriver::ListScrollsSideways() {
  HWND list = W(Control::lstResult);
  RECT area{};
  GetClientRect(list, &area);
  return (GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL) != 0 &&
         SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0) > area.right;
}

bool Win32ViewDriver::DrawnInWarningColour(Control label) {
  const Rect area = Placed(label);
  for (int x = 2; x < area.width - 2; ++x) {
    for (int y = 2; y < area.height - 2; y += 2) {
      const COLORREF c = PixelOf(label, x, y);
      if (GetRValue(c) > 120 && GetGValue(c) < 90 && GetBValue(c) < 90) return true;
    }
  }
  return false;
}

void Win32ViewDriver::SendKey(UINT key, bool control, bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = control ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    MSG msg{GetFocus() != nullptr ? GetFocus() : Main(), message, key, 0, 0, {}};
    if (!window_->PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  Pump();
}

void Win32ViewDriver::Press(test::Key key, bool control, bool shift) {
  switch (key) {
    case test::Key::Tab:
      return SendKey(VK_TAB, control, shift);
    case test::Key::Enter:
    case test::Key::KeypadEnter:
      return SendKey(VK_RETURN, control, shift);
    case test::Key::Space:
      return SendKey(VK_SPACE, control, shift);
    case test::Key::Escape:
      return SendKey(VK_ESCAPE, control, shift);
    case test::Key::F1:
      return SendKey(VK_F1, control, shift);
    case test::Key::A:
      return SendKey('A', control, shift);
    case test::Key::Q:
      return SendKey('Q', control, shift);
  }
}

void Win32ViewDriver::Pump() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      continue;
    }
    if (window_->PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32ViewDriver::Click(Control c) {
  SendMessageW(W(c), BM_CLICK, 0, 0);
  Pump();
}

void Win32ViewDriver::Choose(MenuItem item) {
  SendMessageW(Main(), WM_COMMAND, static_cast<WPARAM>(MenuId(item)), 0);
  Pump();
}

void Win32ViewDriver::MouseMove(Control c) { SendMessageW(W(c), WM_MOUSEMOVE, 0, kInside); }

void Win32ViewDriver::PressRelease(Control c, Button button, bool releasedInside) {
  const Messages m = MessagesOf(button);
  SendMessageW(W(c), m.down, m.held, kInside);
  SendMessageW(W(c), m.up, 0, releasedInside ? kInside : MAKELPARAM(-20, 2));
}

void Win32ViewDriver::DoubleClick(Control c) {
  PressRelease(c, Button::Left);
  SendMessageW(W(c), WM_LBUTTONDBLCLK, MK_LBUTTON, kInside);
  SendMessageW(W(c), WM_LBUTTONUP, 0, kInside);
}

bool Win32ViewDriver::PressDrags(std::optional<Control> c, Button button) {
  int drags = 0;
  SetWindowSubclass(Main(), CatchDrag, 1, reinterpret_cast<DWORD_PTR>(&drags));
  if (c) {
    PressRelease(*c, button);
  } else {
    // The background right of the mode panel, below the buttons.
    const LPARAM at = MAKELPARAM(MulDiv(458, Dpi(), 96), MulDiv(2, Dpi(), 96));
    const Messages m = MessagesOf(button);
    SendMessageW(Main(), m.down, m.held, at);
    SendMessageW(Main(), m.up, 0, at);
  }
  RemoveWindowSubclass(Main(), CatchDrag, 1);
  return drags > 0;
}

void Win32ViewDriver::Drop(Control combo, const std::vector<std::string>& paths) {
  std::vector<std::wstring> wide;
  for (const std::string& path : paths) wide.push_back(ToWide(path));
  // The window frees the drop.
  SendMessageW(W(combo), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(wide)), 0);
  Pump();
}

COLORREF Win32ViewDriver::PixelOf(Control label, int x, int y) {
  const Rect r = Placed(label);
  HDC screen = GetDC(nullptr);
  HDC canvas = CreateCompatibleDC(screen);
  HBITMAP pixels = CreateCompatibleBitmap(screen, r.width, r.height);
  HGDIOBJ old = SelectObject(canvas, pixels);
  SendMessageW(W(label), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas), PRF_CLIENT);
  const COLORREF color = GetPixel(canvas, x, y);
  SelectObject(canvas, old);
  DeleteObject(pixels);
  DeleteDC(canvas);
  ReleaseDC(nullptr, screen);
  return color;
}

std::unique_ptr<ViewDriver> MakeViewDriver(const std::string& programFolder) {
  return std::make_unique<Win32ViewDriver>(programFolder);
}

}  // namespace mirtel::test
