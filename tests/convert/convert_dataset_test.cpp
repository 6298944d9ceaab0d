// Element-level conversion between the uncompressed syntaxes: numbers turned round by VR,
// sequences re-encoded, group lengths recomputed, and the failures that leave lists alone.

#include <gtest/gtest.h>

#include "convert/convert_dataset.hpp"
#include "convert/transcode_sequence.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/test_bytes.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Describe;
using testing::Hex;
using testing::Record;
using testing::SameRecord;
using testing::Text;
using testing::Undefined;

constexpr const char* kImplicit = "1.2.840.10008.1.2";
constexpr const char* kExplicit = "1.2.840.10008.1.2.1";
constexpr const char* kBig = "1.2.840.10008.1.2.2";
constexpr const char* kLossless = "1.2.840.10008.1.2.4.70";

const TagRecord& Find(const TagList& list, uint16_t group, uint16_t element) {
  static const TagRecord none;
  const TagRecord* r = FindTag(list, group, element);
  return r ? *r : none;
}

bool SameList(const TagList& a, const TagList& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameRecord(a[i], b[i])) return false;
  }
  return true;
}

TagList NumbersList() {
  return {
      Record(0x0008, 0x0060, "CS", Text("MR")),
      Record(0x0018, 0x1310, "US", {0x00, 0x02, 0x34, 0x12}),  // two values
      Record(0x0028, 0x0010, "US", {0x00, 0x02}),              // 512
      Record(0x0028, 0x0106, "SS", {0xFE, 0xFF}),
      Record(0x0018, 0x9219, "SS", {0x01, 0x02}),
      Record(0x0020, 0x9057, "UL", {0x01, 0x02, 0x03, 0x04}),
      Record(0x0018, 0x9087, "FD", {1, 2, 3, 4, 5, 6, 7, 8}),
      Record(0x0018, 0x9089, "FD", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
      Record(0x0020, 0x9165, "AT", {0x20, 0x00, 0x32, 0x00}),
      Record(0x0018, 0x1160, "SH", Text("AB")),
      Record(0x0029, 0x1004, "SL", {0x01, 0x02, 0x03, 0x04}),
      Record(0x0018, 0x9220, "FL", {0x01, 0x02, 0x03, 0x04}),
      Record(0x0042, 0x0011, "OB", {0x01, 0x02, 0x03, 0x04}),
      Record(0x6000, 0x3000, "OW", {0x01, 0x02, 0x03, 0x04}),
  };
}

TEST(ConvertDataset, EqualSyntaxes_GiveDeepCopy) {
  const TagList source = NumbersList();
  TagList out{Record(0x0008, 0x0005, "CS", Text("ISO_IR 100"))};
  ASSERT_EQ(ConvertDataset(out, source, kExplicit, std::string("1.2.840.10008.1.2.1\0", 20)),
            ConvertStatus::kOk);
  ASSERT_EQ(out.size(), source.size() + 1);
  for (size_t i = 0; i < source.size(); ++i)
    EXPECT_TRUE(SameRecord(out[i + 1], source[i])) << Describe(out[i + 1]);
  // Equal even when neither is supported: nothing needs converting.
  TagList copy;
  EXPECT_EQ(ConvertDataset(copy, source, "1.2.840.10008.1.2.4.91", "1.2.840.10008.1.2.4.91"),
            ConvertStatus::kOk);
  EXPECT_TRUE(SameList(copy, source));
}

TEST(ConvertDataset, UnsupportedSourceOrTargetSyntax_FailsAndLeavesOutputAsItWas) {
  const TagList source = NumbersList();
  const TagList before{Record(0x0008, 0x0005, "CS", Text("ISO_IR 100"))};
  TagList out = before;
  EXPECT_NE(ConvertDataset(out, source, kExplicit, "1.2.840.10008.1.2.4.51"), ConvertStatus::kOk);
  EXPECT_TRUE(SameList(out, before)) << Describe(out);
  EXPECT_NE(ConvertDataset(out, source, "1.2.840.10008.1.2.4.57", kExplicit), ConvertStatus::kOk);
  EXPECT_TRUE(SameList(out, before)) << Describe(out);
  // A space pad is not a NUL pad: the UID does not match.
  EXPECT_NE(ConvertDataset(out, source, kBig, "1.2.840.10008.1.2.1 "), ConvertStatus::kOk);
  EXPECT_TRUE(SameList(out, before)) << Describe(out);
}

TEST(ConvertDataset, ExplicitLittleToBigEndian_TurnsNumbersRoundByVR) {
  const TagList source = NumbersList();
  const TagList kept = source;
  TagList out;
  ASSERT_EQ(ConvertDataset(out, source, kBig, kExplicit), ConvertStatus::kOk);
  EXPECT_TRUE(SameList(source, kept)) << "the source list changed";
  ASSERT_EQ(out.size(), source.size());
  const struct {
    uint16_t group, element;
    Bytes value;
  } expected[] = {
      {0x0008, 0x0060, Text("MR")},
      {0x0018, 0x1310, {0x02, 0x00, 0x12, 0x34}},
      {0x0028, 0x0010, {0x02, 0x00}},
      {0x0028, 0x0106, {0xFF, 0xFE}},
      {0x0018, 0x9219, {0x02, 0x01}},
      {0x0020, 0x9057, {0x04, 0x03, 0x02, 0x01}},
      {0x0018, 0x9087, {8, 7, 6, 5, 4, 3, 2, 1}},
      {0x0018, 0x9089, {8, 7, 6, 5, 4, 3, 2, 1, 16, 15, 14, 13, 12, 11, 10, 9}},
      {0x0020, 0x9165, {0x00, 0x20, 0x00, 0x32}},  // a tag is two 16-bit numbers
      {0x0018, 0x1160, Text("AB")},
      {0x0029, 0x1004, {0x04, 0x03, 0x02, 0x01}},
      {0x0018, 0x9220, {0x04, 0x03, 0x02, 0x01}},
      {0x0042, 0x0011, {0x01, 0x02, 0x03, 0x04}},  // bytes have no byte order
      {0x6000, 0x3000, {0x02, 0x01, 0x04, 0x03}},  // words have
  };
  for (size_t i = 0; i < out.size(); ++i) {
    EXPECT_TRUE(out[i].Is(expected[i].group, expected[i].element)) << Describe(out[i]);
    EXPECT_EQ(out[i].value, expected[i].value) << Describe(out[i]);
    EXPECT_EQ(out[i].length, expected[i].value.size());
    EXPECT_EQ(out[i].VRText(), source[i].VRText());
  }
  // And back again.
  TagList back;
  ASSERT_EQ(ConvertDataset(back, out, kExplicit, kBig), ConvertStatus::kOk);
  EXPECT_TRUE(SameList(back, source)) << Describe(back);
}

TEST(ConvertDataset, ImplicitSource_RecordsGetDictionaryVRs) {
  TagList source{Record(0x0010, 0x0010, "", Text("DOE^JO")), Record(0x0028, 0x0010, "", {0, 2}),
                 Record(0x0009, 0x0010, "", Text("PRIVATE "))};
  TagList out;
  ASSERT_EQ(ConvertDataset(out, source, kBig, kImplicit), ConvertStatus::kOk);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].VRText(), "PN");
  EXPECT_EQ(out[1].VRText(), "US");
  EXPECT_EQ(out[1].value, (Bytes{2, 0}));
  EXPECT_EQ(out[2].VRText(), "UN");
  EXPECT_FALSE(source[0].HasVR()) << "the source list changed";
}

// (0008,1140) Referenced Image Sequence with one item holding (0008,1150) and (0008,1155).
Bytes ImplicitItem() {
  return testing::Concat({{0x08, 0x00, 0x50, 0x11, 0x06, 0, 0, 0},
                          Text("1.2.3\0"),
                          {0x08, 0x00, 0x55, 0x11, 0x04, 0, 0, 0},
                          Text("4.5\0")});
}

Bytes ExplicitItem(bool bigEndian) {
  const Bytes tag1 = bigEndian ? Bytes{0x00, 0x08, 0x11, 0x50} : Bytes{0x08, 0x00, 0x50, 0x11};
  const Bytes tag2 = bigEndian ? Bytes{0x00, 0x08, 0x11, 0x55} : Bytes{0x08, 0x00, 0x55, 0x11};
  const Bytes len6 = bigEndian ? Bytes{0x00, 0x06} : Bytes{0x06, 0x00};
  const Bytes len4 = bigEndian ? Bytes{0x00, 0x04} : Bytes{0x04, 0x00};
  return testing::Concat(
      {tag1, Text("UI"), len6, Text("1.2.3\0"), tag2, Text("UI"), len4, Text("4.5\0")});
}

Bytes ItemHeader(uint32_t length, bool bigEndian) {
  Bytes b = bigEndian ? Bytes{0xFF, 0xFE, 0xE0, 0x00} : Bytes{0xFE, 0xFF, 0x00, 0xE0};
  for (int i = 0; i < 4; ++i) {
    const int shift = bigEndian ? 24 - 8 * i : 8 * i;
    b.push_back(static_cast<uint8_t>(length >> shift));
  }
  return b;
}

TEST(ConvertDataset, ImplicitToExplicit_DefinedLengthSequenceIsReencodedWithVRs) {
  const Bytes item = ImplicitItem();
  const Bytes value =
      testing::Concat({ItemHeader(static_cast<uint32_t>(item.size()), false), item});
  TagList source{Record(0x0008, 0x1140, "", value)};
  TagList out;
  ASSERT_EQ(ConvertDataset(out, source, kExplicit, kImplicit), ConvertStatus::kOk);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].VRText(), "SQ");
  const Bytes explicitItem = ExplicitItem(false);
  const Bytes expected = testing::Concat(
      {ItemHeader(static_cast<uint32_t>(explicitItem.size()), false), explicitItem});
  EXPECT_EQ(out[0].value, expected) << Hex(out[0].value);
  EXPECT_EQ(out[0].length, expected.size());

  // Back to implicit gives the original bytes.
  TagList back;
  ASSERT_EQ(ConvertDataset(back, out, kImplicit, kExplicit), ConvertStatus::kOk);
  EXPECT_EQ(back[0].value, value) << Hex(back[0].value);
}

TEST(ConvertDataset, ByteOrderChange_ReencodesNestedValues) {
  // An explicit little endian sequence holding an item with a US value.
  const Bytes inner =
      testing::Concat({{0x28, 0x00, 0x10, 0x00}, Text("US"), {0x02, 0x00, 0x00, 0x02}});
  const Bytes value =
      testing::Concat({ItemHeader(static_cast<uint32_t>(inner.size()), false), inner});
  TagList source{Record(0x0008, 0x1140, "SQ", value)};
  TagList out;
  ASSERT_EQ(ConvertDataset(out, source, kBig, kExplicit), ConvertStatus::kOk);
  const Bytes innerBig =
      testing::Concat({{0x00, 0x28, 0x00, 0x10}, Text("US"), {0x00, 0x02, 0x02, 0x00}});
  EXPECT_EQ(out[0].value,
            testing::Concat({ItemHeader(static_cast<uint32_t>(innerBig.size()), true), innerBig}))
      << Hex(out[0].value);
}

TEST(ConvertDataset, FlatSequence_ContentIsConvertedLikeTopLevelRecords) {
  // Undefined-length sequence: an undefined-length item with a US value, then a
  // defined-length item holding implicit elements.
  const Bytes item = ImplicitItem();
  TagList source{
      Undefined(0x0008, 0x1140, ""),
      Undefined(0xFFFE, 0xE000, ""),
      Record(0x0028, 0x0010, "", {0x00, 0x02}),
      Record(0xFFFE, 0xE00D, "", {}),
      Record(0xFFFE, 0xE000, "", item),
      Record(0xFFFE, 0xE0DD, "", {}),
  };
  TagList out;
  ASSERT_EQ(ConvertDataset(out, source, kBig, kImplicit), ConvertStatus::kOk) << Describe(out);
  ASSERT_EQ(out.size(), source.size());
  EXPECT_TRUE(out[0].HasUndefinedLength());
  EXPECT_EQ(out[0].VRText(), "SQ");
  EXPECT_EQ(out[2].value, (Bytes{0x02, 0x00}));
  EXPECT_EQ(out[4].value, ExplicitItem(true)) << Hex(out[4].value);
  EXPECT_EQ(out[4].length, ExplicitItem(true).size());
}

TEST(ConvertDataset, MalformedSequenceValue_FailsAndLeavesOutputAsItWas) {
  // The item claims 100 bytes; the value holds 8.
  const Bytes value = testing::Concat({ItemHeader(100, false), Bytes(8, 0x20)});
  TagList source{Record(0x0008, 0x0060, "CS", Text("OT")), Record(0x0008, 0x1140, "SQ", value)};
  TagList out;
  EXPECT_NE(ConvertDataset(out, source, kImplicit, kExplicit), ConvertStatus::kOk);
  EXPECT_TRUE(out.empty()) << Describe(out);
  // Left as it is when nothing needs re-encoding.
  EXPECT_EQ(ConvertDataset(out, source, kLossless, kExplicit), ConvertStatus::kOk);
}

// Sequences within items within sequences, `depth` levels, explicit VR little endian.
Bytes NestedSequences(int depth) {
  Bytes value;
  for (int level = 0; level < depth; ++level) {
    const Bytes item =
        testing::Concat({ItemHeader(static_cast<uint32_t>(value.size()), false), value});
    Bytes header = testing::Concat({{0x08, 0x00, 0x40, 0x11}, Text("SQ"), {0, 0}, {0, 0, 0, 0}});
    for (int i = 0; i < 4; ++i)
      header[8 + i] = static_cast<uint8_t>(item.size() >> (8 * i));
    value = testing::Concat({header, item});
  }
  return value;
}

TEST(ConvertDataset, DeeplyNestedSequence_FailsRatherThanRecursingWithoutEnd) {
  TagList out;
  EXPECT_EQ(ConvertDataset(out, {Record(0x0008, 0x1140, "SQ", NestedSequences(20))}, kImplicit,
                           kExplicit),
            ConvertStatus::kOk);
  out.clear();
  EXPECT_NE(ConvertDataset(out, {Record(0x0008, 0x1140, "SQ", NestedSequences(200))}, kImplicit,
                           kExplicit),
            ConvertStatus::kOk);
  EXPECT_TRUE(out.empty());
}

TEST(ConvertDataset, GroupLengths_EachCoversUpToTheNextOrTheEnd) {
  TagList source{
      Record(0x0008, 0x0000, "UL", {0, 0, 0, 0}),
      Record(0x0008, 0x0016, "UI", Text("1.2.3\0")),  // 8 + 6
      Record(0x0008, 0x0060, "CS", Text("OT")),       // 8 + 2
      Record(0x0010, 0x0000, "UL", {0xFF, 0xFF, 0xFF, 0xFF}),
      Record(0x0010, 0x0010, "PN", Text("DOE^JO")),  // 8 + 6
      Record(0x0028, 0x0010, "US", {0, 0}),          // 8 + 2
      Record(0x0028, 0x0011, "US", {0, 0}),          // 8 + 2
      Record(0x0028, 0x0100, "US", {8, 0}),          // 8 + 2
      Record(0x0028, 0x0004, "CS", Text("MONOCHROME2 ")),
      Record(0x7FE0, 0x0010, "OB", {}),  // 12 + 0 explicit, 8 implicit
  };
  // MONOCHROME2: 8 + 12
  TagList out;
  ASSERT_EQ(ConvertDataset(out, source, kImplicit, kExplicit), ConvertStatus::kOk) << Describe(out);
  EXPECT_EQ(out[0].value, (Bytes{24, 0, 0, 0})) << Describe(out[0]);
  EXPECT_EQ(out[3].value, (Bytes{14 + 10 + 10 + 10 + 20 + 8, 0, 0, 0})) << Describe(out[3]);

  TagList big;
  ASSERT_EQ(ConvertDataset(big, source, kBig, kExplicit), ConvertStatus::kOk);
  EXPECT_EQ(big[0].value, (Bytes{0, 0, 0, 24}));
  EXPECT_EQ(big[3].value, (Bytes{0, 0, 0, 14 + 10 + 10 + 10 + 20 + 12})) << Describe(big[3]);
}

TEST(ConvertTS, Success_ReplacesTheRecords) {
  TagList list = NumbersList();
  ASSERT_TRUE(ConvertTS(list, kBig, kExplicit));
  EXPECT_EQ(Find(list, 0x0028, 0x0010).value, (Bytes{0x02, 0x00}));
}

TEST(ConvertTS, Failure_LeavesTheListExactlyAsItWas) {
  // Native pixel data two bytes longer than 2 x 2 x 8 bits.
  TagList list{Record(0x0028, 0x0004, "CS", Text("MONOCHROME2 ")),
               Record(0x0028, 0x0010, "US", {2, 0}), Record(0x0028, 0x0011, "US", {2, 0}),
               Record(0x0028, 0x0100, "US", {8, 0}), Record(0x7FE0, 0x0010, "OB", Bytes(6, 7))};
  const TagList before = list;
  EXPECT_FALSE(ConvertTS(list, kBig, kExplicit));
  EXPECT_TRUE(SameList(list, before)) << Describe(list);
  EXPECT_FALSE(ConvertTS(list, kExplicit, "1.2.840.10008.1.2.4.91"));
  EXPECT_TRUE(SameList(list, before)) << Describe(list);
}

TEST(TranscodeSequence, UndefinedLengthItemsInsideADefinedLengthSequenceStayFlat) {
  // Explicit value: an undefined-length item with (0008,1150), its delimiter.
  const Bytes value = testing::Concat({{0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF},
                                       {0x08, 0x00, 0x50, 0x11},
                                       Text("UI"),
                                       {0x06, 0x00},
                                       Text("1.2.3\0"),
                                       {0xFE, 0xFF, 0x0D, 0xE0, 0, 0, 0, 0}});
  const TagRecord record = Record(0x0008, 0x1140, "SQ", value);
  TagList content;
  ASSERT_TRUE(TranscodeSequence(record, content, true, ByteOrder::kLittleEndian, false,
                                ByteOrder::kLittleEndian));
  ASSERT_EQ(content.size(), 3u) << Describe(content);
  EXPECT_TRUE(content[0].HasUndefinedLength());
  EXPECT_EQ(content[1].VRText(), "UI");
  TagRecord encoded = Record(0x0008, 0x1140, "SQ", {});
  ASSERT_TRUE(EncodeList(encoded, content, false, ByteOrder::kLittleEndian));
  const Bytes expected = testing::Concat({{0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF},
                                          {0x08, 0x00, 0x50, 0x11, 0x06, 0, 0, 0},
                                          Text("1.2.3\0"),
                                          {0xFE, 0xFF, 0x0D, 0xE0, 0, 0, 0, 0}});
  EXPECT_EQ(encoded.value, expected) << Hex(encoded.value);
  EXPECT_EQ(encoded.length, expected.size());
}

}  // namespace
}  // namespace norvane
