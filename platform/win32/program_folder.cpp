#include "platform/program_folder.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

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

}  // namespace mirtel
