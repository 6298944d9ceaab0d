// Reading flat lists: the top-level walk over nested, unbalanced and scrambled sequences,
// numbers of short values, trimmed text, and the records of the flat sequence form.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "datadec/element_encoding.hpp"
#include "datadec/test_bytes.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::Text;

const TagRecord kRows = GenerateUSTag(tag::kRows, 512);
const TagRecord kColumns = GenerateUSTag(tag::kColumns, 256);
const TagRecord kNestedRows = GenerateUSTag(tag::kRows, 16);  // an icon's
const TagRecord kIconSequence = UndefinedLengthHeader(tag::kIconImageSequence, "SQ");
const TagRecord kPixelData = UndefinedLengthHeader(tag::kPixelData, "OB");

std::string Describe(const std::vector<Tag>& tags) {
  std::string text;
  for (const Tag t : tags) {
    char one[16];
    std::snprintf(one, sizeof one, "(%04X,%04X) ", t.group, t.element);
    text += one;
  }
  return text;
}

struct WalkCase {
  const char* name;
  TagList list;
  std::vector<Tag> topLevel;
};

TEST(TopLevel, VisitsRecordsOutsideEverySequenceAndItem) {
  const std::vector<WalkCase> cases = {
      {"no sequences", {kRows, kColumns}, {tag::kRows, tag::kColumns}},
      {"empty list", {}, {}},
      {"nested items and sequences",
       {kIconSequence, ItemHeader(), kNestedRows, kIconSequence, ItemHeader(), kNestedRows,
        ItemDelimiter(), SequenceDelimiter(), ItemDelimiter(), ItemHeader(), ItemDelimiter(),
        SequenceDelimiter(), kRows},
       {tag::kIconImageSequence, tag::kRows}},
      {"encapsulated pixel data",
       {kRows, kPixelData, ItemRecord({}), ItemRecord({1, 2}), SequenceDelimiter(), kColumns},
       {tag::kRows, tag::kPixelData, tag::kColumns}},
      {"items left open are closed by their sequence's delimiter",
       {kIconSequence, ItemHeader(), kNestedRows, ItemHeader(), kNestedRows, SequenceDelimiter(),
        kRows},
       {tag::kIconImageSequence, tag::kRows}},
      {"item delimiter without an item closes nothing",
       {kIconSequence, ItemDelimiter(), kNestedRows, SequenceDelimiter(), kRows},
       {tag::kIconImageSequence, tag::kRows}},
      {"stray delimiters and defined items at the top are passed over",
       {SequenceDelimiter(), ItemDelimiter(), kRows, ItemRecord({1, 2}), SequenceDelimiter(),
        kColumns},
       {tag::kRows, tag::kColumns}},
      {"stray item of undefined length hides its content",
       {ItemHeader(), kNestedRows, ItemDelimiter(), kRows},
       {tag::kRows}},
      {"sequence never closed",
       {kRows, kIconSequence, ItemHeader(), kNestedRows, kColumns},
       {tag::kRows, tag::kIconImageSequence}},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Tag> seen;
    for (const TagRecord& record : TopLevel(c.list))
      seen.push_back(record.GetTag());
    EXPECT_EQ(Describe(seen), Describe(c.topLevel));
    // The first Rows at the top, never an icon's Rows before it.
    const TagRecord* rows = FindTopLevel(c.list, tag::kRows);
    ASSERT_EQ(rows != nullptr, std::count(seen.begin(), seen.end(), tag::kRows) > 0);
    if (rows != nullptr) {
      EXPECT_EQ(FirstUS(*rows), 512);
    }
  }
}

TEST(RecordValues, NumbersOfShortValuesAreZero) {
  struct Case {
    Bytes value;
    uint32_t length;  // as the record says
    uint16_t us, usBig;
    uint32_t ul, ulBig;
  };
  const std::vector<Case> cases = {
      {{}, 0, 0, 0, 0, 0},
      {{0x12}, 1, 0, 0, 0, 0},
      {{0x12, 0x34}, 2, 0x3412, 0x1234, 0, 0},
      {{0x12, 0x34, 0x56}, 3, 0x3412, 0x1234, 0, 0},
      {{0x12, 0x34, 0x56, 0x78}, 4, 0x3412, 0x1234, 0x78563412, 0x12345678},
      {{0x12, 0x34, 0x56, 0x78}, 2, 0x3412, 0x1234, 0, 0},  // bytes past the length
      {{}, kUndefinedLength, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Hex(c.value) + " length " + std::to_string(c.length));
    TagRecord record = Record(0x0028, 0x0010, "US", c.value);
    record.length = c.length;
    EXPECT_EQ(FirstUS(record), c.us);
    EXPECT_EQ(FirstUS(record, ByteOrder::kBigEndian), c.usBig);
    EXPECT_EQ(FirstUL(record), c.ul);
    EXPECT_EQ(FirstUL(record, ByteOrder::kBigEndian), c.ulBig);
  }
}

TEST(RecordValues, TrimmedTextDropsBytesUpTo0x20AtBothEnds) {
  const std::vector<std::pair<std::string_view, std::string_view>> cases = {
      {"", ""},
      {std::string_view("  \0\t\r\n", 6), ""},
      {" CT ", "CT"},
      {std::string_view("\0DOE^JOHN \0", 11), "DOE^JOHN"},
      {"A B", "A B"},
      {"!x\x7F", "!x\x7F"},
      {"\xA0X\xA0", "\xA0X\xA0"},
  };
  for (const auto& [text, trimmed] : cases) {
    SCOPED_TRACE(testing::Hex(Bytes(text.begin(), text.end())));
    EXPECT_EQ(TrimmedText(text), trimmed);
    const TagList list = {GenerateTextTag(tag::kModality, "CS", text)};
    EXPECT_EQ(TrimmedText(list.front()), trimmed);
    EXPECT_EQ(TrimmedText(list, tag::kModality), trimmed);
    EXPECT_EQ(TrimmedText(list, tag::kRows), "");
  }
}

// Items and delimiters carry VR "DL" and are written without VR in every encoding.
TEST(FlatSequence, BuiltRecordsEncodeAsItemsAndDelimiters) {
  const TagList list = {UndefinedLengthHeader(tag::kReferencedImageSequence, "SQ"), ItemHeader(),
                        ItemDelimiter(), SequenceDelimiter(), ItemRecord({'A', 'B'})};
  for (size_t i = 1; i < list.size(); ++i) {
    EXPECT_EQ(list[i].VRText(), "DL") << i;
  }
  const Bytes items = {0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x0D, 0xE0,
                       0,    0,    0,    0,    0xFE, 0xFF, 0xDD, 0xE0, 0,    0,    0,    0,
                       0xFE, 0xFF, 0x00, 0xE0, 2,    0,    0,    0,    'A',  'B'};
  const Bytes explicitHeader = {0x08, 0x00, 0x40, 0x11, 'S', 'Q', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  const Bytes implicitHeader = {0x08, 0x00, 0x40, 0x11, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(EncodeTags(list, true, ByteOrder::kLittleEndian),
            testing::Concat({explicitHeader, items}));
  EXPECT_EQ(EncodeTags(list, false, ByteOrder::kLittleEndian),
            testing::Concat({implicitHeader, items}));
  EXPECT_TRUE(HoldsEncodedContent(list.back()));
  EXPECT_FALSE(HoldsEncodedContent(list[1])) << "an item of undefined length holds no value";
  EXPECT_TRUE(HoldsEncodedContent(Record(0x0008, 0x1140, "SQ", items)));
  EXPECT_FALSE(HoldsEncodedContent(Record(0x0008, 0x1140, "UN", items)));
}

}  // namespace
}  // namespace norvane
