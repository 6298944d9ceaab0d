#include "datadec/new_uid.hpp"

#include <array>
#include <cstdint>
#include <mutex>
#include <random>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

// The next 64 random bits, from one engine seeded once by the system's entropy source.
uint64_t RandomBits() {
  static std::mutex mutex;
  static std::mt19937_64 engine = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }();
  const std::lock_guard lock(mutex);
  return engine();
}

}  // namespace

std::string NewUID() {
  // The number as four 32-bit limbs, most significant first, divided by ten until zero.
  std::array<uint64_t, 4> limbs{};
  const uint64_t high = RandomBits();
  const uint64_t low = RandomBits();
  limbs = {high >> 32, high & 0xFFFFFFFFu, low >> 32, low & 0xFFFFFFFFu};
  std::string digits;
  for (bool zero = false; !zero;) {
    uint64_t remainder = 0;
    zero = true;
    for (uint64_t& limb : limbs) {
      const uint64_t value = (remainder << 32) | limb;
      limb = value / 10;
      remainder = value % 10;
      if (limb != 0) zero = false;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
  }
  return "2.25." + digits;
}

void RenewInstanceUIDs(TagList& dataset) {
  const Tag tags[] = {tag::kStudyInstanceUID, tag::kSeriesInstanceUID, tag::kSOPInstanceUID};
  for (auto at = TopLevel(dataset).begin(); at != TopLevel(dataset).end(); ++at) {
    for (const Tag tag : tags) {
      if (at->Is(tag)) dataset[at.Index()] = GeneratePaddedTag(tag, "UI", NewUID());
    }
  }
}

}  // namespace norvane
