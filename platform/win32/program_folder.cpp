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

namespace {

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

// True when `folder` lies in the known folder `id` (compared without case).
bool LiesIn(const std::wstring& folder, REFKNOWNFOLDERID id) {
  PWSTR known = nullptr;
  bool inside = false;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &known)) && known != nullptr) {
    std::wstring base = known;
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    inside = folder.size() >= base.size() &&
             CompareStringOrdinal(folder.c_str(), static_cast<int>(base.size()), base.c_str(),
                                  static_cast<int>(base.size()), TRUE) == CSTR_EQUAL;
  }
  CoTaskMemFree(known);
  return inside;
}

}  // namespace

ProgramFolderUse SettingsBesideProgram(const std::string& folder) {
  const std::wstring wide = Utf8ToWide(folder);
  for (const KNOWNFOLDERID* id :
       {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_Windows}) {
    if (LiesIn(wide, *id)) return ProgramFolderUse::Never;
  }
  return CanWriteIn(folder) ? ProgramFolderUse::Portable : ProgramFolderUse::IfThere;
}

}  // namespace mirtel
