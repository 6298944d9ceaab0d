#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "scp/retrieve_keys.hpp"

namespace norvane {
namespace {

TagList Keys(std::string_view level, std::string_view study, std::string_view series = {},
             std::string_view instance = {}, std::string_view patient = {}) {
  TagList identifier;
  identifier.push_back(GeneratePaddedTag(tag::kQueryRetrieveLevel, "CS", level));
  if (!patient.empty()) identifier.push_back(GeneratePaddedTag(tag::kPatientID, "LO", patient));
  if (!study.empty()) identifier.push_back(GeneratePaddedTag(tag::kStudyInstanceUID, "UI", study));
  if (!series.empty())
    identifier.push_back(GeneratePaddedTag(tag::kSeriesInstanceUID, "UI", series));
  if (!instance.empty())
    identifier.push_back(GeneratePaddedTag(tag::kSOPInstanceUID, "UI", instance));
  return identifier;
}

// The keys as one comparable value: patients, studies, series, instances.
auto Listed(const InstanceKeys& k) {
  return std::tie(k.patientIDs, k.studyInstanceUIDs, k.seriesInstanceUIDs, k.sopInstanceUIDs);
}

TEST(RetrieveKeys, TheLevelsKeyIsRequiredListsAreSplitAndPatientsOnlyInPatientRoot) {
  constexpr QueryModel kStudyRoot = QueryModel::kStudyRoot;
  constexpr QueryModel kPatientRoot = QueryModel::kPatientRoot;
  constexpr uint16_t kMismatch = kStatusIdentifierDoesNotMatch;
  const struct {
    const char* name;
    QueryModel model;
    TagList identifier;
    uint16_t status;
    InstanceKeys keys;  // patients, studies, series, instances
  } cases[] = {
      {"study list",
       kStudyRoot,
       Keys("STUDY", "1.2.3\\1.2.4"),
       0,
       {{}, {"1.2.3", "1.2.4"}, {}, {}}},
      {"study key without value", kStudyRoot, Keys("STUDY", ""), kMismatch, {}},
      {"series",
       kStudyRoot,
       Keys("SERIES", "1.2.3", "1.2.3.1"),
       0,
       {{}, {"1.2.3"}, {"1.2.3.1"}, {}}},
      {"series without series key", kStudyRoot, Keys("SERIES", "1.2.3"), kMismatch, {}},
      {"images, blank around values",
       kStudyRoot,
       Keys("IMAGE", "1.2.3", "1.2.3.1", " 1.2.3.1.1 \\1.2.3.1.2"),
       0,
       {{}, {"1.2.3"}, {"1.2.3.1"}, {"1.2.3.1.1", "1.2.3.1.2"}}},
      {"image level without instances",
       kStudyRoot,
       Keys("IMAGE", "1.2.3", "1.2.3.1"),
       kMismatch,
       {}},
      {"patient level, Study Root", kStudyRoot, Keys("PATIENT", "", {}, {}, "P1"), kMismatch, {}},
      {"patient level", kPatientRoot, Keys("PATIENT", "", {}, {}, " P1 "), 0, {{"P1"}, {}, {}, {}}},
      {"patient level without its ID", kPatientRoot, Keys("PATIENT", "1.2.3"), kMismatch, {}},
      {"series of a patient",
       kPatientRoot,
       Keys("SERIES", "1.2.3", "1.2.3.1", {}, "P1"),
       0,
       {{"P1"}, {"1.2.3"}, {"1.2.3.1"}, {}}},
      {"study without patient", kPatientRoot, Keys("STUDY", "1.2.3"), 0, {{}, {"1.2.3"}, {}, {}}},
      {"no level", kPatientRoot, TagList{}, kMismatch, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RetrieveSelection selection = SelectionOf(c.identifier, c.model);
    EXPECT_EQ(selection.status, c.status);
    EXPECT_EQ(selection.problem.empty(), c.status == 0);
    if (c.status == 0) {
      EXPECT_EQ(Listed(selection.keys), Listed(c.keys));
    }
  }
}

}  // namespace
}  // namespace norvane
