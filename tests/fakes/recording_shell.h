// The shell, recorded: the folder dialog answers what the test says.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.h"

namespace mirtel::test {

class RecordingShell : public Shell {
 public:
  std::optional<std::string> BrowseForFolder(std::string_view prompt) override {
    prompts.emplace_back(prompt);
    return chosen;
  }
  bool OpenFolder(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  bool ShowHelp(const std::string& path) override {
    helped.push_back(path);
    return true;
  }
  std::optional<std::string> chosen;
  std::vector<std::string> prompts, opened, helped;
};

}  // namespace mirtel::test
