#include "datadec/expand_sequence.hpp"

#include <gtest/gtest.h>

#include "datadec/element_encoding.hpp"
#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Describe;
using testing::Record;
using testing::Text;

Bytes Encoded(const TagList& list, bool explicitVR) {
  return EncodeTags(list, explicitVR, ByteOrder::kLittleEndian).value_or(Bytes{});
}

TagRecord Item(const TagList& content, bool explicitVR) {
  return Record(0xFFFE, 0xE000, "", Encoded(content, explicitVR));
}

struct Expected {
  uint16_t group;
  uint16_t element;
  std::string_view vr;
  uint32_t length;
};

void ExpectFlat(const TagList& out, const std::vector<Expected>& expected) {
  ASSERT_EQ(out.size(), expected.size()) << Describe(out);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(out[i].group, expected[i].group) << "record " << i << "\n" << Describe(out);
    EXPECT_EQ(out[i].element, expected[i].element) << "record " << i << "\n" << Describe(out);
    EXPECT_EQ(out[i].VRText(), expected[i].vr) << "record " << i << "\n" << Describe(out);
    EXPECT_EQ(out[i].length, expected[i].length) << "record " << i << "\n" << Describe(out);
  }
}

const TagList kFirstItem = {Record(0x0008, 0x1150, "UI", Text("1.2.3\0")),
                            Record(0x0008, 0x1155, "UI", Text("1.2.3.4\0"))};
const TagList kSecondItem = {Record(0x0040, 0x0100, "LO", Text("ABCD"))};

TEST(ExpandSequence, SequenceOfTwoDefinedItemsBecomesFlat) {
  const TagRecord sq = Record(0x0008, 0x1140, "SQ",
                              Encoded({Item(kFirstItem, true), Item(kSecondItem, true)}, true));
  TagList out = {Record(0x0010, 0x0010, "PN", Text("KEEP"))};
  ASSERT_TRUE(ExpandSequence(ElementReaderState{true, false, false}, sq, out));
  out.erase(out.begin());
  ExpectFlat(out, {{0x0008, 0x1140, "SQ", kUndefinedLength},
                   {0xFFFE, 0xE000, "", kUndefinedLength},
                   {0x0008, 0x1150, "UI", 6},
                   {0x0008, 0x1155, "UI", 8},
                   {0xFFFE, 0xE00D, "DL", 0},
                   {0xFFFE, 0xE000, "", kUndefinedLength},
                   {0x0040, 0x0100, "LO", 4},
                   {0xFFFE, 0xE00D, "DL", 0},
                   {0xFFFE, 0xE0DD, "DL", 0}});
  EXPECT_EQ(out[2].value, Text("1.2.3\0"));
  EXPECT_EQ(out[5].value, Bytes{}) << "item headers carry no value";
  EXPECT_EQ(out[6].value, Text("ABCD"));
}

TEST(ExpandSequence, ItemRecordClosesWithItemDelimitation) {
  const TagRecord item = Item(kSecondItem, true);
  TagList out;
  ASSERT_TRUE(ExpandSequence(ElementReaderState{true, false, false}, item, out));
  ExpectFlat(out, {{0xFFFE, 0xE000, "", kUndefinedLength},
                   {0x0040, 0x0100, "LO", 4},
                   {0xFFFE, 0xE00D, "DL", 0}});
}

TEST(ExpandSequence, NestedExplicitSequenceIsExpandedButImplicitOneStaysWhole) {
  const TagRecord inner = Record(0x0040, 0xA730, "SQ", Encoded({Item(kSecondItem, true)}, true));
  const TagRecord outer = Record(0x0040, 0xA730, "SQ", Encoded({Item({inner}, true)}, true));
  TagList out;
  ASSERT_TRUE(ExpandSequence(ElementReaderState{true, false, false}, outer, out));
  EXPECT_EQ(out.size(), 9u) << Describe(out);

  const TagRecord innerImplicit =
      Record(0x0040, 0xA730, "SQ", Encoded({Item(kSecondItem, false)}, false));
  const TagRecord outerImplicit =
      Record(0x0040, 0xA730, "SQ", Encoded({Item({innerImplicit}, false)}, false));
  TagList implicitOut;
  ASSERT_TRUE(ExpandSequence(ElementReaderState{false, false, false}, outerImplicit, implicitOut));
  ExpectFlat(implicitOut, {{0x0040, 0xA730, "SQ", kUndefinedLength},
                           {0xFFFE, 0xE000, "", kUndefinedLength},
                           {0x0040, 0xA730, "", innerImplicit.length},
                           {0xFFFE, 0xE00D, "DL", 0},
                           {0xFFFE, 0xE0DD, "DL", 0}});
}

TEST(ExpandSequence, UndefinedLengthContentInsideValueStaysFlat) {
  const TagList content = {testing::Undefined(0xFFFE, 0xE000, ""),
                           Record(0x0040, 0x0100, "LO", Text("ABCD")),
                           Record(0xFFFE, 0xE00D, "", {})};
  const TagRecord sq = Record(0x0008, 0x1140, "SQ", Encoded(content, true));
  TagList out;
  ASSERT_TRUE(ExpandSequence(ElementReaderState{true, false, false}, sq, out));
  ExpectFlat(out, {{0x0008, 0x1140, "SQ", kUndefinedLength},
                   {0xFFFE, 0xE000, "", kUndefinedLength},
                   {0x0040, 0x0100, "LO", 4},
                   {0xFFFE, 0xE00D, "", 0},
                   {0xFFFE, 0xE0DD, "DL", 0}});
}

TEST(ExpandSequence, EmptySequenceGivesHeaderAndDelimiter) {
  TagList out;
  ASSERT_TRUE(ExpandSequence(ElementReaderState{true, false, false},
                             Record(0x0008, 0x1140, "SQ", {}), out));
  ExpectFlat(out, {{0x0008, 0x1140, "SQ", kUndefinedLength}, {0xFFFE, 0xE0DD, "DL", 0}});
}

TEST(ExpandSequence, ItemLongerThanItsSequenceFailsAndLeavesListAlone) {
  Bytes value = Encoded({Item(kFirstItem, true)}, true);
  value[4] = static_cast<uint8_t>(value[4] + 1);  // item length one past the sequence value
  const TagRecord sq = Record(0x0008, 0x1140, "SQ", value);
  TagList out = {Record(0x0010, 0x0010, "PN", Text("KEEP"))};
  EXPECT_FALSE(ExpandSequence(ElementReaderState{true, false, false}, sq, out));
  ASSERT_EQ(out.size(), 1u) << Describe(out);
}

TEST(ExpandSequence, NestedLengthPastItsItemFails) {
  Bytes itemValue = Encoded(kSecondItem, true);
  itemValue[6] = 0x40;  // LO length 64 inside an item of 12 bytes
  const TagRecord sq = Record(
      0x0008, 0x1140, "SQ",
      Encoded({Record(0xFFFE, 0xE000, "", itemValue), Record(0x0040, 0x0100, "LO", Bytes(64, 'x'))},
              true));
  TagList out;
  EXPECT_FALSE(ExpandSequence(ElementReaderState{true, false, false}, sq, out))
      << "the element must not borrow bytes from the record after its item";
  EXPECT_TRUE(out.empty());
}

TEST(ExpandSequence, TruncatedHeaderInValueFails) {
  Bytes value = Encoded({Item(kSecondItem, true)}, true);
  value.resize(value.size() - 10);
  TagList out;
  EXPECT_FALSE(ExpandSequence(ElementReaderState{true, false, false},
                              Record(0x0008, 0x1140, "SQ", value), out));
  EXPECT_TRUE(out.empty());
}

TEST(ExpandSequence, UndefinedLengthRecordIsRefused) {
  TagList out;
  EXPECT_FALSE(ExpandSequence(ElementReaderState{true, false, false},
                              testing::Undefined(0x0008, 0x1140, "SQ"), out));
  EXPECT_TRUE(out.empty());
}

TEST(ExpandSequence, NestingIsBounded) {
  auto nested = [](int levels) {
    TagRecord r = Record(0x0040, 0x0100, "LO", Text("LEAF"));
    for (int i = 0; i < levels; ++i)
      r = Record(0xFFFE, 0xE000, "", Encoded({r}, true));
    return r;
  };
  TagList out;
  EXPECT_TRUE(ExpandSequence(ElementReaderState{true, false, false}, nested(10), out));
  EXPECT_EQ(out.size(), 21u);
  out.clear();
  EXPECT_FALSE(
      ExpandSequence(ElementReaderState{true, false, false}, nested(kMaxSequenceDepth + 1), out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace norvane
