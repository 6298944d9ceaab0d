#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace norvane {

// Threads that work at once: `limit` when given, else one per core of the machine.
inline unsigned WorkerCount(unsigned limit) {
  if (limit > 0) return limit;
  return std::max(1u, std::thread::hardware_concurrency());
}

// Calls work(index, worker) for indices below `count`, on up to `workers` threads (the
// caller's among them); `worker` (below `workers`) names the thread, for scratch space of
// its own. Indices are taken in order, and none above a failed one (work gave false) is
// begun after that failure, so every index below the first failed one has run, as on one
// thread. False when a call failed. Every call has ended when it returns.
inline bool ParallelFor(size_t count, unsigned workers,
                        const std::function<bool(size_t index, unsigned worker)>& work) {
  const unsigned threads =
      static_cast<unsigned>(std::min<size_t>(std::max(1u, workers), std::max<size_t>(count, 1)));
  std::atomic<size_t> next{0};
  std::atomic<size_t> firstFailed{count};
  auto run = [&](unsigned worker) {
    for (size_t i = next++; i < count && i < firstFailed; i = next++) {
      if (work(i, worker)) continue;
      size_t seen = firstFailed;
      while (i < seen && !firstFailed.compare_exchange_weak(seen, i)) {
      }
    }
  };
  std::vector<std::jthread> helpers;
  helpers.reserve(threads - 1);
  for (unsigned w = 1; w < threads; ++w)
    helpers.emplace_back(run, w);
  run(0);
  helpers.clear();  // joins
  return firstFailed == count;
}

}  // namespace norvane
