// Mutated and truncated encodings fed to every reader of this folder: each either reads
// consistent records or reports failure; under AddressSanitizer nothing is read outside
// the input.

#include <gtest/gtest.h>

#include <random>

#include "datadec/buf_data.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/element_reader.hpp"
#include "datadec/expand_sequence.hpp"
#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::Text;

Bytes Seed(bool explicitVR) {
  const TagList item = {Record(0x0008, 0x1150, "UI", Text("1.2.3\0")),
                        Record(0x0040, 0x0100, "LO", Text("ABCD"))};
  const Bytes itemBytes = EncodeTags(item, explicitVR, ByteOrder::kLittleEndian).value();
  const TagList sqContent = {Record(0xFFFE, 0xE000, "", itemBytes),
                             Record(0xFFFE, 0xE000, "", itemBytes)};
  const Bytes sqBytes = EncodeTags(sqContent, explicitVR, ByteOrder::kLittleEndian).value();
  const TagList list = {Record(0x0008, 0x0060, "CS", Text("CT")),
                        Record(0x0008, 0x1140, "SQ", sqBytes), Record(0x0028, 0x0010, "US", {0, 2}),
                        Record(0x7FE0, 0x0010, "OW", Bytes(16, 0x55))};
  return EncodeTags(list, explicitVR, ByteOrder::kLittleEndian).value();
}

void Exercise(const Bytes& input, bool explicitVR) {
  ElementReader reader(input, explicitVR, false, false);
  while (!reader.AtEnd()) {
    const size_t before = reader.position;
    std::optional<TagRecord> r = ReadElement(reader);
    if (!r) {
      ASSERT_EQ(reader.position, before);
      break;
    }
    ASSERT_GT(reader.position, before);
    if (r->HasValue()) {
      ASSERT_EQ(r->value.size(), r->length);
      TagList out;
      ElementReaderState state{explicitVR, false, false};
      TagRecord asSequence = *r;
      asSequence.SetVR("SQ");
      if (!ExpandSequence(state, asSequence, out)) {
        ASSERT_TRUE(out.empty());
      }
      for (const TagRecord& e : out) {
        if (e.HasValue()) {
          ASSERT_EQ(e.value.size(), e.length);
        }
      }
    }
  }
  BufData stream(ByteOrder::kLittleEndian, input);
  while (stream.Remaining() > 0) {
    std::optional<TagRecord> r = stream.ReadElement(explicitVR);
    if (!r) break;
    if (r->HasValue()) {
      ASSERT_EQ(r->value.size(), r->length);
    }
  }
}

TEST(MalformedInput, MutatedEncodingsNeverReadOutOfBounds) {
  std::mt19937 random(20240611);
  for (bool explicitVR : {false, true}) {
    const Bytes seed = Seed(explicitVR);
    for (size_t cut = 0; cut <= seed.size(); ++cut) {
      Exercise(Bytes(seed.begin(), seed.begin() + static_cast<ptrdiff_t>(cut)), explicitVR);
    }
    for (int round = 0; round < 3000; ++round) {
      Bytes mutated = seed;
      const int flips = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < flips; ++i) {
        const size_t at = random() % mutated.size();
        mutated[at] = (random() % 3 == 0) ? 0xFF : static_cast<uint8_t>(random());
      }
      Exercise(mutated, explicitVR);
    }
  }
}

}  // namespace
}  // namespace norvane
