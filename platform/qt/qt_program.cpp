#include "platform/qt/qt_program.h"

#include <QMainWindow>  // the window as the shell's parent widget

#include "platform/native_file_system.h"

namespace mirtel {

QtProgram::QtProgram(const std::string& programFolder)
    : shell(window.widget()),
      fs(MakeNativeFileSystem()),
      recycler(MakeNativeRecycler(*fs)),
      form(AppPlatform{window, shell, *fs, *recycler, codec, clock, programFolder}) {
  window.Connect(form);
}

}  // namespace mirtel
