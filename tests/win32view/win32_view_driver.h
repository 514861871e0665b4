// The view suite's driver for the native window, in this process; the
// Win32-only tests use its helpers too.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/recycler.h"
#include "platform/win32/view/win32_window.h"
#include "platform/win32/win32_ansi_codec.h"
#include "platform/win32/win32_tick_clock.h"
#include "tests/view/view_driver.h"

namespace mirtel::test {

std::wstring TextOf(HWND window);
// What Explorer hands a window that files are dropped on.
HGLOBAL DropOf(const std::vector<std::wstring>& paths);

class Win32ViewDriver : public ViewDriver {
 public:
  explicit Win32ViewDriver(const std::string& programFolder);
  ~Win32ViewDriver() override;

  Window& window() override { return *window_; }
  FrmMirtel& form() override { return *form_; }
  void LoadAndShow() override;
  bool IsOpen() override;
  int Dpi() override { return static_cast<int>(window_->dpi()); }
  Rect ClientArea() override;
  bool Resizable() override;
  Rect Placed(Control c) override;
  bool Shown(Control c) override { return IsWindowVisible(W(c)) != FALSE; }
  bool TakesFocus(Control c) override;
  std::optional<Control> ControlAt(int x, int y) override;
  std::optional<Control> Focused() override;
  std::vector<MenuEntry> MenuBar() override;
  std::string ToolTip(Control c) override;
  std::string LastListLine() override;
  bool ListScrollsSideways() override;
  bool DrawnInWarningColour(Control label) override;
  void Press(Key key, bool control = false, bool shift = false) override;
  void Click(Control c) override;
  void Choose(MenuItem item) override;
  void MouseMove(Control c) override;
  void PressRelease(Control c, Button button, bool releasedInside = true) override;
  void DoubleClick(Control c) override;
  bool PressDrags(std::optional<Control> c, Button button) override;
  void Drop(Control combo, const std::vector<std::string>& paths) override;

  Win32Window& win32() { return *window_; }
  HWND W(Control c) const { return window_->control(c); }
  HWND Main() const { return window_->handle(); }
  // Sends a key through the window's own keyboard handling, as the loop does.
  void SendKey(UINT key, bool control = false, bool shift = false);
  void Pump();
  // A pixel of a label as the window paints it.
  COLORREF PixelOf(Control label, int x, int y);
  bool quit = false;  // the loop was told to end

 private:
  std::unique_ptr<Win32Window> window_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Recycler> recycler_;
  Win32AnsiCodec codec_;
  Win32TickClock clock_;
  std::unique_ptr<FrmMirtel> form_;
};

}  // namespace mirtel::test
