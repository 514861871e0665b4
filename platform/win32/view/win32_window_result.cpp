// The job's result as the window shows it: the result label in the warning
// colour with the whole line as its tooltip, and a result list that
// scrolls sideways to its widest line.
#include "platform/win32/view/win32_window.h"
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <algorithm>

#include "app/window_design.h"
#include "platform/win32/view/dpi.h"
#include "platform/win32/view/gothic_font.h"
#include "platform/win32/view/view_text.h"

namespace mirtel {

void Win32Window::SetWarning(Control label, bool warning) {
  warnings_[static_cast<std::size_t>(Index(label))] = warning;
  if (IsLabel(label)) RedrawLabel(label);
}

int Win32Window::LabelTextPixels(Control label) const {
  const ControlDesign& d = DesignOf(label);
  LOGFONTW font = DesignFont(d.font, dpi_);
  const int design = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
  if (!warnings_[static_cast<std::size_t>(Index(label))] || design == 0) return design;
  const std::wstring text = LabelText(label);
  const RECT rect = ClientRectOf(label);
  const int line = d.border ? std::max(1, Scaled(1, dpi_)) : 0;
  const int room = rect.right - rect.left - 2 * line - 2 * Scaled(1, dpi_);
  const int floor = (design * kWarningFontFloorPercent + 99) / 100;
  HDC dc = GetDC(nullptr);
  int pixels = design;
  for (; pixels > floor; --pixels) {
    font.lfHeight = -pixels;
    HFONT trial = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, trial);
    SIZE size{};
    const bool fits =
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) != FALSE &&
        size.cx <= room;
    SelectObject(dc, old);
    DeleteObject(trial);
    if (fits) break;
  }
  ReleaseDC(nullptr, dc);
  return pixels;
}

void Win32Window::SetToolTip(Control c, std::string_view text) {
  HWND h = control(c);
  if (h == nullptr || hwnd_ == nullptr) return;
  if (toolTip_ == nullptr) {
    toolTip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    if (toolTip_ == nullptr) return;
    // Long lines wrap instead of running off the screen.
    SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, Scaled(480, dpi_));
  }
  std::wstring wide = ToWide(text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(h);
  tool.lpszText = wide.data();
  bool& has = hasToolTip_[static_cast<std::size_t>(Index(c))];
  if (wide.empty()) {
    if (has) SendMessageW(toolTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    has = false;
  } else if (has) {
    SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  } else {
    has = SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
  }
}

void Win32Window::WidenList(const std::vector<std::wstring>& lines) {
  HWND list = control(Control::lstResult);
  if (list == nullptr || lines.empty()) return;
  HDC dc = GetDC(list);
  if (dc == nullptr) return;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  int widest = listExtent_;
  for (const std::wstring& line : lines) {
    SIZE size{};
    if (GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size) != FALSE &&
        size.cx > widest) {
      widest = size.cx;
    }
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  if (widest == listExtent_) return;
  listExtent_ = widest;
  // A few pixels past the text, as the list's own margin.
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + Scaled(6, dpi_)), 0);
}

void Win32Window::WidenListToAll() {
  HWND list = control(Control::lstResult);
  if (list == nullptr) return;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  std::vector<std::wstring> lines;
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) continue;
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<std::size_t>(length));
    lines.push_back(std::move(line));
  }
  listExtent_ = 0;
  SendMessageW(list, LB_SETHORIZONTALEXTENT, 0, 0);
  WidenList(lines);
}

}  // namespace mirtel
