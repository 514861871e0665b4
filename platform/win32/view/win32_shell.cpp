#include "platform/win32/view/win32_shell.h"

#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/view/view_text.h"

namespace mirtel {

namespace {

// ShellExecuteW reports success as a value above 32.
bool Succeeded(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

}  // namespace

std::optional<std::string> Win32Shell::BrowseForFolder(std::string_view prompt) {
  const std::wstring title = ToWide(prompt);
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW request{};
  request.hwndOwner = IsWindow(owner_) != FALSE ? owner_ : nullptr;
  request.pszDisplayName = displayName;
  request.lpszTitle = title.c_str();
  // No edit box, no new-folder button, and from the top of the tree.
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&request);
  if (chosen == nullptr) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  SHGetPathFromIDListW(chosen, path);
  CoTaskMemFree(chosen);
  return ToUtf8(path);
}

bool Win32Shell::OpenFolder(const std::string& path) {
  const std::wstring folder = ToWide(path);
  return Succeeded(
      ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL));
}

bool Win32Shell::ShowHelp(const std::string& path) {
  const std::wstring page = ToWide(path);
  HWND owner = IsWindow(owner_) != FALSE ? owner_ : nullptr;
  return Succeeded(ShellExecuteW(owner, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

}  // namespace mirtel
