// The program on Linux, wired together: the Qt window and shell, the file
// system, the Trash, the codec and the clock, and the window's logic on top.
#pragma once

#include <memory>
#include <string>

#include "app/frm_mirtel.h"
#include "platform/file_system.h"
#include "platform/posix/posix_ansi_codec.h"
#include "platform/posix/posix_tick_clock.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_window.h"
#include "platform/recycler.h"

namespace mirtel {

class QtProgram {
 public:
  // `programFolder` ends in the separator: mirtel.dat and the help live there.
  explicit QtProgram(const std::string& programFolder);
  QtProgram(const QtProgram&) = delete;
  QtProgram& operator=(const QtProgram&) = delete;

  QtWindow window;
  QtShell shell;
  std::unique_ptr<FileSystem> fs;
  std::unique_ptr<Recycler> recycler;
  PosixAnsiCodec codec;
  PosixTickClock clock;
  FrmMirtel form;
};

}  // namespace mirtel
