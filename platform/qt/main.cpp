// mirtel: copies one folder tree into another.
#include <QApplication>

#include "platform/program_folder.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_instance_lock.h"
#include "platform/qt/qt_program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  mirtel::PrepareApplication(app);

  mirtel::QtInstanceLock lock(mirtel::QtInstanceLock::DefaultPath());
  mirtel::QtProgram program(mirtel::ProgramFolder());

  if (!mirtel::Main(lock, program.form, program.window)) return 0;
  return QApplication::exec();
}
