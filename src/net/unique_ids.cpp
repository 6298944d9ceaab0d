#include "net/unique_ids.hpp"

#include <atomic>

namespace norvane {
namespace {

std::atomic<uint32_t> counter{1};

// Rounds the counter up to odd, takes that value and moves past it, in one step.
uint32_t TakeOdd() {
  uint32_t current = counter.load(std::memory_order_relaxed);
  uint32_t odd;
  do {
    odd = current | 1u;
  } while (!counter.compare_exchange_weak(current, odd + 1, std::memory_order_relaxed));
  return odd;
}

}  // namespace

void ResetUniqueIDs() {
  counter.store(1, std::memory_order_relaxed);
}

uint8_t NextContextID() {
  return static_cast<uint8_t>(TakeOdd());
}

uint16_t NextMessageID() {
  return static_cast<uint16_t>(TakeOdd());
}

uint8_t NextAcceptID() {
  return static_cast<uint8_t>(counter.fetch_add(1, std::memory_order_relaxed));
}

}  // namespace norvane
