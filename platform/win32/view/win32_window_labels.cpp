// The six labels: white bordered panels, and text labels that draw no
// background of their own, so that the panel behind them shows through.
#include "platform/win32/view/win32_window.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/window_design.h"
#include "platform/win32/view/dpi.h"
#include "platform/win32/view/gothic_font.h"

namespace mirtel {

// Composed off screen and put on the screen at once: the frame's face, the
// labels behind this one from the back forward, then the label itself.
void Win32Window::PaintLabel(Control label, HDC target, const RECT& area) {
  const RECT mine = ClientRectOf(label);
  const int width = mine.right - mine.left;
  const int height = mine.bottom - mine.top;
  if (width <= 0 || height <= 0) return;
  HDC canvas = CreateCompatibleDC(target);
  HBITMAP pixels = CreateCompatibleBitmap(target, width, height);
  HGDIOBJ oldPixels = SelectObject(canvas, pixels);

  const RECT whole{0, 0, width, height};
  FillRect(canvas, &whole, GetSysColorBrush(COLOR_BTNFACE));
  std::vector<Control> behind;
  bool past = false;
  for (const ControlDesign& d : ControlDesigns()) {
    if (d.control == label) {
      past = true;
      continue;
    }
    RECT overlap{};
    const RECT theirs = ClientRectOf(d.control);
    if (past && d.kind == ControlKind::Label && IsWindowVisible(control(d.control)) != FALSE &&
        IntersectRect(&overlap, &mine, &theirs) != FALSE) {
      behind.push_back(d.control);
    }
  }
  for (auto it = behind.rbegin(); it != behind.rend(); ++it) {
    RECT face = ClientRectOf(*it);
    OffsetRect(&face, -mine.left, -mine.top);
    DrawLabelFace(canvas, *it, face);
  }
  DrawLabelFace(canvas, label, whole);

  BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, canvas,
         area.left, area.top, SRCCOPY);
  SelectObject(canvas, oldPixels);
  DeleteObject(pixels);
  DeleteDC(canvas);
}

void Win32Window::DrawLabelFace(HDC dc, Control label, const RECT& face) {
  const ControlDesign& d = DesignOf(label);
  if (d.opaque) {
    HBRUSH back = CreateSolidBrush(backColors_[static_cast<std::size_t>(Index(label))]);
    FillRect(dc, &face, back);
    DeleteObject(back);
  }
  RECT inner = face;
  if (d.border) {
    const int line = std::max(1, Scaled(1, dpi_));
    HBRUSH frame = GetSysColorBrush(COLOR_WINDOWTEXT);
    const RECT edges[] = {
        {face.left, face.top, face.right, face.top + line},
        {face.left, face.bottom - line, face.right, face.bottom},
        {face.left, face.top, face.left + line, face.bottom},
        {face.right - line, face.top, face.right, face.bottom},
    };
    for (const RECT& edge : edges) FillRect(dc, &edge, frame);
    InflateRect(&inner, -line, -line);
  }
  const std::wstring text = LabelText(label);
  if (text.empty()) return;
  InflateRect(&inner, -Scaled(1, dpi_), 0);
  // A warning too wide for the label is drawn smaller, so that its start
  // (the failures and the stop) is never the part cut.
  HFONT fitted = nullptr;
  if (warnings_[static_cast<std::size_t>(Index(label))]) {
    LOGFONTW font = DesignFont(d.font, dpi_);
    const int pixels = LabelTextPixels(label);
    if (pixels != std::abs(font.lfHeight)) {
      font.lfHeight = -pixels;
      fitted = CreateFontIndirectW(&font);
    }
  }
  HGDIOBJ oldFont =
      SelectObject(dc, fitted != nullptr ? fitted : fonts_[static_cast<std::size_t>(d.font)]);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, warnings_[static_cast<std::size_t>(Index(label))]
                       ? kWarningTextColor
                       : GetSysColor(COLOR_WINDOWTEXT));
  const UINT format =
      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (d.align == Align::Center ? DT_CENTER : DT_LEFT);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner, format);
  SelectObject(dc, oldFont);
  if (fitted != nullptr) DeleteObject(fitted);
}

// A label and the labels in front of it that show it through.
void Win32Window::RedrawLabel(Control label) {
  if (control(label) == nullptr) return;
  const RECT mine = ClientRectOf(label);
  for (const ControlDesign& d : ControlDesigns()) {
    RECT overlap{};
    const RECT theirs = ClientRectOf(d.control);
    if (d.control == label ||
        (d.kind == ControlKind::Label && IntersectRect(&overlap, &mine, &theirs) != FALSE)) {
      InvalidateRect(control(d.control), nullptr, FALSE);
    }
    if (d.control == label) break;
  }
}

std::wstring Win32Window::LabelText(Control label) const {
  HWND h = control(label);
  const int length = h != nullptr ? GetWindowTextLengthW(h) : 0;
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(h, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace mirtel
