// The Windows shell: the folder dialog, Explorer on a folder, the help page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/shell.h"
#include "platform/win32/view/view_api.h"

namespace mirtel {

class Win32Shell : public Shell {
 public:
  // `owner` owns the folder dialog (modal to it) and the help.
  explicit Win32Shell(HWND owner) : owner_(owner) {}

  std::optional<std::string> BrowseForFolder(std::string_view prompt) override;
  bool OpenFolder(const std::string& path) override;
  bool ShowHelp(const std::string& path) override;

 private:
  HWND owner_;
};

}  // namespace mirtel
