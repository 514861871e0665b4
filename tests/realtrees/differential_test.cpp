// Generated trees copied, changed and synced by whole jobs on the real file
// system, each result checked against the oracle (tests/realtrees/seed_run.h).
// MIRTEL_FUZZ_SEEDS trees from MIRTEL_FUZZ_FIRST_SEED on (4 from 1).
#include <gtest/gtest.h>

#include <exception>

#include "tests/realtrees/seed_run.h"

namespace mirtel::realtrees {
namespace {

TEST(RealTrees, CopyThenSyncMatchTheOracle) {
  const int first = EnvNumber("MIRTEL_FUZZ_FIRST_SEED", 1);
  const int count = EnvNumber("MIRTEL_FUZZ_SEEDS", 4);
  for (int seed = first; seed < first + count; ++seed) {
    SeedRun run(seed);
    try {
      run.Run();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "seed " << seed << ": the test itself could not go on: " << e.what();
    }
  }
}

}  // namespace
}  // namespace mirtel::realtrees
