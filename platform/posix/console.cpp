#include "platform/console.h"

#include <unistd.h>

#include <ctime>

namespace mirtel {

// Arguments are the bytes the shell gave, which is what the file system takes.
std::vector<std::string> ConsoleArgs(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::string LocalTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace mirtel
