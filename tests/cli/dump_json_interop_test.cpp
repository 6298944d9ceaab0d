// norvane dump --json against DCMTK's dcm2json on pydicom's sample files: the same tags,
// VRs and values, numbers compared as numbers. The DICOM JSON Model leaves some things open,
// and where dump --json chooses differently it is checked here as its own behaviour:
// - binary values longer than --inline-max show their "length" instead of "InlineBinary"
//   (dcm2json always inlines);
// - FL values are the shortest decimal of the float ("0.7"), dcm2json prints nine digits
//   ("0.699999988"): equal as floats.

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using Json = nlohmann::json;

bool SameNumber(double a, double b) {
  return std::fabs(a - b) <= 1e-6 * std::max(std::fabs(a), std::fabs(b));
}

// Every difference between two values of the model, as "path: ours vs theirs".
void Differences(const Json& ours, const Json& theirs, const std::string& path,
                 std::vector<std::string>& found) {
  if (ours.is_number() && theirs.is_number()) {
    if (!SameNumber(ours.get<double>(), theirs.get<double>())) {
      found.push_back(path + ": " + ours.dump() + " vs " + theirs.dump());
    }
    return;
  }
  if (ours.type() != theirs.type() || (!ours.is_structured() && ours != theirs) ||
      ours.size() != theirs.size()) {
    found.push_back(path + ": " + ours.dump().substr(0, 200) + " vs " +
                    theirs.dump().substr(0, 200));
    return;
  }
  if (ours.is_array()) {
    for (size_t i = 0; i < ours.size(); ++i) {
      Differences(ours[i], theirs[i], path + "[" + std::to_string(i) + "]", found);
    }
  } else if (ours.is_object()) {
    for (const auto& [key, value] : ours.items()) {
      if (!theirs.contains(key)) {
        found.push_back(path + "." + key + " only in ours");
        continue;
      }
      Differences(value, theirs[key], path + "." + key, found);
    }
  }
}

class DumpJsonLikeDcm2json : public ::testing::TestWithParam<const char*> {};

TEST_P(DumpJsonLikeDcm2json, GivesTheSameTagsVRsAndValues) {
  NORVANE_REQUIRE_PROGRAMS("dcm2json");
  const std::string file = testing::PydicomFile(GetParam());
  const testing::StreamsResult ours = testing::NorvaneStreams({"dump", "--json", file});
  ASSERT_EQ(ours.exitCode, 0) << ours.err;
  const testing::RunResult theirs =
      testing::RunProgram({"sh", "-c", "dcm2json -fc \"$0\" 2>/dev/null", file});
  ASSERT_EQ(theirs.exitCode, 0) << theirs.output;

  const Json dataset = Json::parse(ours.out)["dataset"];
  const Json reference = Json::parse(theirs.output);
  std::vector<std::string> found;
  Differences(dataset, reference, "", found);
  for (const auto& [key, value] : reference.items()) {
    if (!dataset.contains(key)) found.push_back(key + " only in dcm2json's");
  }
  EXPECT_TRUE(found.empty()) << ::testing::PrintToString(found);
  EXPECT_GT(dataset.size(), 20u);
}

INSTANTIATE_TEST_SUITE_P(Pydicom, DumpJsonLikeDcm2json,
                         ::testing::Values("CT_small.dcm", "MR_small.dcm", "test-SR.dcm",
                                           "reportsi.dcm", "rtplan.dcm", "MR_small_bigendian.dcm"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(DumpJson, LongBinaryValuesGiveTheirLengthUnderTheLimit) {
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const Json small =
      Json::parse(testing::NorvaneStreams({"dump", "--json", "--inline-max", "1000", file}).out);
  EXPECT_EQ(small["dataset"]["7FE00010"], Json::parse(R"({"vr":"OW","length":32768})"));
  EXPECT_EQ(small["meta"]["00020010"],
            Json::parse(R"({"vr":"UI","Value":["1.2.840.10008.1.2.1"]})"));
  EXPECT_EQ(small["transferSyntax"], "1.2.840.10008.1.2.1");
  const testing::StreamsResult bad =
      testing::NorvaneStreams({"dump", "--json", "--inline-max", "lots", file});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(Json::parse(bad.out)["reason"], "--inline-max needs a number of bytes, not 'lots'");
}

}  // namespace
}  // namespace norvane
