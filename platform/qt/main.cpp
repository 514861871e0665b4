// mirtel: copies one folder tree into another.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "job/program_version.h"

#include "platform/program_folder.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_instance_lock.h"
#include "platform/qt/qt_program.h"
#include "platform/system_language.h"
#include "text/language_choice.h"

int main(int argc, char* argv[]) {
  mirtel::SetLanguage(
      mirtel::ChooseLanguage(mirtel::LanguageOverride(), mirtel::SystemMessagesLocale()));
  // Answered before Qt starts: no display is needed to ask.
  if (mirtel::AsksForVersion(std::vector<std::string>(argv + 1, argv + argc))) {
    std::cout << mirtel::VersionText("mirtel");
    return 0;
  }
  QApplication app(argc, argv);
  mirtel::PrepareApplication(app);

  mirtel::QtInstanceLock lock(mirtel::QtInstanceLock::DefaultPath());
  mirtel::QtProgram program(mirtel::ProgramFolder());

  if (!mirtel::Main(lock, program.form, program.window)) return 0;
  return QApplication::exec();
}
