// mirtel: copies one folder tree into another.
#include <QApplication>
#include <QMainWindow>

#include "app/frm_mirtel.h"
#include "platform/native_file_system.h"
#include "platform/posix/posix_ansi_codec.h"
#include "platform/posix/posix_tick_clock.h"
#include "platform/program_folder.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_instance_lock.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  mirtel::PrepareApplication(app);

  mirtel::QtInstanceLock lock(mirtel::QtInstanceLock::DefaultPath());
  mirtel::QtWindow window;
  mirtel::QtShell shell(window.widget());
  const auto fs = mirtel::MakeNativeFileSystem();
  const auto recycler = mirtel::MakeNativeRecycler(*fs);
  mirtel::PosixAnsiCodec codec;
  mirtel::PosixTickClock clock;
  mirtel::FrmMirtel form(
      mirtel::AppPlatform{window, shell, *fs, *recycler, codec, clock, mirtel::ProgramFolder()});
  window.Connect(form);

  if (!mirtel::Main(lock, form, window)) return 0;
  return QApplication::exec();
}
