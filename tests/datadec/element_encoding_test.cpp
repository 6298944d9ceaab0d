#include "datadec/element_encoding.hpp"

#include <gtest/gtest.h>

#include "log/log.hpp"
#include "support/peers.hpp"
#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Hex;
using testing::Record;
using testing::Text;
using testing::Undefined;

Bytes Encode(const TagList& list, bool explicitVR, ByteOrder order) {
  std::optional<Bytes> bytes = EncodeTags(list, explicitVR, order);
  EXPECT_TRUE(bytes.has_value());
  if (!bytes) return {};
  EXPECT_EQ(bytes->size(), EncodedLength(list, explicitVR));
  return *bytes;
}

#define EXPECT_BYTES(actual, expected) \
  EXPECT_EQ(actual, expected) << "written: " << Hex(actual) << "\nexpected: " << Hex(expected)

TEST(EncodeTags, ExplicitLittleEndianShortAndLongForms) {
  const TagList list = {
      Record(0x0010, 0x0010, "PN", Text("DOE^JOHN")), Record(0x7FE0, 0x0010, "OW", {1, 2, 3, 4}),
      Record(0x0009, 0x1001, "UN", {9, 9}), Record(0x0028, 0x0010, "US", {0x00, 0x02})};
  const Bytes expected = Concat({
      {0x10, 0x00, 0x10, 0x00, 'P', 'N', 0x08, 0x00},
      Text("DOE^JOHN"),
      {0xE0, 0x7F, 0x10, 0x00, 'O', 'W', 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 1, 2, 3, 4},
      {0x09, 0x00, 0x01, 0x10, 'U', 'N', 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 9, 9},
      {0x28, 0x00, 0x10, 0x00, 'U', 'S', 0x02, 0x00, 0x00, 0x02},
  });
  EXPECT_BYTES(Encode(list, true, ByteOrder::kLittleEndian), expected);
}

TEST(EncodeTags, UTHasReservedBytesAndLongLength) {
  const TagList list = {Record(0x0040, 0xA160, "UT", Text("ABCD"))};
  EXPECT_BYTES(Encode(list, true, ByteOrder::kLittleEndian),
               Concat({{0x40, 0x00, 0x60, 0xA1, 'U', 'T', 0, 0, 4, 0, 0, 0}, Text("ABCD")}));
  EXPECT_BYTES(Encode(list, true, ByteOrder::kBigEndian),
               Concat({{0x00, 0x40, 0xA1, 0x60, 'U', 'T', 0, 0, 0, 0, 0, 4}, Text("ABCD")}));
}

TEST(EncodeTags, ImplicitLittleEndianHasTagAndLongLengthOnly) {
  const TagList list = {Record(0x0028, 0x0010, "US", {0x00, 0x02}),
                        Record(0x0008, 0x0060, {}, Text("CT"))};
  EXPECT_BYTES(Encode(list, false, ByteOrder::kLittleEndian),
               (Bytes{0x28, 0x00, 0x10, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02,  //
                      0x08, 0x00, 0x60, 0x00, 0x02, 0x00, 0x00, 0x00, 'C',  'T'}));
}

TEST(EncodeTags, BigEndianSwapsNumbersButNotValues) {
  const TagList list = {Record(0x0028, 0x0010, "US", {0x02, 0x00}),
                        Record(0x0018, 0x0050, "DS", Text("1.5 "))};
  EXPECT_BYTES(Encode(list, true, ByteOrder::kBigEndian),
               Concat({{0x00, 0x28, 0x00, 0x10, 'U', 'S', 0x00, 0x02, 0x02, 0x00},
                       {0x00, 0x18, 0x00, 0x50, 'D', 'S', 0x00, 0x04},
                       Text("1.5 ")}));
}

TEST(EncodeTags, ItemsAndDelimitersAlwaysHaveEightByteHeaders) {
  const TagList list = {Undefined(0x0008, 0x1140, "SQ"), Undefined(0xFFFE, 0xE000, "DL"),
                        Record(0x0008, 0x1150, "UI", Text("1.2\0")),
                        Record(0xFFFE, 0xE00D, "DL", {}), Record(0xFFFE, 0xE0DD, "DL", {})};
  const Bytes explicitLE = Encode(list, true, ByteOrder::kLittleEndian);
  EXPECT_BYTES(explicitLE, Concat({{0x08, 0x00, 0x40, 0x11, 'S', 'Q', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                                   {0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF},
                                   {0x08, 0x00, 0x50, 0x11, 'U', 'I', 0x04, 0x00},
                                   Text("1.2\0"),
                                   {0xFE, 0xFF, 0x0D, 0xE0, 0, 0, 0, 0},
                                   {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0}}));
  const Bytes explicitBE = Encode(list, true, ByteOrder::kBigEndian);
  EXPECT_BYTES(Bytes(explicitBE.begin() + 12, explicitBE.begin() + 20),
               (Bytes{0xFF, 0xFE, 0xE0, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(EncodedLength(list, true), 12u + 8 + 8 + 4 + 8 + 8);
  EXPECT_EQ(EncodedLength(list, false), 8u + 8 + 8 + 4 + 8 + 8);
}

TEST(EncodeTags, MetaGroupIsExplicitLittleEndianInEverySyntax) {
  const TagList list = {Record(0x0002, 0x0001, "OB", {0x00, 0x01}),
                        Record(0x0002, 0x0010, "UI", Text("1.2.840.10008.1.2\0")),
                        Record(0x0008, 0x0060, "CS", Text("MR"))};
  const Bytes meta = Concat({{0x02, 0x00, 0x01, 0x00, 'O', 'B', 0, 0, 2, 0, 0, 0, 0x00, 0x01},
                             {0x02, 0x00, 0x10, 0x00, 'U', 'I', 0x12, 0x00},
                             Text("1.2.840.10008.1.2\0")});
  EXPECT_BYTES(Encode(list, false, ByteOrder::kLittleEndian),
               Concat({meta, {0x08, 0x00, 0x60, 0x00, 2, 0, 0, 0}, Text("MR")}));
  EXPECT_BYTES(Encode(list, true, ByteOrder::kBigEndian),
               Concat({meta, {0x00, 0x08, 0x00, 0x60, 'C', 'S', 0, 2}, Text("MR")}));
  EXPECT_EQ(EncodedLength(list, false), 14u + 26 + 10);
}

TEST(EncodeTags, EmptyVRInExplicitDataUsesShortFormWithZeroLetters) {
  const TagList list = {Record(0x0011, 0x0010, {}, Text("AB"))};
  EXPECT_BYTES(Encode(list, true, ByteOrder::kLittleEndian),
               (Bytes{0x11, 0x00, 0x10, 0x00, 0, 0, 2, 0, 'A', 'B'}));
}

TEST(EncodeTags, LengthThatDoesNotFitSixteenBitsFails) {
  TagRecord big = Record(0x0008, 0x0080, "LO", Bytes(0x10002, 'A'));
  EXPECT_FALSE(EncodeTags({big}, true, ByteOrder::kLittleEndian).has_value())
      << "a 16-bit length field would hold 2 instead of 65538";
  EXPECT_TRUE(EncodeTags({big}, false, ByteOrder::kLittleEndian).has_value());
  EXPECT_FALSE(EncodeTags({Undefined(0x0008, 0x1140, "")}, true, ByteOrder::kLittleEndian))
      << "an undefined length needs a 32-bit length field";
}

TEST(EncodeTags, ValueShorterThanLengthIsCompletedWithZeros) {
  TagRecord r = Record(0x0008, 0x0060, "CS", Text("C"));
  r.length = 2;
  EXPECT_BYTES(Encode({r}, true, ByteOrder::kLittleEndian),
               (Bytes{0x08, 0x00, 0x60, 0x00, 'C', 'S', 2, 0, 'C', 0}));
}

class EncodeTagsLog : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(dir_ / "codec.log", 0); }
  void TearDown() override { SetLOG("", 0); }
  std::string Log() const { return testing::ReadFileText(dir_ / "codec.log"); }
  testing::TempDir dir_;
};

TEST_F(EncodeTagsLog, BufferTooSmallFailsWithoutWritingPastItsEnd) {
  const TagList list = {Record(0x0010, 0x0010, "PN", Text("DOE^JOHN")),
                        Record(0x0010, 0x0020, "LO", Text("ID01"))};
  const size_t needed = EncodedLength(list, true);
  ASSERT_EQ(needed, 28u);
  for (size_t size : {size_t{0}, size_t{7}, size_t{16}, size_t{20}, size_t{27}}) {
    Bytes buffer(size + 4, 0xAA);
    EXPECT_FALSE(
        EncodeTags(list, std::span<uint8_t>(buffer.data(), size), true, ByteOrder::kLittleEndian))
        << "buffer of " << size;
    EXPECT_EQ(Bytes(buffer.end() - 4, buffer.end()), Bytes(4, 0xAA))
        << "bytes past a buffer of " << size << " were written: " << Hex(buffer);
  }
  const std::string log = Log();
  EXPECT_NE(log.find(", ERROR: ptr > length\n"), std::string::npos) << log;
  Bytes exact(needed);
  EXPECT_TRUE(EncodeTags(list, exact, true, ByteOrder::kLittleEndian));
}

}  // namespace
}  // namespace norvane
