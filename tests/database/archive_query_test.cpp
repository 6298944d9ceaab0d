#include "database/archive_query.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "elements/record_values.hpp"
#include "elements/tags.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::PaddedText;

struct Key {
  Tag tag;
  const char* vr;
  const char* value;
};

TagList Identifier(std::string_view level, const std::vector<Key>& keys) {
  TagList identifier;
  identifier.push_back(PaddedText(0x0008, 0x0052, "CS", level));
  for (const Key& key : keys)
    identifier.push_back(PaddedText(key.tag.group, key.tag.element, key.vr, key.value));
  std::sort(identifier.begin(), identifier.end(),
            [](const TagRecord& a, const TagRecord& b) { return a.GetTag() < b.GetTag(); });
  return identifier;
}

void Set(TagList& object, Tag tag, std::string_view vr, std::string_view text) {
  std::erase_if(object, [tag](const TagRecord& r) { return r.Is(tag); });
  object.push_back(PaddedText(tag.group, tag.element, vr, text));
  std::sort(object.begin(), object.end(),
            [](const TagRecord& a, const TagRecord& b) { return a.GetTag() < b.GetTag(); });
}

// Study A of patient P1 (series A1: CT, images 1 and 2; series A2: MR, image 3) and study B
// of patient P2 (series B1: CT, image 4).
class ArchiveQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    Store("A", "A1", "1", "P1", "Doe^John", "20240131", "CT", "093015");
    Store("A", "A1", "2", "P1", "Doe^John", "20240131", "CT", "093016");
    Store("A", "A2", "3", "P1", "Doe^John", "20240131", "MR", "101500");
    Store("B", "B1", "4", "P2", "Roe^Jane", "20230615", "CT", "120000");
  }

  void Store(std::string_view study, std::string_view series, std::string_view image,
             std::string_view patientID, std::string_view name, std::string_view date,
             std::string_view modality, std::string_view contentTime) {
    TagList object = testing::CompleteObject(
        "1.9." + std::string(study), "1.9." + std::string(series), "1.9.0." + std::string(image));
    Set(object, tag::kPatientID, "LO", patientID);
    Set(object, tag::kPatientName, "PN", name);
    Set(object, tag::kStudyDate, "DA", date);
    Set(object, tag::kModality, "CS", modality);
    Set(object, tag::kContentTime, "TM", contentTime);
    Set(object, tag::kInstitutionName, "LO", "JFK IMAGING CENTER");
    const StoreWorkOutcome outcome =
        StoreThread(root_.path().string(), std::move(object), "1.2.840.10008.1.2").Run();
    ASSERT_EQ(outcome.status, 0) << outcome.problem;
  }

  QueryAnswer Query(std::string_view level, const std::vector<Key>& keys,
                    QueryModel model = QueryModel::kStudyRoot) {
    return QueryStoredObjects(root_.path().string(), model, Identifier(level, keys), "ARCHIVE");
  }

  // The values of one answered attribute, one per match.
  std::vector<std::string> Values(std::string_view level, const std::vector<Key>& keys, Tag tag,
                                  QueryModel model = QueryModel::kStudyRoot) {
    std::vector<std::string> values;
    for (const TagList& match : Query(level, keys, model).matches) {
      const TagRecord* record = FindTag(match, tag);
      values.push_back(record != nullptr ? std::string(TrimmedText(ValueText(*record))) : "<none>");
    }
    return values;
  }

  testing::TempDir root_;
};

// Matching itself is compared with dcmqrscp in the interop tests; these are the cases it
// does not serve: counted attributes, upper keys that are not unique, a series query
// without its study.
TEST_F(ArchiveQuery, KeysSelectTheMatchingEntitiesOfEachLevel) {
  struct Case {
    const char* level;
    std::vector<Key> keys;
    Tag answered;
    std::vector<std::string> expected;
  };
  const Tag study = tag::kStudyInstanceUID;
  const Tag series = tag::kSeriesInstanceUID;
  const Tag image = tag::kSOPInstanceUID;
  const std::vector<Case> cases = {
      {"STUDY", {{study, "UI", ""}, {tag::kModalitiesInStudy, "CS", "MR"}}, study, {"1.9.A"}},
      {"SERIES", {{series, "UI", ""}, {tag::kModality, "CS", "CT"}}, series, {"1.9.A1", "1.9.B1"}},
      {"IMAGE",
       {{image, "UI", ""}, {tag::kContentTime, "TM", "09-1015"}},
       image,
       {"1.9.0.1", "1.9.0.2", "1.9.0.3"}},
      {"IMAGE", {{image, "UI", ""}, {tag::kPatientName, "PN", "R*"}}, image, {"1.9.0.4"}},
      {"IMAGE", {{image, "UI", "1.9.0.4\\1.9.0.2"}}, image, {"1.9.0.2", "1.9.0.4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys.back().value);
    EXPECT_EQ(Values(c.level, c.keys, c.answered), c.expected);
  }
}

TEST_F(ArchiveQuery, AnswersEveryKeyInOrderWithStoredAndCountedValues) {
  const QueryAnswer answer =
      Query("STUDY", {{tag::kPatientName, "PN", ""},
                      {tag::kModalitiesInStudy, "CS", ""},
                      {tag::kInstitutionName, "LO", ""},  // the study's, as its objects say
                      {tag::kStudyInstanceUID, "UI", "1.9.A"},
                      {tag::kSeriesInstanceUID, "UI", "1.9.A2"},  // below the level
                      {tag::kNumberOfStudyRelatedSeries, "IS", ""},
                      {tag::kNumberOfStudyRelatedInstances, "IS", ""}});
  ASSERT_TRUE(answer.identifierValid);
  ASSERT_EQ(answer.matches.size(), 1u) << "a key below the level does not select";
  std::vector<std::pair<Tag, std::string>> answered;
  for (const TagRecord& record : answer.matches[0]) {
    answered.emplace_back(record.GetTag(), std::string(ValueText(record)));
    EXPECT_EQ(record.value.size() % 2, 0u) << "even length";
  }
  const std::vector<std::pair<Tag, std::string>> expected = {
      {tag::kQueryRetrieveLevel, "STUDY "},
      {tag::kRetrieveAETitle, "ARCHIVE "},  // in every answer, asked or not
      {tag::kModalitiesInStudy, "CT\\MR "},
      {tag::kInstitutionName, "JFK IMAGING CENTER"},
      {tag::kPatientName, "Doe^John"},
      {tag::kStudyInstanceUID, std::string("1.9.A\0", 6)},
      {tag::kSeriesInstanceUID, ""},
      {tag::kNumberOfStudyRelatedSeries, "2 "},
      {tag::kNumberOfStudyRelatedInstances, "3 "}};
  EXPECT_EQ(answered, expected);
  EXPECT_EQ(Values("SERIES",
                   {{tag::kSeriesInstanceUID, "UI", "1.9.A1"},
                    {tag::kNumberOfSeriesRelatedInstances, "IS", ""}},
                   tag::kNumberOfSeriesRelatedInstances),
            std::vector<std::string>{"2"});
  const std::vector<Key> series = {{tag::kSeriesInstanceUID, "UI", "1.9.A1"},
                                   {tag::kPatientPosition, "CS", ""},
                                   {tag::kRetrieveAETitle, "AE", ""}};
  EXPECT_EQ(Values("SERIES", series, tag::kPatientPosition), std::vector<std::string>{"HFS"});
  EXPECT_EQ(Values("SERIES", series, tag::kRetrieveAETitle), std::vector<std::string>{"ARCHIVE"});
}

TEST_F(ArchiveQuery, PatientRootGroupsStudiesByPatientIDAndOtherLevelsAreInvalid) {
  const std::vector<Key> keys = {{tag::kPatientID, "LO", ""},
                                 {tag::kNumberOfPatientRelatedInstances, "IS", ""}};
  EXPECT_EQ(Values("PATIENT", keys, tag::kPatientID, QueryModel::kPatientRoot),
            (std::vector<std::string>{"P1", "P2"}));
  EXPECT_EQ(
      Values("PATIENT", keys, tag::kNumberOfPatientRelatedInstances, QueryModel::kPatientRoot),
      (std::vector<std::string>{"3", "1"}));
  for (const char* level : {"PATIENT", "", "FRAME"}) {
    SCOPED_TRACE(level);
    const QueryAnswer answer = Query(level, keys);
    EXPECT_FALSE(answer.identifierValid);
    EXPECT_FALSE(answer.problem.empty());
    EXPECT_TRUE(answer.matches.empty());
  }
}

}  // namespace
}  // namespace norvane
