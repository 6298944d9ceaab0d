#include "datadec/element_encoding.hpp"

#include <gtest/gtest.h>

#include "elements/tags.hpp"
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

// One list encoded with EncodeTags in one syntax, and every byte it must give.
struct EncodeTagsCase {
  const char* name;
  TagList list;
  bool explicitVR;
  ByteOrder order;
  Bytes expected;
};

std::vector<EncodeTagsCase> EncodeTagsCases() {
  constexpr ByteOrder kLE = ByteOrder::kLittleEndian;
  constexpr ByteOrder kBE = ByteOrder::kBigEndian;
  const TagList forms = {Record(tag::kPatientName, "PN", Text("DOE^JOHN")),
                         Record(tag::kPixelData, "OW", {1, 2, 3, 4}),
                         Record(0x0009, 0x1001, "UN", {9, 9}),
                         Record(tag::kRows, "US", {0x00, 0x02})};
  const TagList text = {Record(tag::kTextValue, "UT", Text("ABCD"))};
  const TagList sequence = {Undefined(tag::kReferencedImageSequence, "SQ"),
                            Undefined(tag::kItem, "DL"),
                            Record(tag::kReferencedSOPClassUID, "UI", Text("1.2\0")),
                            Record(tag::kItemDelimitationItem, "DL", {}),
                            Record(tag::kSequenceDelimitationItem, "DL", {})};
  const TagList meta = {Record(tag::kFileMetaInformationVersion, "OB", {0x00, 0x01}),
                        Record(tag::kTransferSyntaxUID, "UI", Text("1.2.840.10008.1.2\0")),
                        Record(tag::kModality, "CS", Text("MR"))};
  const Bytes metaBytes = Concat({{0x02, 0x00, 0x01, 0x00, 'O', 'B', 0, 0, 2, 0, 0, 0, 0x00, 0x01},
                                  {0x02, 0x00, 0x10, 0x00, 'U', 'I', 0x12, 0x00},
                                  Text("1.2.840.10008.1.2\0")});
  TagRecord shortValue = Record(tag::kModality, "CS", Text("C"));
  shortValue.length = 2;
  return {
      {"explicit little endian: short and long forms", forms, true, kLE,
       Concat({{0x10, 0x00, 0x10, 0x00, 'P', 'N', 0x08, 0x00},
               Text("DOE^JOHN"),
               {0xE0, 0x7F, 0x10, 0x00, 'O', 'W', 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 1, 2, 3, 4},
               {0x09, 0x00, 0x01, 0x10, 'U', 'N', 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 9, 9},
               {0x28, 0x00, 0x10, 0x00, 'U', 'S', 0x02, 0x00, 0x00, 0x02}})},
      {"UT has reserved bytes and a long length", text, true, kLE,
       Concat({{0x40, 0x00, 0x60, 0xA1, 'U', 'T', 0, 0, 4, 0, 0, 0}, Text("ABCD")})},
      {"UT in big endian", text, true, kBE,
       Concat({{0x00, 0x40, 0xA1, 0x60, 'U', 'T', 0, 0, 0, 0, 0, 4}, Text("ABCD")})},
      {"implicit little endian: tag and long length only",
       {Record(tag::kRows, "US", {0x00, 0x02}), Record(tag::kModality, {}, Text("CT"))},
       false,
       kLE,
       Bytes{0x28, 0x00, 0x10, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02,  //
             0x08, 0x00, 0x60, 0x00, 0x02, 0x00, 0x00, 0x00, 'C',  'T'}},
      {"big endian swaps numbers but not values",
       {Record(tag::kRows, "US", {0x02, 0x00}), Record(tag::kSliceThickness, "DS", Text("1.5 "))},
       true,
       kBE,
       Concat({{0x00, 0x28, 0x00, 0x10, 'U', 'S', 0x00, 0x02, 0x02, 0x00},
               {0x00, 0x18, 0x00, 0x50, 'D', 'S', 0x00, 0x04},
               Text("1.5 ")})},
      {"items and delimiters have 8-byte headers in explicit little endian", sequence, true, kLE,
       Concat({{0x08, 0x00, 0x40, 0x11, 'S', 'Q', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
               {0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF},
               {0x08, 0x00, 0x50, 0x11, 'U', 'I', 0x04, 0x00},
               Text("1.2\0"),
               {0xFE, 0xFF, 0x0D, 0xE0, 0, 0, 0, 0},
               {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0}})},
      {"items and delimiters have 8-byte headers in explicit big endian", sequence, true, kBE,
       Concat({{0x00, 0x08, 0x11, 0x40, 'S', 'Q', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
               {0xFF, 0xFE, 0xE0, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},
               {0x00, 0x08, 0x11, 0x50, 'U', 'I', 0x00, 0x04},
               Text("1.2\0"),
               {0xFF, 0xFE, 0xE0, 0x0D, 0, 0, 0, 0},
               {0xFF, 0xFE, 0xE0, 0xDD, 0, 0, 0, 0}})},
      {"items and delimiters in implicit little endian", sequence, false, kLE,
       Concat({{0x08, 0x00, 0x40, 0x11, 0xFF, 0xFF, 0xFF, 0xFF},
               {0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF},
               {0x08, 0x00, 0x50, 0x11, 0x04, 0x00, 0x00, 0x00},
               Text("1.2\0"),
               {0xFE, 0xFF, 0x0D, 0xE0, 0, 0, 0, 0},
               {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0}})},
      {"meta group is explicit little endian in implicit data", meta, false, kLE,
       Concat({metaBytes, {0x08, 0x00, 0x60, 0x00, 2, 0, 0, 0}, Text("MR")})},
      {"meta group is explicit little endian in big-endian data", meta, true, kBE,
       Concat({metaBytes, {0x00, 0x08, 0x00, 0x60, 'C', 'S', 0, 2}, Text("MR")})},
      {"empty VR in explicit data: short form with zero letters",
       {Record(0x0011, 0x0010, {}, Text("AB"))},
       true,
       kLE,
       Bytes{0x11, 0x00, 0x10, 0x00, 0, 0, 2, 0, 'A', 'B'}},
      {"a value shorter than its length is completed with zeros",
       {shortValue},
       true,
       kLE,
       Bytes{0x08, 0x00, 0x60, 0x00, 'C', 'S', 2, 0, 'C', 0}},
  };
}

TEST(EncodeTags, WritesEveryHeaderFormAndValueByteExactly) {
  for (const EncodeTagsCase& c : EncodeTagsCases()) {
    SCOPED_TRACE(c.name);
    const std::optional<Bytes> bytes = EncodeTags(c.list, c.explicitVR, c.order);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, c.expected) << "written: " << Hex(*bytes)
                                  << "\nexpected: " << Hex(c.expected);
    EXPECT_EQ(EncodedLength(c.list, c.explicitVR), c.expected.size());
  }
}

TEST(EncodeTags, LengthThatDoesNotFitSixteenBitsFails) {
  TagRecord big = Record(tag::kInstitutionName, "LO", Bytes(0x10002, 'A'));
  EXPECT_FALSE(EncodeTags({big}, true, ByteOrder::kLittleEndian).has_value())
      << "a 16-bit length field would hold 2 instead of 65538";
  EXPECT_TRUE(EncodeTags({big}, false, ByteOrder::kLittleEndian).has_value());
  EXPECT_FALSE(
      EncodeTags({Undefined(tag::kReferencedImageSequence, "")}, true, ByteOrder::kLittleEndian))
      << "an undefined length needs a 32-bit length field";
}

class EncodeTagsLog : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(dir_ / "codec.log", 0); }
  void TearDown() override { SetLOG("", 0); }
  std::string Log() const { return testing::ReadFileText(dir_ / "codec.log"); }
  testing::TempDir dir_;
};

TEST_F(EncodeTagsLog, BufferTooSmallFailsWithoutWritingPastItsEnd) {
  const TagList list = {Record(tag::kPatientName, "PN", Text("DOE^JOHN")),
                        Record(tag::kPatientID, "LO", Text("ID01"))};
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
