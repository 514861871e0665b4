#include "platform/program_folder.h"

#include <shlobj.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_path.h"

namespace mirtel {

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // truncated: a path longer than MAX_PATH
  }
  path.resize(path.rfind(L'\\') + 1);
  return WideToUtf8(path);
}

std::string UserSettingsFolder() {
  std::wstring folder;
  PWSTR known = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known))) {
    folder = known;
  }
  CoTaskMemFree(known);
  if (folder.empty()) return {};
  if (folder.back() != L'\\') folder += L'\\';
  return WideToUtf8(folder) + "mirtel\\";
}

bool CanWriteIn(const std::string& folder) {
  // Only trying tells: folder permissions, a read-only medium, and
  // Program Files' virtualisation all answer here.
  const std::wstring probe =
      ExtendedPath(folder + ".mirtel-write-" + std::to_string(GetCurrentProcessId()) + ".tmp");
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace mirtel
