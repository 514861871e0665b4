#include "platform/win32/view/dpi.h"

#include <cstring>

namespace mirtel {

namespace {

// A function of user32 that older systems lack; null there.
template <class F>
F User32Function(const char* name) {
  FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
  F f = nullptr;
  static_assert(sizeof f == sizeof found);
  std::memcpy(&f, &found, sizeof f);
  return f;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using MetricsForDpiFn = int(WINAPI*)(int, UINT);
using ParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

}  // namespace

UINT DpiOf(HWND window) {
  static const auto getDpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpi == nullptr || window == nullptr) return kDesignDpi;
  const UINT dpi = getDpi(window);
  return dpi != 0 ? dpi : kDesignDpi;
}

RECT ScaledRect(const Rect& r, UINT dpi) {
  return RECT{Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.left + r.width, dpi),
              Scaled(r.top + r.height, dpi)};
}

RECT FrameFor(SIZE client, DWORD style, DWORD exStyle, bool menu, UINT dpi) {
  static const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT r{0, 0, client.cx, client.cy};
  if (adjust != nullptr) {
    adjust(&r, style, menu ? TRUE : FALSE, exStyle, dpi);
  } else {
    AdjustWindowRectEx(&r, style, menu ? TRUE : FALSE, exStyle);
  }
  return r;
}

int MetricAt(int index, UINT dpi) {
  static const auto metrics = User32Function<MetricsForDpiFn>("GetSystemMetricsForDpi");
  if (metrics != nullptr) return metrics(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

LOGFONTW MessageFontAt(UINT dpi) {
  static const auto parameters = User32Function<ParametersForDpiFn>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (parameters != nullptr &&
      parameters(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) != FALSE) {
    return metrics.lfMessageFont;
  }
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != FALSE) {
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(SystemDpi()));
    return metrics.lfMessageFont;
  }
  LOGFONTW fallback{};
  fallback.lfHeight = -Scaled(12, dpi);
  fallback.lfCharSet = DEFAULT_CHARSET;
  return fallback;
}

}  // namespace mirtel
