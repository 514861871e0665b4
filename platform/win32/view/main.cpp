// mirtel.exe: copies one folder tree into another.
#include "platform/win32/view/view_api.h"

#include <commctrl.h>
#include <objbase.h>

#include <exception>
#include <string>

#include "engine/error_trap.h"
#include "job/program_version.h"
#include "platform/console.h"
#include "platform/program_folder.h"
#include "platform/system_language.h"
#include "platform/win32/view/view_text.h"
#include "platform/win32/view/win32_instance_lock.h"
#include "platform/win32/view/win32_program.h"
#include "text/language_choice.h"

namespace {

// A window program has no console of its own: the text goes where its output
// was sent, else to the console it was started from, else into a box.
int PrintVersion() {
  const std::string text = mirtel::VersionText("mirtel");
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) out = GetStdHandle(STD_OUTPUT_HANDLE);
  }
  DWORD written = 0;
  if (out == nullptr || out == INVALID_HANDLE_VALUE ||
      !WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    MessageBoxW(nullptr, mirtel::ToWide(text).c_str(), L"mirtel", MB_OK);
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  mirtel::SetLanguage(
      mirtel::ChooseLanguage(mirtel::LanguageOverride(), mirtel::SystemMessagesLocale()));
  if (mirtel::AsksForVersion(mirtel::ConsoleArgs(0, nullptr))) return PrintVersion();
  // The folder dialog is a shell object: it wants COM, in an apartment.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);

  int exitCode = 0;
  try {
    mirtel::Win32InstanceLock lock;
    mirtel::Win32Program program(instance, mirtel::ProgramFolder());
    if (mirtel::Main(lock, program.form, program.window))
      exitCode = program.window.RunMessageLoop();
  } catch (...) {
    MessageBoxW(nullptr, mirtel::ToWide(mirtel::CurrentErrorDescription()).c_str(), L"mirtel",
                MB_OK | MB_ICONERROR);
    exitCode = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
