#include "database/index_record.hpp"

#include <gtest/gtest.h>

#include <string>

#include "database/store_uid.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "support/index_test_objects.hpp"

namespace norvane {
namespace {

using testing::CompleteObject;
using testing::MinimalObject;
using testing::PaddedText;

constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.1";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.1.2";
constexpr std::string_view kInstance = "1.2.826.0.1.3680043.2.1125.1.2.3";

void Replace(TagList& list, TagRecord record) {
  TagRecord* found = FindTag(list, record.group, record.element);
  ASSERT_NE(found, nullptr);
  *found = std::move(record);
}

TEST(IndexRecord, StudyRecordHoldsElevenFieldsInTableOrder) {
  EXPECT_EQ(BuildStudyRecord(CompleteObject(kStudy, kSeries, kInstance), "31012024 10:11:12"),
            "1.2.826.0.1.3680043.2.1125.1,20240131,093015.123,PID-0042,19700101,Doe^John,"
            "Smith^Anna,ACC123,CT,Chest,\xA7"
            "31012024 10:11:12\r\n");
}

TEST(IndexRecord, SeriesRecordHoldsTenFieldsInTableOrder) {
  EXPECT_EQ(BuildSeriesRecord(CompleteObject(kStudy, kSeries, kInstance)),
            "3,1.2.826.0.1.3680043.2.1125.1.2,1,20240131,093500,Axial 5mm,HFS,CHEST,"
            "Acme Medical,1.2.826.0.1.3680043.2.1125.9\r\n");
}

TEST(IndexRecord, ImageRecordHoldsTwelveFieldsWithRowsAndColumnsInDecimal) {
  EXPECT_EQ(BuildImageRecord(CompleteObject(kStudy, kSeries, kInstance)),
            "1,7,1.2.826.0.1.3680043.2.1125.1.2.3,20240201,093612,1,1,-12.5,"
            "1.2.840.10008.5.1.4.1.1.2,512,256,ORIGINAL\\PRIMARY\\AXIAL\r\n");
}

TEST(IndexRecord, MissingElementsLeaveEmptyFieldsWithEveryComma) {
  const TagList object = MinimalObject(kStudy, kSeries, kInstance);
  EXPECT_EQ(BuildStudyRecord(object, "x"), std::string(kStudy) + ",,,,,,,,,,\xA7x\r\n");
  EXPECT_EQ(BuildSeriesRecord(object), "," + std::string(kSeries) + ",,,,,,,,\r\n");
  EXPECT_EQ(BuildImageRecord(object), ",," + std::string(kInstance) + ",,,,,,,,,\r\n");
  EXPECT_EQ(BuildStudyRecord(TagList{}, ""), ",,,,,,,,,,\xA7\r\n");
}

TEST(IndexRecord, SeriesWithoutSeriesDateStillHasNineCommas) {
  TagList object = CompleteObject(kStudy, kSeries, kInstance);
  std::erase_if(object, [](const TagRecord& r) { return r.Is(0x0008, 0x0021); });
  const std::string line = BuildSeriesRecord(object);
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 9) << line;
  EXPECT_EQ(GetField(line, ',', 4), "");
  EXPECT_EQ(GetField(line, ',', 5), "093500");
}

TEST(IndexRecord, CommasInValuesAreReplacedSoEveryRecordKeepsItsFields) {
  TagList object = CompleteObject(kStudy, kSeries, kInstance);
  Replace(object, PaddedText(0x0010, 0x0010, "PN", "Doe,John,,Dr"));
  Replace(object, PaddedText(0x0008, 0x0090, "PN", "Smith,Anna"));
  Replace(object, PaddedText(0x0008, 0x1030, "LO", "Chest, with contrast"));
  Replace(object, PaddedText(0x0008, 0x0050, "SH", "A,1,2"));
  Replace(object, PaddedText(0x0008, 0x103E, "LO", "Axial, 5mm"));
  Replace(object, PaddedText(0x0008, 0x0008, "CS", "ORIGINAL,PRIMARY"));
  const std::string study = BuildStudyRecord(object, "t");
  EXPECT_EQ(study,
            "1.2.826.0.1.3680043.2.1125.1,20240131,093015.123,PID-0042,19700101,Doe^John^^Dr,"
            "Smith^Anna,A;1;2,CT,Chest; with contrast,\xA7t\r\n");
  EXPECT_EQ(std::count(study.begin(), study.end(), ','), 10);
  EXPECT_EQ(GetField(BuildSeriesRecord(object), ',', 6), "Axial; 5mm");
  EXPECT_EQ(GetField(BuildImageRecord(object), ',', 12), "ORIGINAL;PRIMARY\r\n");
}

TEST(IndexRecord, TextsAreTrimmedAndOtherwiseWrittenByteForByte) {
  TagList object = MinimalObject(kStudy, kSeries, kInstance);
  // Leading blanks, NUL padding and a Latin-1 byte inside the value.
  object.push_back(GenerateTextTag(0x0008, 0x103E, "LO",
                                   std::string("  M\xFC"
                                               "ller\0\0",
                                               10)));
  EXPECT_EQ(GetField(BuildSeriesRecord(object), ',', 6), "M\xFCller");
}

TEST(IndexRecord, LineBreaksInsideAValueDoNotSplitTheRecord) {
  TagList object = MinimalObject(kStudy, kSeries, kInstance);
  object.push_back(PaddedText(0x0008, 0x1030, "LO", "first\r\nsecond\nthird"));
  EXPECT_EQ(BuildStudyRecord(object, "t"),
            std::string(kStudy) + ",,,,,,,,,first  second third,\xA7t\r\n");
}

TEST(IndexRecord, RowsHeldInOneByteAreWrittenFromThatByte) {
  TagList object = MinimalObject(kStudy, kSeries, kInstance);
  const uint8_t rows[] = {0x40};
  object.push_back(GenerateTag(0x0028, 0x0010, 1, rows, "US"));
  EXPECT_EQ(GetField(BuildImageRecord(object), ',', 10), "64");
}

TEST(IndexRecord, ImageRecordNamesTheFileAsTheStoreNamesIt) {
  // The store refuses UIDs over 64 characters; what it is given is named whole.
  const std::string longUID(70, '7');
  const TagList object = MinimalObject(kStudy, kSeries, longUID);
  EXPECT_EQ(GetField(BuildImageRecord(object), ',', kImageFileField), longUID);
  EXPECT_EQ(GetStoreUID(object, tag::kSOPInstanceUID), longUID);
}

TEST(GetField, CountsFieldsFromOne) {
  EXPECT_EQ(GetField("a,b,c", ',', 1), "a");
  EXPECT_EQ(GetField("a,b,c", ',', 2), "b");
  EXPECT_EQ(GetField("a,b,c", ',', 3), "c");
  EXPECT_EQ(GetField("abc", ',', 1), "abc");
  EXPECT_EQ(GetField("a;b", ';', 2), "b");
}

TEST(GetField, MissingOrEmptyFieldsAreEmpty) {
  EXPECT_EQ(GetField("a,b,c", ',', 4), "");
  EXPECT_EQ(GetField("a,b", ',', 5), "");
  EXPECT_EQ(GetField("a,,c", ',', 2), "");
  EXPECT_EQ(GetField("a,b,", ',', 3), "");
  EXPECT_EQ(GetField(",", ',', 1), "");
  EXPECT_EQ(GetField("", ',', 1), "");
  EXPECT_EQ(GetField("a,b", ',', 0), "");
  EXPECT_EQ(GetField("a,b", ',', -3), "");
}

TEST(StoreUID, EndsAtTheFirstNulAndLosesItsPadding) {
  TagList object;
  object.push_back(GenerateTextTag(0x0020, 0x000D, "UI",
                                   std::string("1.2.3\0"
                                               "99",
                                               8)));
  object.push_back(GenerateTextTag(0x0020, 0x000E, "UI", " 1.2.4 "));
  EXPECT_EQ(GetStoreUID(object, tag::kStudyInstanceUID), "1.2.3");
  EXPECT_EQ(GetStoreUID(object, tag::kSeriesInstanceUID), "1.2.4");
  EXPECT_EQ(GetStoreUID(object, tag::kSOPInstanceUID), "");
}

TEST(StoreUID, LongerThanSixtyFourCharactersIsKeptWholeAndRefused) {
  TagList object = MinimalObject(std::string(64, '1') + "2", "1.2", "1.3");
  EXPECT_EQ(GetStoreUID(object, tag::kStudyInstanceUID), std::string(64, '1') + "2");
  EXPECT_EQ(CheckStoreUIDs(object), StoreUIDProblem::kTooLong);
  // Blanks around a UID are padding, not part of it.
  object = MinimalObject(" " + std::string(64, '1') + " ", "1.2", "1.3");
  EXPECT_EQ(CheckStoreUIDs(object), StoreUIDProblem::kNone);
  object = MinimalObject("1.1", "1.2", "../1.3");
  EXPECT_EQ(CheckStoreUIDs(object), StoreUIDProblem::kUnsafe);
}

TEST(StoreUID, OnlyNamesThatStayInTheirFolderAreSafe) {
  EXPECT_TRUE(IsSafeStoreName("1.2.840.10008.5.1.4.1.1.2"));
  EXPECT_TRUE(IsSafeStoreName(""));
  EXPECT_TRUE(IsSafeStoreName("..."));
  EXPECT_TRUE(IsSafeStoreName("1..2"));
  EXPECT_FALSE(IsSafeStoreName("."));
  EXPECT_FALSE(IsSafeStoreName(".."));
  EXPECT_FALSE(IsSafeStoreName("../1.2"));
  EXPECT_FALSE(IsSafeStoreName("1.2/3"));
  EXPECT_FALSE(IsSafeStoreName("/tmp"));
  EXPECT_FALSE(IsSafeStoreName("1,2"));
  EXPECT_FALSE(IsSafeStoreName("1.2\n3"));
  EXPECT_FALSE(IsSafeStoreName("1.2\x7f"));
}

}  // namespace
}  // namespace norvane
