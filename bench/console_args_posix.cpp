#include "bench/console_args.h"

namespace mirtel {

// Arguments are the bytes the shell gave, which is what the file system takes.
std::vector<std::string> ConsoleArgs(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace mirtel
