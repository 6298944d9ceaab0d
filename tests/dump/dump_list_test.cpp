#include "dump/dump_list.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "datadec/element_reader.hpp"
#include "dump/value_text.hpp"
#include "dump_test_support.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::Text;
using testing::Undefined;

std::vector<std::string> Dump(const TagList& list, bool explicitVR) {
  std::vector<std::string> lines;
  DumpList(list, lines, explicitVR);
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines)
    all += l + "\n";
  return all;
}

TEST(DumpList, ShortValueLineHasLengthVRQuotedValueAndName) {
  const auto lines = Dump({Record(0x0028, 0x0010, "US", {0x00, 0x02})}, true);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "(0028, 0010), 2, US  \"512\" - Rows");
}

TEST(DumpList, ValuesOf256BytesOrMoreAreNotShown) {
  const auto lines = Dump(
      {Record(0x7FE0, 0x0010, "OB", Bytes(300, 'A')), Record(0x0008, 0x0080, "LO", Bytes(256, 'B')),
       Record(0x0008, 0x0081, "ST", Bytes(255, 'C'))},
      true);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "(7FE0, 0010), 300, OB - Pixel Data");
  EXPECT_EQ(lines[1], "(0008, 0080), 256, LO - Institution Name");
  EXPECT_EQ(lines[2],
            "(0008, 0081), 255, ST  \"" + std::string(255, 'C') + "\" - Institution Address");
}

TEST(DumpList, EmptyAndUndefinedLengthsHaveNoLengthOrValue) {
  const auto lines =
      Dump({Record(0x0010, 0x0010, "PN", {}), Undefined(0x0008, 0x1140, "SQ")}, true);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "(0010, 0010), PN - Patient\x92s Name");
  EXPECT_EQ(lines[1], "(0008, 1140), SQ - Referenced Image Sequence");
}

TEST(DumpList, ImplicitRecordsShowDictionaryVRAndListStaysUnchanged) {
  const TagList list = {Record(0x0010, 0x0010, "", Text("DOE^JOHN")),
                        Record(0x0009, 0x1001, "", Text("ABCD"))};
  const auto lines = Dump(list, false);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "(0010, 0010), 8, PN  \"DOE^JOHN\" - Patient\x92s Name");
  EXPECT_EQ(lines[1], "(0009, 1001), 4,   \"ABCD\" - *** Unidentified ***");
  EXPECT_FALSE(list[0].HasVR());
  const auto explicitLines = Dump({Record(0x0010, 0x0010, "UN", Text("X"))}, true);
  EXPECT_EQ(explicitLines[0], "(0010, 0010), 1, UN  \"X\" - Patient\x92s Name")
      << "explicit records keep the VR they were read with";
}

TEST(DumpList, ItemsOfUndefinedLengthSequenceReadFromImplicitDataArePrefixed) {
  const TagList written = {
      Undefined(0x0008, 0x1140, "SQ"),
      Undefined(0xFFFE, 0xE000, "DL"),
      Record(0x0008, 0x1150, "UI", Text("1.2.3\0")),
      Undefined(0x0040, 0xA730, "SQ"),
      Undefined(0xFFFE, 0xE000, "DL"),
      Record(0x0040, 0xA040, "CS", Text("TEXT")),
      Record(0xFFFE, 0xE00D, "DL", {}),
      Record(0xFFFE, 0xE0DD, "DL", {}),
      Record(0xFFFE, 0xE00D, "DL", {}),
      Undefined(0xFFFE, 0xE000, "DL"),
      Record(0x0008, 0x1155, "UI", Text("9\0")),
      Record(0xFFFE, 0xE00D, "DL", {}),
      Record(0xFFFE, 0xE0DD, "DL", {}),
      Record(0x0010, 0x0010, "PN", Text("DOE^JOHN")),
  };
  const Bytes bytes = testing::Encoded(written, false);
  ElementReader reader(bytes, false, false);
  TagList read;
  while (!reader.AtEnd())
    read.push_back(ReadElement(reader).value());
  const std::vector<std::string> expected = {
      "(0008, 1140), SQ - Referenced Image Sequence",
      "(FFFE, E000), DL - Item",
      ".....(0008, 1150), 6, UI  \"1.2.3\" - Referenced SOP Class UID",
      ".....(0040, A730), SQ - Content Sequence",
      ".....(FFFE, E000), DL - Item",
      "..........(0040, A040), 4, CS  \"TEXT\" - Value Type",
      "..........(FFFE, E00D), DL - Item Delimitation Item",
      ".....(FFFE, E0DD), DL - Sequence Delimitation Item",
      ".....(FFFE, E00D), DL - Item Delimitation Item",
      "(FFFE, E000), DL - Item",
      ".....(0008, 1155), 2, UI  \"9\" - Referenced SOP Instance UID",
      ".....(FFFE, E00D), DL - Item Delimitation Item",
      "(FFFE, E0DD), DL - Sequence Delimitation Item",
      "(0010, 0010), 8, PN  \"DOE^JOHN\" - Patient\x92s Name",
  };
  const auto lines = Dump(read, false);
  EXPECT_EQ(lines, expected) << Joined(lines);
}

TEST(DumpList, EmptyItemOpensNoLevel) {
  const auto lines =
      Dump({Undefined(0x0008, 0x1140, "SQ"), Record(0xFFFE, 0xE000, "DL", {}),
            Record(0xFFFE, 0xE0DD, "DL", {}), Record(0x0008, 0x0060, "CS", Text("CT"))},
           true);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "(0008, 0060), 2, CS  \"CT\" - Modality") << Joined(lines);
}

TEST(DumpList, EncapsulatedPixelDataFragments) {
  const auto lines =
      Dump({Undefined(0x7FE0, 0x0010, "OB"), Record(0xFFFE, 0xE000, "", {}),
            Record(0xFFFE, 0xE000, "", Bytes(1000, 0xFF)), Record(0xFFFE, 0xE0DD, "", {})},
           true);
  const std::vector<std::string> expected = {"(7FE0, 0010), OB - Pixel Data",
                                             "(FFFE, E000),  - Item", "(FFFE, E000), 1000,  - Item",
                                             "(FFFE, E0DD),  - Sequence Delimitation Item"};
  EXPECT_EQ(lines, expected) << Joined(lines);
}

TEST(DumpList, CallbackSinkGetsTheSameLines) {
  std::vector<std::string> seen;
  DumpList(
      {Record(0x0028, 0x0011, "US", {0x00, 0x01})},
      [&seen](std::string_view line) { seen.emplace_back(line); }, true);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "(0028, 0011), 2, US  \"256\" - Columns");
}

// A sequence nested `depth` items deep, a Rows element at the bottom, and Columns after it
// at the top level: the flat list the file reader makes of it.
TagList NestedSequences(int depth) {
  TagList list;
  for (int i = 0; i < depth; ++i) {
    list.push_back(Undefined(0x0008, 0x1140, "SQ"));
    list.push_back(Undefined(0xFFFE, 0xE000, ""));
  }
  list.push_back(Record(0x0028, 0x0010, "US", {0x00, 0x02}));
  for (int i = 0; i < depth; ++i) {
    list.push_back(Record(0xFFFE, 0xE00D, "", {}));
    list.push_back(Record(0xFFFE, 0xE0DD, "", {}));
  }
  list.push_back(Record(0x0028, 0x0011, "US", {0x00, 0x01}));
  return list;
}

TEST(DumpList, NestingIsFollowedSixtyFourItemsDeepThenOneLineSaysWhereItStops) {
  for (const int depth : {64, 65, 100, 5000}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    const auto lines = Dump(NestedSequences(depth), true);
    const std::string deepest(5 * kMaxDumpListDepth, '.');
    size_t longest = 0;
    for (const std::string& line : lines)
      longest = std::max(longest, line.size());
    EXPECT_LE(longest, deepest.size() + 80);
    EXPECT_EQ(lines.back(), "(0028, 0011), 2, US  \"256\" - Columns");
    const auto limit =
        std::find(lines.begin(), lines.end(), deepest + std::string(kDumpDepthLimitText));
    if (depth <= kMaxDumpListDepth) {
      EXPECT_EQ(limit, lines.end());
      EXPECT_NE(
          std::find(lines.begin(), lines.end(), deepest + "(0028, 0010), 2, US  \"512\" - Rows"),
          lines.end());
      EXPECT_EQ(lines.size(), NestedSequences(depth).size());
    } else {
      ASSERT_NE(limit, lines.end());
      // 65 sequences and items down to depth 64, the limit line, then the delimiters from
      // depth 64 up and Columns.
      EXPECT_EQ(lines.size(), 2u * 65 + 1 + (1 + 2u * 64) + 1);
    }
  }
}

TEST(DumpList, TerminalTextEscapesValuesAndGivesNamesInUtf8) {
  std::vector<std::string> lines;
  DumpList(
      {Record(0x0010, 0x0010, "PN",
              Text("\x1B]0;owned\x07"
                   "Doe\x9B"
                   "2J\xC3\xA9\n")),
       Record(0x0008, 0x0090, "PN", Text("Smith"))},
      [&lines](std::string_view line) { lines.emplace_back(line); }, true,
      DumpListOptions{.terminalText = true});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "(0010, 0010), 19, PN  \"\\x1B]0;owned\\x07Doe\\x9B2J\xC3\xA9\\x0A\" - "
            "Patient\xE2\x80\x99s Name");
  EXPECT_EQ(lines[1], "(0008, 0090), 5, PN  \"Smith\" - Referring Physician\xE2\x80\x99s Name");
  // Without the option the bytes stand as they are.
  EXPECT_EQ(Dump({Record(0x0008, 0x0090, "PN", Text("\x1B"))}, true)[0],
            "(0008, 0090), 1, PN  \"\x1B\" - Referring Physician\x92s Name");
}

TEST(DumpValueText, NumbersVectorsAndText) {
  auto text = [](std::string_view vr, Bytes value) {
    const TagRecord r = Record(0x0018, 0x0050, vr, std::move(value));
    return DumpValueText(r, r.vr);
  };
  EXPECT_EQ(text("FL", {0x00, 0x00, 0xC0, 0x3F}), " 1.50");
  EXPECT_EQ(text("FL", {0x00, 0x00, 0x20, 0x41, 0, 0, 0, 0}), "Vector!!");
  EXPECT_EQ(text("FD", {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), "Vector!!");
  EXPECT_EQ(text("FD", {0x00, 0x00, 0x48, 0xC2}), "-50.00");
  EXPECT_EQ(text("FL", {0x00, 0x00}), " 0.00") << "a short value fills the low bytes";
  EXPECT_EQ(text("SS", {0xFF, 0xFF}), "65535");
  EXPECT_EQ(text("US", {0x01, 0x00, 0x02, 0x00}), "131073");
  EXPECT_EQ(text("UL", {0xFF, 0xFF, 0xFF, 0xFF}), "-1");
  EXPECT_EQ(text("SL", {0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00}), "Vector!!");
  EXPECT_EQ(text("US", {0x07}), "7");
  EXPECT_EQ(text("UI", Text("1.2.3\0")), "1.2.3");
  EXPECT_EQ(text("OB", {'A', 0, 'B'}), "A");
  EXPECT_EQ(text("LO", {}), "");
}

}  // namespace
}  // namespace norvane
