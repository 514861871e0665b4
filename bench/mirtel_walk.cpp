// mirtel_walk SRC DST [--sync] [--verbose]: a copy job without the window.
#include <atomic>
#include <iostream>

#include "bench/console_args.h"
#include "bench/walk_runner.h"
#include "platform/interrupt.h"
#include "platform/native_file_system.h"

int main(int argc, char** argv) {
  static std::atomic<bool> interrupted{false};
  mirtel::SetFlagOnInterrupt(interrupted);
  // Verbose walks print a line per entry: keep stdout buffered.
  std::ios::sync_with_stdio(false);

  const std::vector<std::string> args = mirtel::ConsoleArgs(argc, argv);
  const auto fs = mirtel::MakeNativeFileSystem();
  const auto recycler = mirtel::MakeNativeRecycler(*fs);
  return mirtel::WalkMain(args, *fs, *recycler, std::cout, std::cerr, interrupted);
}
