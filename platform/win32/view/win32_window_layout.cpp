// Building the window from the design data, and scaling it to a DPI.
#include "platform/win32/view/win32_window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "app/res_strings.h"
#include "app/window_design.h"
#include "platform/win32/view/button_pictures.h"
#include "platform/win32/view/dpi.h"
#include "platform/win32/view/gothic_font.h"
#include "platform/win32/view/view_text.h"
#include "text/message.h"

namespace mirtel {

namespace {

constexpr wchar_t kFrameClass[] = L"mirtel.frmMirtel";
// A fixed frame: nothing moves the controls when the size changes.
constexpr DWORD kFrameStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFrameExStyle = 0;
// Lines of a folder field's drop-down list.
constexpr int kDropLines = 8;

bool TakesFocus(Control c) {
  const auto order = TabOrder();
  return std::find(order.begin(), order.end(), c) != order.end();
}

bool IsCopyPicture(const ControlDesign& d) { return d.control == Control::cmdBackUp; }

}  // namespace

std::vector<Control> WindowOrder() {
  std::vector<Control> order(TabOrder().begin(), TabOrder().end());
  for (const ControlDesign& d : ControlDesigns()) {
    if (!TakesFocus(d.control)) order.push_back(d.control);
  }
  return order;
}

void Win32Window::CreateFrame() {
  WNDCLASSEXW frameClass{};
  frameClass.cbSize = sizeof frameClass;
  if (GetClassInfoExW(instance_, kFrameClass, &frameClass) == FALSE) {
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = instance_;
    frameClass.hCursor = SystemCursor(IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    if (RegisterClassExW(&frameClass) == 0) {
      throw std::runtime_error(Text(Msg::CannotRegisterWindowClass));
    }
  }
  const std::wstring caption = ToWide(Text(Msg::WindowCaption));
  CreateWindowExW(kFrameExStyle, kFrameClass, caption.c_str(), kFrameStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr, nullptr, instance_, this);
  if (hwnd_ == nullptr) throw std::runtime_error(Text(Msg::CannotCreateWindow));

  BuildMenuBar();
  BuildAccelerators();
  CreateControls();
  ApplyDpi(DpiOf(hwnd_));
  const RECT frame = FrameFor({Scaled(kClientWidth, dpi_), Scaled(kClientHeight, dpi_)},
                              kFrameStyle, kFrameExStyle, true, dpi_);
  PlaceFrame(Scaled(kClientLeft, dpi_) + frame.left, Scaled(kClientTop, dpi_) + frame.top);
}

void Win32Window::CreateControls() {
  HWND above = nullptr;
  for (Control c : WindowOrder()) {
    const ControlDesign& d = DesignOf(c);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    const wchar_t* windowClass = WC_STATICW;
    std::wstring text;
    if (TakesFocus(c)) style |= WS_TABSTOP;
    switch (d.kind) {
      case ControlKind::PictureButton: {
        windowClass = WC_BUTTONW;
        style |= BS_PUSHBUTTON | (IsCopyPicture(d) ? BS_BITMAP : BS_ICON);
        // Not drawn beside the picture, but what a screen reader says.
        text = ToWide(LoadResString(d.hint));
        break;
      }
      case ControlKind::ComboBox:
        windowClass = WC_COMBOBOXW;
        style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
        exStyle |= WS_EX_ACCEPTFILES;  // a folder dropped from Explorer
        break;
      case ControlKind::ListBox:
        windowClass = WC_LISTBOXW;
        // Long lines (a failure with its reason) scroll sideways.
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::Label:
        // Drawn by the window itself: panels, and text over them. An "&" in
        // a file name shows as itself.
        style |= SS_OWNERDRAW | SS_NOTIFY | SS_NOPREFIX;
        break;
    }
    HWND h = CreateWindowExW(exStyle, windowClass, text.c_str(), style, 0, 0, 0, 0, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(c))), instance_,
                             nullptr);
    if (h == nullptr) throw std::runtime_error(Text(Msg::CannotCreateControl));
    SetWindowPos(h, above != nullptr ? above : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = h;
    controls_[Index(c)] = h;
    SetWindowSubclass(h, ControlProc, static_cast<UINT_PTR>(Index(c)),
                      reinterpret_cast<DWORD_PTR>(this));
    if (d.kind == ControlKind::ComboBox) {
      SetWindowTextW(h, ToWide(d.initialText).c_str());
      // Its double click, and a drop, land in its edit field.
      if (HWND edit = comboEdit(c)) {
        SetWindowLongW(edit, GWL_EXSTYLE, GetWindowLongW(edit, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
        SetWindowSubclass(edit, ControlProc, static_cast<UINT_PTR>(Index(c)),
                          reinterpret_cast<DWORD_PTR>(this));
      }
    }
  }
  moto_.Attach(control(Control::cmbBackMoto));
  saki_.Attach(control(Control::cmbBackSaki));
}

void Win32Window::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  const std::array<HFONT, 4> old = fonts_;
  for (FontId f : {FontId::Default, FontId::Gothic16, FontId::Gothic16Bold, FontId::Gothic15}) {
    const LOGFONTW font = DesignFont(f, dpi);
    fonts_[static_cast<std::size_t>(f)] = CreateFontIndirectW(&font);
  }
  for (const ControlDesign& d : ControlDesigns()) {
    HWND h = control(d.control);
    const RECT r = ScaledRect(d.rect, dpi);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[static_cast<std::size_t>(d.font)]),
                 FALSE);
    // A combo box's height includes its drop-down list.
    int height = r.bottom - r.top;
    if (d.kind == ControlKind::ComboBox) height += Scaled(kDropLines * 20, dpi);
    SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (d.kind == ControlKind::ComboBox) {
      FitCombo(d.control);
      SendMessageW(h, CB_SETMINVISIBLE, kDropLines, 0);
      if (droppedWidths_[Index(d.control)] > 0)
        SetDroppedWidth(d.control, droppedWidths_[Index(d.control)]);
    }
  }
  for (HFONT font : old) {
    if (font != nullptr) DeleteObject(font);
  }
  LoadPictures();
  ApplyStacking();
  WidenListToAll();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

// The field's closed height follows its font; the design fixes it. What
// CB_GETITEMHEIGHT reports is not always what CB_SETITEMHEIGHT took (Wine
// adds its padding), so the measured height steers.
void Win32Window::FitCombo(Control combo) {
  HWND h = control(combo);
  const RECT designed = ScaledRect(DesignOf(combo).rect, dpi_);
  const int wanted = designed.bottom - designed.top;
  LRESULT asked = SendMessageW(h, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (asked == CB_ERR) return;
  for (int attempt = 0; attempt < 4; ++attempt) {
    RECT now{};
    GetWindowRect(h, &now);
    const int height = now.bottom - now.top;
    if (height == wanted) return;
    asked = std::max<LRESULT>(1, asked + wanted - height);
    SendMessageW(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), asked);
  }
}

void Win32Window::PlaceFrame(int left, int top) {
  const SIZE client{Scaled(kClientWidth, dpi_), Scaled(kClientHeight, dpi_)};
  const RECT frame = FrameFor(client, kFrameStyle, kFrameExStyle, true, dpi_);
  SetWindowPos(hwnd_, nullptr, left, top, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // The system's own idea of the frame (a menu bar on two lines, metrics
  // of another DPI) wins: the client area is what must come out right.
  RECT got{};
  GetClientRect(hwnd_, &got);
  const int dx = client.cx - (got.right - got.left);
  const int dy = client.cy - (got.bottom - got.top);
  if (dx == 0 && dy == 0) return;
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left + dx, outer.bottom - outer.top + dy,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

RECT Win32Window::ClientRectOf(Control c) const {
  RECT r{};
  GetWindowRect(control(c), &r);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Win32Window::ApplyStacking() {
  const std::vector<Control> order = WindowOrder();
  auto place = [&](Control c) { return std::find(order.begin(), order.end(), c) - order.begin(); };
  const auto designs = ControlDesigns();
  for (std::size_t back = 0; back < designs.size(); ++back) {
    const Control behind = designs[back].control;
    const RECT mine = ClientRectOf(behind);
    HRGN region = nullptr;
    for (std::size_t front = 0; front < back; ++front) {
      const Control before = designs[front].control;
      RECT overlap{};
      const RECT theirs = ClientRectOf(before);
      if (place(before) < place(behind) || IntersectRect(&overlap, &mine, &theirs) == FALSE) {
        continue;
      }
      if (region == nullptr)
        region = CreateRectRgn(0, 0, mine.right - mine.left, mine.bottom - mine.top);
      OffsetRect(&overlap, -mine.left, -mine.top);
      HRGN hole = CreateRectRgnIndirect(&overlap);
      CombineRgn(region, region, hole, RGN_DIFF);
      DeleteObject(hole);
    }
    SetWindowRgn(control(behind), region, TRUE);  // the window owns the region now
  }
}

void Win32Window::LoadPictures() {
  for (const ControlDesign& d : ControlDesigns()) {
    if (d.picture.empty()) continue;
    const std::size_t i = static_cast<std::size_t>(Index(d.control));
    HANDLE old = pictures_[i];
    if (IsCopyPicture(d)) {
      pictures_[i] = LoadCopyPicture(instance_, d.picture, Scaled(kCopyPictureWidth, dpi_),
                                     Scaled(kCopyPictureHeight, dpi_));
      SendMessageW(control(d.control), BM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(pictures_[i]));
      if (old != nullptr) DeleteObject(old);
    } else {
      pictures_[i] =
          LoadPictureIcon(instance_, PictureResource(d.picture), Scaled(kIconPictureSize, dpi_));
      SendMessageW(control(d.control), BM_SETIMAGE, IMAGE_ICON,
                   reinterpret_cast<LPARAM>(pictures_[i]));
      if (old != nullptr) DestroyIcon(static_cast<HICON>(old));
    }
  }
  HICON large = LoadPictureIcon(instance_, kWindowIconResource, MetricAt(SM_CXICON, dpi_));
  HICON little = LoadPictureIcon(instance_, kWindowIconResource, MetricAt(SM_CXSMICON, dpi_));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(little));
  if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
  bigIcon_ = large;
  smallIcon_ = little;
}

void Win32Window::FreePictures() {
  for (const ControlDesign& d : ControlDesigns()) {
    HANDLE& picture = pictures_[static_cast<std::size_t>(Index(d.control))];
    if (picture == nullptr) continue;
    if (IsCopyPicture(d)) {
      DeleteObject(picture);
    } else {
      DestroyIcon(static_cast<HICON>(picture));
    }
    picture = nullptr;
  }
  if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
  bigIcon_ = smallIcon_ = nullptr;
}

void Win32Window::FreeFonts() {
  for (HFONT& font : fonts_) {
    if (font != nullptr) DeleteObject(font);
    font = nullptr;
  }
}

}  // namespace mirtel
