#include "dump/dump_element.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "dictionary/dictionary.hpp"
#include "dump_test_support.hpp"
#include "log/log.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::SequenceOfTwoItems;
using testing::Text;

class DumpElementLog : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(dir_ / "trace.log", 0); }
  void TearDown() override { SetLOG("", 0); }

  // The log's lines without their "<date> <time>, " stamps.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(testing::ReadFileText(dir_ / "trace.log"));
    for (std::string line; std::getline(in, line);) {
      const size_t stamp = line.find(", ");
      lines.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
    }
    return lines;
  }
  std::string Joined() const {
    std::string all;
    for (const std::string& l : Lines())
      all += l + "\n";
    return all;
  }

  testing::TempDir dir_;
};

TEST_F(DumpElementLog, ShortValueLine) {
  EXPECT_TRUE(DumpElement(Record(0x0028, 0x0010, "US", {0x00, 0x02}), true, 1));
  EXPECT_EQ(Lines(), std::vector<std::string>{"(0028,0010),  2,\tUS, \"512\" - Rows"});
}

TEST_F(DumpElementLog, DoubleFloatIsVector) {
  EXPECT_TRUE(DumpElement(Record(0x0018, 0x9087, "FD", {0, 0, 0, 0, 0, 0, 0x89, 0x40}), true, 1));
  EXPECT_EQ(Lines(),
            std::vector<std::string>{"(0018,9087),  8,\tFD, \"Vector!!\" - Diffusion b-value"});
}

TEST_F(DumpElementLog, LongValueAndUndefinedLength) {
  EXPECT_TRUE(DumpElement(Record(0x7FE0, 0x0010, "OB", Bytes(300, 1)), true, 1));
  EXPECT_TRUE(DumpElement(Record(0x0008, 0x0081, "ST", Bytes(255, 'x')), true, 1));
  EXPECT_TRUE(DumpElement(Record(0x0008, 0x0080, "LO", Bytes(254, 'y')), true, 1));
  EXPECT_TRUE(DumpElement(testing::Undefined(0x0008, 0x1140, "SQ"), true, 1));
  const std::vector<std::string> expected = {
      "(7FE0,0010), 300,\tOB", "(0008,0081), 255,\tST",
      "(0008,0080), 254,\tLO, \"" + std::string(254, 'y') + "\" - Institution Name",
      "(0008,1140), -1,\tSQ, \"\" - Referenced Image Sequence"};
  EXPECT_EQ(Lines(), expected) << Joined();
}

TEST_F(DumpElementLog, ImplicitRecordGetsDictionaryVRWithoutChangingCaller) {
  const TagRecord record = Record(0x0010, 0x0010, "", Text("DOE^JOHN"));
  EXPECT_TRUE(DumpElement(record, false, 1));
  EXPECT_FALSE(record.HasVR());
  EXPECT_TRUE(DumpElement(Record(0x0009, 0x0010, "UN", Text("AB")), false, 1));
  const std::vector<std::string> expected = {
      "(0010,0010),  8,\tPN, \"DOE^JOHN\" - Patient\x92s Name",
      "(0009,0010),  2,\tUN, \"AB\" - *** Unidentified ***"};
  EXPECT_EQ(Lines(), expected) << Joined();
}

TEST_F(DumpElementLog, SequenceOfTwoItemsExpandsThreeLevels) {
  const TagRecord sq = SequenceOfTwoItems(true);
  EXPECT_TRUE(DumpElement(sq, true, 1));
  const std::vector<std::string> expected = {
      "(0008,1140), " + std::to_string(sq.length) + ",\tSQ",
      "...(FFFE,E000), 50,\t",
      "......(0008,1150), 26,\tUI, \"1.2.840.10008.5.1.4.1.1.2\" - Referenced SOP Class UID",
      "......(0008,1155),  8,\tUI, \"1.2.3.4\" - Referenced SOP Instance UID",
      "...(FFFE,E000), 10,\t",
      "......(0028,0010),  2,\tUS, \"512\" - Rows",
  };
  EXPECT_EQ(Lines(), expected) << Joined();
}

TEST_F(DumpElementLog, ImplicitSequenceItemsTakeDictionaryVRs) {
  TagRecord sq = SequenceOfTwoItems(false);
  LookupVR(sq);  // as the message decoder does before dumping
  EXPECT_TRUE(DumpElement(sq, false, 1));
  const std::vector<std::string> expected = {
      "(0008,1140), " + std::to_string(sq.length) + ",\tSQ",
      "...(FFFE,E000), 50,\tDL",
      "......(0008,1150), 26,\tUI, \"1.2.840.10008.5.1.4.1.1.2\" - Referenced SOP Class UID",
      "......(0008,1155),  8,\tUI, \"1.2.3.4\" - Referenced SOP Instance UID",
      "...(FFFE,E000), 10,\tDL",
      "......(0028,0010),  2,\tUS, \"512\" - Rows",
  };
  EXPECT_EQ(Lines(), expected) << Joined();
}

TEST_F(DumpElementLog, TraceLevelTwoLogsSequenceDecoding) {
  SetLOG("", 2);
  const TagRecord sq = SequenceOfTwoItems(true);
  EXPECT_TRUE(DumpElement(sq, true, 1));
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 12u) << Joined();
  EXPECT_EQ(lines[1], "dictionary::Exp_One_SQ::tag->length=" + std::to_string(sq.length));
  EXPECT_EQ(lines[2], "dictionary::Exp_One_SQ::out->Count=2");
  EXPECT_EQ(lines[3], "...(FFFE,E000), 50,\t");
  EXPECT_EQ(lines[4], "dictionary::Exp_One_SQ::tag->length=50");
  EXPECT_EQ(lines[5], "dictionary::Exp_One_SQ::out->Count=2");
}

TEST_F(DumpElementLog, ItemAtFirstLevelIsNotExpanded) {
  const TagRecord item = Record(0xFFFE, 0xE000, "", Text("AB"));
  EXPECT_TRUE(DumpElement(item, true, 1));
  EXPECT_EQ(Lines(), std::vector<std::string>{"(FFFE,E000),  2,\t, \"AB\" - Item"});
}

TEST_F(DumpElementLog, MalformedNestedValueEndsWithFalse) {
  TagRecord sq = SequenceOfTwoItems(true);
  sq.value[4] = 0xFF;  // first item claims more bytes than the sequence holds
  EXPECT_FALSE(DumpElement(sq, true, 1));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u) << Joined();
  EXPECT_EQ(lines[0].substr(0, 13), "(0008,1140), ");
}

TEST_F(DumpElementLog, DeepNestingIsRefusedNotFollowed) {
  TagRecord leaf = Record(0x0040, 0x0100, "LO", Text("LEAF"));
  for (int i = 0; i < kMaxDumpDepth + 5; ++i) {
    leaf = Record(
        0x0040, 0xA730, "SQ",
        testing::Encoded({Record(0xFFFE, 0xE000, "", testing::Encoded({leaf}, true))}, true));
  }
  EXPECT_FALSE(DumpElement(leaf, true, 1));
}

TEST(Exp_One_SQ, DecodesOneLevelAndFailsOnTruncation) {
  const TagRecord sq = SequenceOfTwoItems(false);
  TagList out;
  ASSERT_TRUE(Exp_One_SQ(sq, out, false, false));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_TRUE(out[0].Is(0xFFFE, 0xE000));
  EXPECT_EQ(out[0].VRText(), "DL");
  EXPECT_EQ(out[0].length, 50u);

  TagRecord cut = sq;
  cut.value.resize(cut.value.size() - 3);
  cut.length = static_cast<uint32_t>(cut.value.size());
  TagList partial;
  EXPECT_FALSE(Exp_One_SQ(cut, partial, false, false));
}

}  // namespace
}  // namespace norvane
