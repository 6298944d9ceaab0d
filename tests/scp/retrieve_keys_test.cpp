#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "scp/retrieve_keys.hpp"

namespace norvane {
namespace {

using Uids = std::vector<std::string>;

TagList Keys(std::string_view level, std::string_view study, std::string_view series = {},
             std::string_view instance = {}) {
  TagList identifier;
  identifier.push_back(GeneratePaddedTag(tag::kQueryRetrieveLevel, "CS", level));
  if (!study.empty()) identifier.push_back(GeneratePaddedTag(tag::kStudyInstanceUID, "UI", study));
  if (!series.empty())
    identifier.push_back(GeneratePaddedTag(tag::kSeriesInstanceUID, "UI", series));
  if (!instance.empty())
    identifier.push_back(GeneratePaddedTag(tag::kSOPInstanceUID, "UI", instance));
  return identifier;
}

TEST(RetrieveKeys, TheLevelsKeyIsRequiredAndListsAreSplit) {
  const struct {
    const char* name;
    TagList identifier;
    uint16_t status;
    Uids studies;
    Uids series;
    Uids instances;
  } cases[] = {
      {"study list", Keys("STUDY", "1.2.3\\1.2.4"), 0, {"1.2.3", "1.2.4"}, {}, {}},
      {"study key without value", Keys("STUDY", ""), kStatusIdentifierDoesNotMatch, {}, {}, {}},
      {"series under its study", Keys("SERIES", "1.2.3", "1.2.3.1"), 0, {"1.2.3"}, {"1.2.3.1"}, {}},
      {"series without series key",
       Keys("SERIES", "1.2.3"),
       kStatusIdentifierDoesNotMatch,
       {},
       {},
       {}},
      {"images, blank around values",
       Keys("IMAGE", "1.2.3", "1.2.3.1", " 1.2.3.1.1 \\1.2.3.1.2"),
       0,
       {"1.2.3"},
       {"1.2.3.1"},
       {"1.2.3.1.1", "1.2.3.1.2"}},
      {"image level without instances",
       Keys("IMAGE", "1.2.3", "1.2.3.1"),
       kStatusIdentifierDoesNotMatch,
       {},
       {},
       {}},
      {"patient level", Keys("PATIENT", "1.2.3"), kStatusIdentifierDoesNotMatch, {}, {}, {}},
      {"no level", TagList{}, kStatusIdentifierDoesNotMatch, {}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RetrieveSelection selection = SelectionOf(c.identifier);
    EXPECT_EQ(selection.status, c.status);
    if (c.status != 0) {
      EXPECT_FALSE(selection.problem.empty());
      continue;
    }
    EXPECT_EQ(selection.keys.studyInstanceUIDs, c.studies);
    EXPECT_EQ(selection.keys.seriesInstanceUIDs, c.series);
    EXPECT_EQ(selection.keys.sopInstanceUIDs, c.instances);
  }
}

}  // namespace
}  // namespace norvane
