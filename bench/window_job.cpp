// mirtel_window_job SRC DST: one copy job through the real window, as a user
// runs it: the two folder fields filled in, the Copy button clicked, the
// result label read. Offscreen unless QT_QPA_PLATFORM says otherwise.
//
// Prints mirtel-cli's summary line, timed around the click only (the
// window's start-up is not the job), plus the CPU time of the same span:
//   copied=N found=0|1 failed=N removed=N seconds=S cpu=C
// Exits 1 when the job did not copy every file of SRC, or a message box
// came up.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "app/frm_mirtel.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_program.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "text/message.h"

namespace {

// The files the job has to copy: every regular file below `root`, links not
// followed.
long CountFiles(const std::filesystem::path& root) {
  long count = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file() && !it->is_symlink()) ++count;
  }
  if (ec) {
    std::cerr << "mirtel_window_job: cannot list " << root << ": " << ec.message() << '\n';
    return -1;
  }
  return count;
}

// Whole-process CPU seconds (the window's threads included).
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::cerr << "usage: mirtel_window_job SRC DST\n";
    return 2;
  }
  const long expected = CountFiles(argv[1]);
  if (expected < 0) return 2;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  mirtel::PrepareApplication(app);

  // mirtel.dat goes to a program folder of the job's own.
  QTemporaryDir programFolder;
  if (!programFolder.isValid()) {
    std::cerr << "mirtel_window_job: no temporary folder\n";
    return 2;
  }
  mirtel::QtProgram program(mirtel::ToUtf8(programFolder.path()) + "/");
  mirtel::QtWindow& window = program.window;
  mirtel::FrmMirtel& form = program.form;
  form.Form_Load();
  window.Show();
  QApplication::processEvents();

  // A message box would wait for a user forever: note it, close it, fail.
  bool boxSeen = false;
  QTimer boxWatch;
  QObject::connect(&boxWatch, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    boxSeen = true;
    std::cerr << "mirtel_window_job: message box: " << mirtel::ToUtf8(box->text()) << '\n';
    box->reject();
  });
  boxWatch.start(100);

  auto* moto = qobject_cast<QComboBox*>(window.control(mirtel::Control::cmbBackMoto));
  auto* saki = qobject_cast<QComboBox*>(window.control(mirtel::Control::cmbBackSaki));
  auto* copy = qobject_cast<QPushButton*>(window.control(mirtel::Control::cmdBackUp));
  moto->setEditText(QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath());
  saki->setEditText(QFileInfo(QFile::decodeName(argv[2])).absoluteFilePath());
  QApplication::processEvents();

  // The whole job runs inside the click, as it does for the user.
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  copy->click();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuStart;
  boxWatch.stop();

  const mirtel::JobState& job = form.Job();
  char line[192];
  std::snprintf(line, sizeof line, "copied=%d found=%d failed=%d removed=%d seconds=%.3f cpu=%.3f",
                static_cast<int>(job.CopiedCount), job.FoundFile ? 1 : 0,
                static_cast<int>(job.FailedCount), static_cast<int>(job.RemovedCount), seconds,
                cpu);
  std::cout << line << std::endl;

  const std::string label1 = window.Caption(mirtel::Control::Label1);
  const std::string wanted = mirtel::Text(mirtel::Msg::ResultCopied, expected);
  bool ok = true;
  if (label1 != wanted) {
    std::cerr << "mirtel_window_job: Label1 shows \"" << label1 << "\", not \"" << wanted << "\"\n";
    ok = false;
  }
  if (form.Copying() || !copy->isEnabled()) {
    std::cerr << "mirtel_window_job: the window did not return to idle\n";
    ok = false;
  }
  if (boxSeen) ok = false;
  return ok ? 0 : 1;
}
