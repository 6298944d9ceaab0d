#include "platform/parallel_for.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace norvane {
namespace {

// Each index runs at most once, on a worker named below the count given; a failure leaves
// every index before the first failed one run, as one thread would.
TEST(ParallelFor, RunsEachIndexOnceAndEverythingBeforeTheFirstFailure) {
  constexpr size_t kCount = 200;
  for (const unsigned workers : {1u, 2u, 8u}) {
    for (const size_t failAt : {kCount, size_t{0}, size_t{37}, size_t{150}}) {
      SCOPED_TRACE(::testing::Message() << workers << " workers, failing at " << failAt);
      std::vector<std::atomic<int>> runs(kCount);
      std::atomic<bool> workerInRange{true};
      const bool ok = ParallelFor(kCount, workers, [&](size_t i, unsigned worker) {
        if (worker >= workers) workerInRange = false;
        ++runs[i];
        // A later index fails too: the first failure still decides what has run.
        return i != failAt && i != failAt + 3;
      });
      EXPECT_EQ(ok, failAt == kCount);
      EXPECT_TRUE(workerInRange);
      for (size_t i = 0; i < kCount; ++i) {
        EXPECT_LE(runs[i].load(), 1) << i;
        if (i <= failAt) {
          EXPECT_EQ(runs[i].load(), 1) << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace norvane
