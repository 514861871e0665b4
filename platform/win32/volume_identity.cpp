#include "platform/volume_identity.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_api.h"

namespace mirtel {

std::string VolumeIdentity(const std::string& folder) {
  const std::wstring path = Utf8ToWide(folder);
  // The root of the volume the folder lies on: a drive, a mounted folder,
  // or a share.
  std::wstring root(path.size() + MAX_PATH, L'\0');
  if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
  root.resize(wcslen(root.c_str()));
  DWORD serial = 0;
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
    return {};
  }
  char text[16];
  std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(serial));
  return std::string("serial:") + text;
}

}  // namespace mirtel
