// Generated trees copied, changed and synced by whole jobs on the real file
// system, each result checked against the oracle (tests/realtrees/seed_run.h).
// MIRTEL_FUZZ_SEEDS trees from MIRTEL_FUZZ_FIRST_SEED on (4 from 1).
#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <vector>

#include "tests/realtrees/seed_run.h"

namespace mirtel::realtrees {
namespace {

// Each tree twice: copied one file after the other, and with eight copies
// in flight; both must match the oracle and print the very same lines, in
// the same order.
TEST(RealTrees, CopyThenSyncMatchTheOracle) {
  const int first = EnvNumber("MIRTEL_FUZZ_FIRST_SEED", 1);
  const int count = EnvNumber("MIRTEL_FUZZ_SEEDS", 4);
  for (int seed = first; seed < first + count; ++seed) {
    // One after the other: a run's scratch sets the environment its jobs see.
    std::vector<std::string> outputs[2];
    for (const int parallel : {1, 8}) {
      SeedRun run(seed, FullProfile(), {}, parallel);
      try {
        run.Run();
      } catch (const std::exception& e) {
        ADD_FAILURE() << "seed " << seed << ": the test itself could not go on: " << e.what();
      }
      outputs[parallel == 1 ? 0 : 1] = run.Outputs();
    }
    EXPECT_EQ(outputs[0], outputs[1])
        << "seed " << seed << ": the lines differ with copies in flight";
  }
}

}  // namespace
}  // namespace mirtel::realtrees
