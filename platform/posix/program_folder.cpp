#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace mirtel {

std::string ProgramFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return "./";
    if (static_cast<std::size_t>(n) < buffer.size()) {
      const std::string exe(buffer.data(), static_cast<std::size_t>(n));
      return exe.substr(0, exe.rfind('/') + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string UserSettingsFolder() {
  // Only an absolute XDG_CONFIG_HOME counts, as the basedir rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const passwd* user = ::getpwuid(::getuid());
      home = user != nullptr ? user->pw_dir : "/";
    }
    base = std::string(home);
    if (base.empty() || base.back() != '/') base += '/';
    base += ".config";
  }
  if (base.back() != '/') base += '/';
  return base + "mirtel/";
}

ProgramFolderUse SettingsBesideProgram(const std::string& folder) {
  // An installed program is shared by every user of the machine; one history
  // beside it would be everyone's (or root's alone).
  for (const char* system : {"/usr/", "/opt/", "/bin/", "/sbin/", "/lib/", "/lib64/", "/snap/"}) {
    if (folder.rfind(system, 0) == 0) return ProgramFolderUse::Never;
  }
  return ProgramFolderUse::IfThere;
}

}  // namespace mirtel
