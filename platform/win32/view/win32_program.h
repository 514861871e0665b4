// The program on Windows, wired together: the Win32 window and shell, the
// file system, the Recycle Bin, the codec and the clock, and the window's
// logic on top.
#pragma once

#include <memory>
#include <string>

#include "app/frm_mirtel.h"
#include "platform/file_system.h"
#include "platform/recycler.h"
#include "platform/win32/view/win32_shell.h"
#include "platform/win32/view/win32_window.h"
#include "platform/win32/win32_ansi_codec.h"
#include "platform/win32/win32_tick_clock.h"

namespace mirtel {

class Win32Program {
 public:
  // `programFolder` ends in the separator: mirtel.dat and the help live there.
  Win32Program(HINSTANCE instance, const std::string& programFolder);
  Win32Program(const Win32Program&) = delete;
  Win32Program& operator=(const Win32Program&) = delete;

  Win32Window window;
  Win32Shell shell;
  std::unique_ptr<FileSystem> fs;
  std::unique_ptr<Recycler> recycler;
  Win32AnsiCodec codec;
  Win32TickClock clock;
  FrmMirtel form;
};

}  // namespace mirtel
