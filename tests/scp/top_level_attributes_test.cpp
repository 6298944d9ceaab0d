#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "database/archive_query.hpp"
#include "database/index_file.hpp"
#include "database/index_record.hpp"
#include "database/stored_objects.hpp"
#include "dimse/query_identifier.hpp"
#include "dimse/store_request.hpp"
#include "dimse/store_scu.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/record_values.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"
#include "dimse/dimse_command.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

// Every attribute the archive files, indexes, matches and sends by is read from the top
// level of the data set: a sequence before it that holds the same attribute of another
// object (a referenced series, the evidence of a request) never stands in for it.

namespace norvane {
namespace {

using testing::PaddedText;

constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.41";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.41.2";
constexpr std::string_view kInstance = "1.2.826.0.1.3680043.2.1125.41.2.3";
constexpr std::string_view kImplicitLE = "1.2.840.10008.1.2";

TagList Object() {
  TagList object = testing::CompleteObject(kStudy, kSeries, kInstance);
  object.push_back(PaddedText(0x0008, 0x0060, "CS", "CT"));
  object.push_back(PaddedText(0x0008, 0x0080, "LO", "JFK IMAGING CENTER"));
  std::sort(object.begin(), object.end(),
            [](const TagRecord& a, const TagRecord& b) { return a.GetTag() < b.GetTag(); });
  return object;
}

// The object behind a Language Code Sequence (0008,0006), which comes before every
// attribute read, holding each of them with another value.
TagList WithNestedDecoys(const TagList& object) {
  TagList list = {UndefinedLengthHeader(tag::kLanguageCodeSequence, "SQ"), ItemHeader()};
  for (const TagRecord& record : object) {
    const std::string_view vr(record.vr, 2);
    list.push_back(vr == "US"   ? GenerateUSTag(record.GetTag(), 999)
                   : vr == "UI" ? PaddedText(record.group, record.element, vr, "1.2.999.1")
                                : PaddedText(record.group, record.element, vr, "99"));
  }
  list.push_back(ItemDelimiter());
  list.push_back(SequenceDelimiter());
  list.insert(list.end(), object.begin(), object.end());
  return list;
}

StoreWorkOutcome Store(const std::string& root, TagList dataset) {
  return StoreThread(root, std::move(dataset), std::string(kImplicitLE)).Run();
}

// Field `field` of the first line of an index file under `root`; empty without one.
std::string IndexField(const std::string& root, std::string_view index, int field) {
  const std::string study = root + "/" + std::string(kStudy) + "/";
  const std::string folder = index == kStudyIndexFile    ? root + "/"
                             : index == kSeriesIndexFile ? study
                                                         : study + std::string(kSeries) + "/";
  const auto lines = ReadIndexLines(folder + std::string(index));
  return lines && !lines->empty() ? GetField(lines->front(), kIndexFieldSeparator, field) : "";
}

// The answer of an IMAGE level C-FIND to the key, as trimmed text.
std::string Answered(const std::string& root, Tag key, std::string_view vr) {
  const TagList identifier = {PaddedText(0x0008, 0x0052, "CS", "IMAGE"),
                              PaddedText(key.group, key.element, vr, "")};
  const QueryAnswer answer =
      QueryStoredObjects(root, QueryModel::kStudyRoot, identifier, "ARCHIVE");
  if (answer.matches.size() != 1) return "<" + std::to_string(answer.matches.size()) + ">";
  const TagRecord* value = FindTag(answer.matches[0], key);
  return value != nullptr ? TrimmedText(*value) : "<none>";
}

TEST(TopLevelAttributes, EachIsReadOutsideEverySequenceAndNeverFromInside) {
  struct Case {
    Tag tag;
    const char* vr;
    std::string_view index;  // the index file that holds it, or none
    int field;
    bool names;  // names a folder or file: never left out
  };
  const Case cases[] = {
      {tag::kStudyInstanceUID, "UI", kStudyIndexFile, 1, true},
      {tag::kStudyDate, "DA", kStudyIndexFile, 2, false},
      {tag::kStudyTime, "TM", kStudyIndexFile, 3, false},
      {tag::kPatientID, "LO", kStudyIndexFile, 4, false},
      {tag::kPatientBirthDate, "DA", kStudyIndexFile, 5, false},
      {tag::kPatientName, "PN", kStudyIndexFile, 6, false},
      {tag::kReferringPhysicianName, "PN", kStudyIndexFile, 7, false},
      {tag::kAccessionNumber, "SH", kStudyIndexFile, 8, false},
      {tag::kModalitiesInStudy, "CS", kStudyIndexFile, 9, false},
      {tag::kStudyDescription, "LO", kStudyIndexFile, 10, false},
      {tag::kSeriesNumber, "IS", kSeriesIndexFile, 1, false},
      {tag::kSeriesInstanceUID, "UI", kSeriesIndexFile, 2, true},
      {tag::kSeriesDate, "DA", kSeriesIndexFile, 4, false},
      {tag::kSeriesTime, "TM", kSeriesIndexFile, 5, false},
      {tag::kSeriesDescription, "LO", kSeriesIndexFile, 6, false},
      {tag::kPatientPosition, "CS", kSeriesIndexFile, 7, false},
      {tag::kBodyPartExamined, "CS", kSeriesIndexFile, 8, false},
      {tag::kManufacturer, "LO", kSeriesIndexFile, 9, false},
      {tag::kFrameOfReferenceUID, "UI", kSeriesIndexFile, 10, false},
      {tag::kAcquisitionNumber, "IS", kImageIndexFile, 1, false},
      {tag::kInstanceNumber, "IS", kImageIndexFile, 2, false},
      {tag::kSOPInstanceUID, "UI", kImageIndexFile, 3, true},
      {tag::kContentDate, "DA", kImageIndexFile, 4, false},
      {tag::kContentTime, "TM", kImageIndexFile, 5, false},
      {tag::kEchoNumbers, "IS", kImageIndexFile, 6, false},
      {tag::kNumberOfFrames, "IS", kImageIndexFile, 7, false},
      {tag::kSliceLocation, "DS", kImageIndexFile, 8, false},
      {tag::kSOPClassUID, "UI", kImageIndexFile, 9, true},
      {tag::kRows, "US", kImageIndexFile, 10, false},
      {tag::kColumns, "US", kImageIndexFile, 11, false},
      {tag::kImageType, "CS", kImageIndexFile, 12, false},
      {tag::kModality, "CS", {}, 0, false},
      {tag::kInstitutionName, "LO", {}, 0, false},
  };
  testing::TempDir dir;
  const std::string plain = dir / "plain";
  const std::string nested = dir / "nested";
  ASSERT_EQ(Store(plain, Object()).status, 0);
  const StoreWorkOutcome outcome = Store(nested, WithNestedDecoys(Object()));
  ASSERT_EQ(outcome.status, 0) << outcome.problem;
  EXPECT_EQ(outcome.filePath, nested + "/" + std::string(kStudy) + "/" + std::string(kSeries) +
                                  "/" + std::string(kInstance) + ".dcm");

  for (const Case& c : cases) {
    char name[16];
    std::snprintf(name, sizeof name, "(%04X,%04X)", c.tag.group, c.tag.element);
    SCOPED_TRACE(name);
    const std::string own = TrimmedText(*FindTopLevel(Object(), c.tag));
    if (!c.index.empty()) {
      EXPECT_EQ(IndexField(nested, c.index, c.field), IndexField(plain, c.index, c.field));
      EXPECT_FALSE(IndexField(plain, c.index, c.field).empty());
    }
    if (c.vr != std::string_view("US")) {
      EXPECT_EQ(Answered(nested, c.tag, c.vr), own);
    }
    if (c.names) continue;
    // Left out at the top level, it is missing, whatever the sequence holds.
    TagList without = WithNestedDecoys(Object());
    without.erase(std::find_if(without.rbegin(), without.rend(),
                               [&](const TagRecord& r) { return r.Is(c.tag); })
                      .base() -
                  1);
    const std::string root = dir / ("without-" + std::to_string(c.tag.Value()));
    ASSERT_EQ(Store(root, std::move(without)).status, 0);
    if (!c.index.empty()) {
      EXPECT_EQ(IndexField(root, c.index, c.field), "");
    }
    if (c.vr != std::string_view("US")) {
      EXPECT_EQ(Answered(root, c.tag, c.vr), "");
    }
  }

  // Where the UIDs are read again: the catalogue that C-MOVE and C-GET send from, the
  // planning of a C-STORE, and a C-FIND response read into the C interface's record.
  const StoredInstances stored = ListStoredInstances(nested, {});
  ASSERT_EQ(stored.instances.size(), 1u);
  EXPECT_EQ(stored.instances[0].sopClassUID, "1.2.840.10008.5.1.4.1.1.2");
  TagList loaded;
  StoreResult result;
  ASSERT_TRUE(LoadObjectForStore(outcome.filePath, loaded, result));
  EXPECT_EQ(result.sopClass, "1.2.840.10008.5.1.4.1.1.2");
  EXPECT_EQ(StoreRequest(result.sopClass, 1, loaded).affectedSOPInstanceUID, kInstance);
  ImageInfo record;
  ParseImageResponse(record, WithNestedDecoys(Object()));
  EXPECT_EQ(record.StudyInstanceUID, kStudy);
  EXPECT_EQ(record.SeriesInstanceUID, kSeries);
  EXPECT_EQ(record.SOPInstanceUID, kInstance);
}

}  // namespace
}  // namespace norvane
