// The pool's promise, on generated runs: every result told on the caller's
// thread in the order handed out, whatever order the workers finish in,
// with the error its work threw; after a stop, no work not yet started
// runs, and everything in flight is still told.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/copy_pool.h"

namespace mirtel {
namespace {

TEST(CopyPoolTest, ResultsComeInTheOrderHandedOutAndStopDropsOnlyWhatNeverStarted) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    const int workers = 1 + static_cast<int>(rng() % 8);
    const int tickets = 40 + static_cast<int>(rng() % 60);
    const int stopAt = seed % 3 == 0 ? static_cast<int>(rng() % tickets) : -1;
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::atomic<bool>> ran(tickets);
    std::vector<int> told;
    bool stopped = false;
    CopyPool pool(workers, [&] { return stopped; });
    for (int i = 0; i < tickets && !stopped; ++i) {
      const int kind = static_cast<int>(rng() % 4);  // 0: a step, 1: throws, else works
      const auto sleep = std::chrono::microseconds(rng() % 2000);
      CopyPool::Work work;
      if (kind != 0) {
        work = [&ran, i, kind, sleep] {
          ran[i] = true;
          std::this_thread::sleep_for(sleep);
          if (kind == 1) throw std::runtime_error(std::to_string(i));
        };
      }
      pool.Submit(std::move(work), [&, i, kind](std::exception_ptr error) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        EXPECT_TRUE(pool.Telling());
        EXPECT_EQ(kind == 1, error != nullptr) << "ticket " << i;
        if (error) {
          try {
            std::rethrow_exception(error);
          } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), std::to_string(i));
          }
        }
        EXPECT_TRUE(kind == 0 || ran[i]) << "ticket " << i << " told before it ran";
        told.push_back(i);
      });
      if (i == stopAt) stopped = true;
      if (rng() % 5 == 0) pool.Release();
    }
    if (stopped) {
      pool.Stop();
    } else {
      pool.Drain();
    }
    EXPECT_FALSE(pool.Pending());
    for (std::size_t k = 1; k < told.size(); ++k) {
      ASSERT_LT(told[k - 1], told[k]) << "seed " << seed << ": told out of order";
    }
    // Every ticket that ran was told, and without a stop every one of them.
    std::size_t ranCount = 0;
    for (int i = 0; i < tickets; ++i) ranCount += ran[i] ? 1 : 0;
    std::size_t toldWork = 0;
    for (const int i : told) toldWork += ran[i] ? 1 : 0;
    EXPECT_EQ(toldWork, ranCount) << "seed " << seed << ": work ran and was never told";
    if (stopAt < 0) {
      EXPECT_EQ(static_cast<int>(told.size()), tickets) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace mirtel
