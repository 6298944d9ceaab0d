#include "elements/tag_list.hpp"

#include <gtest/gtest.h>

#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::Text;

TEST(GenerateTag, CopiesTwoVRLettersAndLengthBytes) {
  const uint8_t value[] = {'1', '.', '2', 0, 0xEE};
  const TagRecord r = GenerateTag(0x12340008, 0xABCD0018, 4, value, "UIX");
  EXPECT_EQ(r.group, 0x0008);
  EXPECT_EQ(r.element, 0x0018);
  EXPECT_EQ(r.VRText(), "UI");
  EXPECT_EQ(r.length, 4u);
  EXPECT_EQ(r.value, (Bytes{'1', '.', '2', 0}));
}

TEST(GenerateTag, NoValueForZeroOrUndefinedLength) {
  const uint8_t value[] = {1, 2, 3, 4};
  const TagRecord zero = GenerateTag(0x0010, 0x0010, 0, value, "PN");
  EXPECT_TRUE(zero.value.empty());
  const TagRecord undefined = GenerateTag(0x0008, 0x1140, kUndefinedLength, value, "SQ");
  EXPECT_EQ(undefined.length, kUndefinedLength);
  EXPECT_TRUE(undefined.value.empty());
}

TEST(GenerateTag, NullOrShortVRTextReadsNoFurther) {
  EXPECT_FALSE(GenerateTag(0x0008, 0x0016, 0, nullptr, nullptr).HasVR());
  EXPECT_FALSE(GenerateTag(0x0008, 0x0016, 0, nullptr, "").HasVR());
  const TagRecord one = GenerateTag(0x0008, 0x0016, 0, nullptr, "U");
  EXPECT_EQ(one.vr[0], 'U');
  EXPECT_EQ(one.vr[1], 0);
}

TEST(GenerateTag, NullValueWithLengthGivesZeroBytes) {
  const TagRecord r = GenerateTag(0x7FE0, 0x0010, 6, nullptr, "OB");
  EXPECT_EQ(r.value, Bytes(6, 0));
}

TEST(GenerateTag, HelpersForTextAndNumbers) {
  EXPECT_EQ(GenerateTextTag(0x0008, 0x0060, "CS", "MR").value, Text("MR"));
  const TagRecord us = GenerateUSTag(0x0000, 0x0100, 0x8030);
  EXPECT_EQ(us.VRText(), "US");
  EXPECT_EQ(us.value, (Bytes{0x30, 0x80}));
  EXPECT_EQ(GenerateULTag(0x0000, 0x0000, 0x44).value, (Bytes{0x44, 0, 0, 0}));
}

TEST(FindTag, ReturnsEarlierOfTwoEqualTags) {
  TagList list = {Record(0x0010, 0x0020, "LO", Text("A1")),
                  Record(0x0010, 0x0010, "PN", Text("FIRST")),
                  Record(0x0010, 0x0010, "PN", Text("SECOND"))};
  const TagList& constList = list;
  ASSERT_NE(FindTag(constList, 0x0010, 0x0010), nullptr);
  EXPECT_EQ(FindTag(constList, 0x0010, 0x0010), &list[1]);
  TagRecord* mutableRecord = FindTag(list, 0x0010, 0x0010);
  ASSERT_EQ(mutableRecord, &list[1]);
  mutableRecord->SetVR("LO");
  EXPECT_EQ(list[1].VRText(), "LO");
  EXPECT_EQ(FindTag(list, 0x0010, 0x0030), nullptr);
  EXPECT_EQ(FindTag(list, 0x0020, 0x0010), nullptr);
}

TEST(GetTagUS, FirstTwoBytesLittleEndianOrZero) {
  TagList list = {Record(0x0028, 0x0100, "US", {0x10, 0x00}), Record(0x0028, 0x0101, "US", {0x0C}),
                  Record(0x0000, 0x0900, "US", {0x00, 0xFF, 0x12, 0x34})};
  EXPECT_EQ(GetTagUS(list, 0x0028, 0x0100), 16);
  EXPECT_EQ(GetTagUS(list, 0x0028, 0x0101), 0) << "one byte is too short";
  EXPECT_EQ(GetTagUS(list, 0x0000, 0x0900), 0xFF00);
  EXPECT_EQ(GetTagUS(list, 0x0028, 0x0102), 0) << "absent";
  TagRecord undefined = testing::Undefined(0x0028, 0x0103, "US");
  list.push_back(undefined);
  EXPECT_EQ(GetTagUS(list, 0x0028, 0x0103), 0);
}

TEST(GetTagText, PatientNameCommasBecomeCarets) {
  const TagList list = {Record(0x0010, 0x0010, "PN", Text("DOE,JOHN "))};
  EXPECT_EQ(GetTagText(list, 0x0010, 0x0010), "DOE^JOHN");
}

TEST(GetTagText, RowsAndColumnsAreDecimalNumbers) {
  const TagList list = {Record(0x0028, 0x0010, "US", {0x00, 0x02}),
                        Record(0x0028, 0x0011, "US", {0xFF, 0xFF}),
                        Record(0x0028, 0x0012, "US", {0x00, 0x02})};
  EXPECT_EQ(GetTagText(list, 0x0028, 0x0010), "512");
  EXPECT_EQ(GetTagText(list, 0x0028, 0x0011), "65535");
  EXPECT_EQ(GetTagText(list, 0x0028, 0x0012), "")
      << "only Rows and Columns are numbers; the raw bytes 00 02 trim to nothing";
}

TEST(GetTagText, OneByteRowsValueFillsLowByte) {
  const TagList list = {Record(0x0028, 0x0010, "US", {0x07})};
  EXPECT_EQ(GetTagText(list, 0x0028, 0x0010), "7");
}

TEST(GetTagText, TrimsControlBytesAndBlanksOnBothEnds) {
  const TagList list = {
      Record(0x0008, 0x0018, "UI", Text(std::string("1.2.3.4\0", 8))),
      Record(0x0008, 0x0080, "LO", Text(std::string("\0\t  Clinic \x01\x20", 13))),
      Record(0x0008, 0x0090, "PN", Text("\xE9l\xE8ve\xA0")),
      Record(0x0008, 0x1030, "LO", Text("  \n ")),
      Record(0x0010, 0x0020, "LO", Text(std::string("AB\0CD", 5)))};
  EXPECT_EQ(GetTagText(list, 0x0008, 0x0018), "1.2.3.4");
  EXPECT_EQ(GetTagText(list, 0x0008, 0x0080), "Clinic");
  EXPECT_EQ(GetTagText(list, 0x0008, 0x0090), "\xE9l\xE8ve\xA0") << "bytes above 0x7F stay";
  EXPECT_EQ(GetTagText(list, 0x0008, 0x1030), "");
  EXPECT_EQ(GetTagText(list, 0x0010, 0x0020), std::string("AB\0CD", 5));
}

TEST(GetTagText, EmptyForAbsentEmptyOrUndefined) {
  const TagList list = {Record(0x0010, 0x0010, "PN", {}), testing::Undefined(0x0008, 0x1140, "SQ")};
  EXPECT_EQ(GetTagText(list, 0x0010, 0x0010), "");
  EXPECT_EQ(GetTagText(list, 0x0008, 0x1140), "");
  EXPECT_EQ(GetTagText(list, 0x0010, 0x0020), "");
}

TEST(CopyTags, AppendsDeepCopiesAndMayCopyAListOntoItself) {
  TagList source = {Record(0x0008, 0x0060, "CS", Text("CT")),
                    testing::Undefined(0x0008, 0x1140, "SQ")};
  TagList destination = {Record(0x0010, 0x0010, "PN", Text("X"))};
  CopyTags(destination, source);
  ASSERT_EQ(destination.size(), 3u);
  source[0].value[0] = 'M';
  EXPECT_EQ(destination[1].value, Text("CT"));
  EXPECT_TRUE(testing::SameRecord(destination[2], source[1]));

  CopyTags(destination, destination);
  ASSERT_EQ(destination.size(), 6u);
  EXPECT_TRUE(testing::SameRecord(destination[4], destination[1]));

  ClearTags(destination);
  EXPECT_TRUE(destination.empty());
  destination.push_back(Record(0x0008, 0x0060, "CS", Text("MR")));
  EXPECT_EQ(destination.size(), 1u);
}

}  // namespace
}  // namespace norvane
