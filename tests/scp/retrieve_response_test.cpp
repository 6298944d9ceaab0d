#include "scp/retrieve_response.hpp"

#include <gtest/gtest.h>

#include <string>

#include "elements/record_values.hpp"
#include "elements/tags.hpp"
#include "dimse/dimse_command.hpp"

namespace norvane {
namespace {

// A 64-character UID ending in `n`.
std::string LongUID(size_t n) {
  std::string uid = "1.2.826.0.1.3680043.2.4821.5." + std::to_string(n);
  return uid + "." + std::string(64 - uid.size() - 1, '7');
}

TEST(RetrieveResponse, NumbersSaturateAndTheFailedListAlwaysFitsItsLengthField) {
  const struct {
    size_t failed;
    size_t listed;  // whole UIDs in the list
  } cases[] = {{0, 0}, {1, 1}, {1008, 1008}, {1009, 1008}, {70000, 1008}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failed);
    SubOperationCounts counts;
    counts.remaining = c.failed * 2;
    counts.completed = c.failed;
    counts.failed = c.failed;
    for (size_t i = 0; i < c.failed; ++i)
      counts.failedInstances.push_back(LongUID(i));
    const DimseCommand response =
        RetrieveResponse(Request(kCMoveRQ, "1.2.3", 7, true), kStatusPending, &counts, false);
    const auto saturated = [](size_t n) { return n > 65535 ? 65535 : n; };
    EXPECT_EQ(response.remaining, saturated(counts.remaining));
    EXPECT_EQ(response.failed, saturated(c.failed));

    const TagRecord list = FailedInstanceList(counts).at(0);
    EXPECT_LE(list.length, kMaxFailedInstanceListLength);
    EXPECT_EQ(list.length % 2, 0u);
    const std::string text = TrimmedText(list);
    const size_t listed = text.empty() ? 0 : std::count(text.begin(), text.end(), '\\') + 1;
    EXPECT_EQ(listed, c.listed);
    if (listed > 0) {
      EXPECT_TRUE(text.ends_with(LongUID(listed - 1))) << "no UID is cut";
    }
  }
}

}  // namespace
}  // namespace norvane
