// The desktop shell through Qt: folder dialog, file browser, help viewer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/shell.h"

class QWidget;

namespace mirtel {

class QtShell : public Shell {
 public:
  // `owner` is the window the folder dialog is modal to.
  explicit QtShell(QWidget* owner) : owner_(owner) {}

  std::optional<std::string> BrowseForFolder(std::string_view prompt) override;
  bool OpenFolder(const std::string& path) override;
  bool ShowHelp(const std::string& path) override;

 private:
  QWidget* owner_;
};

}  // namespace mirtel
