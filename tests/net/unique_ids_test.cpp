#include "net/unique_ids.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

namespace norvane {
namespace {

TEST(UniqueIDs, FirstContextIsOneAndTheFirstMessageIDThree) {
  ResetUniqueIDs();
  EXPECT_EQ(NextContextID(), 1);
  EXPECT_EQ(NextMessageID(), 3);
  EXPECT_EQ(NextMessageID(), 5);
}

TEST(UniqueIDs, AcceptIDsTakeTheCounterAsItIs) {
  ResetUniqueIDs();
  EXPECT_EQ(NextAcceptID(), 1);
  EXPECT_EQ(NextAcceptID(), 2);
  EXPECT_EQ(NextContextID(), 3) << "an even counter is first made odd";
  EXPECT_EQ(NextAcceptID(), 4);
  EXPECT_EQ(NextMessageID(), 5);
}

TEST(UniqueIDs, ContextIDsAreTheLowEightBits) {
  ResetUniqueIDs();
  uint8_t last = 0;
  for (int i = 0; i < 129; ++i)
    last = NextContextID();
  EXPECT_EQ(last, 1) << "257 in 8 bits";
}

TEST(UniqueIDs, ConcurrentMessageIDsAreOddAndNeverRepeated) {
  ResetUniqueIDs();
  constexpr int kThreads = 4;
  constexpr int kEach = 5000;
  std::vector<std::vector<uint16_t>> drawn(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&drawn, t] {
      for (int i = 0; i < kEach; ++i)
        drawn[t].push_back(NextMessageID());
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  std::set<uint16_t> all;
  for (const auto& ids : drawn) {
    for (uint16_t id : ids) {
      EXPECT_EQ(id % 2, 1);
      all.insert(id);
    }
  }
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kEach));
  EXPECT_EQ(*all.rbegin(), 2 * kThreads * kEach - 1);
}

}  // namespace
}  // namespace norvane
