// Dots per inch of a window, and the design's 96-dpi pixels scaled to them.
#pragma once

#include "app/window_design.h"
#include "platform/win32/view/view_api.h"

namespace mirtel {

inline constexpr UINT kDesignDpi = 96;

// GetDpiForWindow where the system has it (Windows 10 1607 on); 96 before,
// where the manifest's per-monitor setting is unknown and the system scales
// the whole window instead.
UINT DpiOf(HWND window);

inline int Scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), 96); }

// Edges are scaled, not sizes, so that controls that touch at 96 dpi still
// touch and those that overlap by one pixel still overlap.
RECT ScaledRect(const Rect& r, UINT dpi);

// The frame around a client area of `client` size at `dpi`.
RECT FrameFor(SIZE client, DWORD style, DWORD exStyle, bool menu, UINT dpi);

// A system metric (SM_CXICON, ...) at `dpi`.
int MetricAt(int index, UINT dpi);

// The system's message font at `dpi`.
LOGFONTW MessageFontAt(UINT dpi);

}  // namespace mirtel
