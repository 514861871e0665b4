// The desktop shell: the folder chooser, the file browser and the help viewer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirtel {

class Shell {
 public:
  virtual ~Shell() = default;
  // The system's folder dialog, folders of the file system only, starting at
  // the top of the tree, with `prompt` above the tree. nullopt on cancel.
  virtual std::optional<std::string> BrowseForFolder(std::string_view prompt) = 0;
  // Opens `path` in the file browser; false when that failed.
  virtual bool OpenFolder(const std::string& path) = 0;
  // Opens the help document at its topics page; false when that failed.
  virtual bool ShowHelp(const std::string& path) = 0;
};

}  // namespace mirtel
