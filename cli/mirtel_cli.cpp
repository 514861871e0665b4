// mirtel-cli: a copy job without the window, for scheduled runs.
#include <atomic>
#include <iostream>

#include "cli/cli_job.h"
#include "job/settings_location.h"
#include "platform/console.h"
#include "platform/interrupt.h"
#include "platform/native_ansi_codec.h"
#include "platform/native_file_system.h"
#include "platform/program_folder.h"
#include "platform/system_language.h"
#include "platform/volume_identity.h"
#include "text/language_choice.h"

int main(int argc, char** argv) {
  mirtel::SetLanguage(
      mirtel::ChooseLanguage(mirtel::LanguageOverride(), mirtel::SystemMessagesLocale()));
  static std::atomic<bool> interrupted{false};
  mirtel::SetFlagOnInterrupt(interrupted);
  // A job prints a line per item: keep stdout buffered.
  std::ios::sync_with_stdio(false);

  const std::vector<std::string> args = mirtel::ConsoleArgs(argc, argv);
  const auto fs = mirtel::MakeNativeFileSystem();
  const auto recycler = mirtel::MakeNativeRecycler(*fs);
  const auto codec = mirtel::MakeNativeAnsiCodec();
  // The window's history and the saved jobs, found by the window's own rules.
  const std::string programFolder = mirtel::ProgramFolder();
  mirtel::CliPlatform platform{
      *fs,
      *recycler,
      *codec,
      mirtel::ChooseSettingsFolder(*fs, programFolder, mirtel::UserSettingsFolder(),
                                   mirtel::SettingsBesideProgram(programFolder)),
      mirtel::StderrIsTerminal(),
      mirtel::VolumeIdentity};
  const int status = mirtel::CliMain(args, platform, std::cout, std::cerr, interrupted);
  std::cout.flush();
  mirtel::InterruptHandled();
  return status;
}
