// norvane find, move and worklist against DCMTK's dcmqrscp (loaded with pydicom's
// dicomdirtests images), storescp as move destination, and wlmscpfs.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/patient_query.hpp"
#include "dimse/query_fields.hpp"
#include "net/message_fixture.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Count;
using testing::Norvane;
using testing::NorvaneOnATerminal;

using testing::RunProgram;
using testing::RunResult;

constexpr const char* kArchibaldStudy = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.1";
constexpr const char* kArchibaldSeries = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.2";
constexpr const char* kStudyWithThreeSeries = "1.3.6.1.4.1.5962.1.1.0.0.0.1196533885.18148.0.1";

class QueryCommandsAgainstDcmqrscp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::HaveProgram("dcmqrscp") || !testing::HaveProgram("storescp") ||
        !testing::HaveProgram("storescu") || !testing::HaveProgram("findscu")) {
      return;
    }
    dir_ = std::make_unique<testing::TempDir>();
    destPort_ = testing::FreePort();
    scp_ = std::make_unique<testing::QueryRetrieveSCP>();
    ready_ = scp_->Start(dir_->path().string(), {{"MOVEDEST", destPort_}}) &&
             scp_->LoadDicomdirTests(problem_);
    if (!ready_) problem_ += scp_->Log();
  }
  static void TearDownTestSuite() {
    scp_.reset();
    dir_.reset();
  }
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("dcmqrscp", "storescp", "storescu", "findscu");
    ASSERT_TRUE(ready_) << problem_;
  }

  std::vector<std::string> Peer(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin() + 1,
                     {"127.0.0.1", scp_->Port(), "--aet", "NORVANE", "--aec", "QRSCP"});
    return arguments;
  }

  std::string StartDestination(testing::PeerProcess& storescp) {
    const std::string folder = dir_->path().string() + "/moved" + std::to_string(++run_);
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(
        storescp.Start({"storescp", "-aet", "MOVEDEST", "-od", folder, std::to_string(destPort_)},
                       folder + ".log"));
    EXPECT_TRUE(testing::WaitForListener(destPort_));
    return folder;
  }

  static inline std::unique_ptr<testing::TempDir> dir_;
  static inline std::unique_ptr<testing::QueryRetrieveSCP> scp_;
  static inline bool ready_ = false;
  static inline std::string problem_;
  static inline uint16_t destPort_ = 0;
  static inline int run_ = 0;
};

TEST_F(QueryCommandsAgainstDcmqrscp, FindPrintsTheMatchingStudyAsThirteenLines) {
  testing::TempDir logs;
  const testing::StreamsResult find =
      testing::NorvaneStreams(Peer({"find", "-k", "PatientName=Doe^A*", "-k",
                                    "StudyDate=19950101-19991231", "--log", logs / "find.log"}));
  EXPECT_EQ(find.exitCode, 0) << find.out << find.err;
  const std::string expected = std::string("No studies: 1\n\n") +
                               "PatientName: Doe^Archibald \n"
                               "PatientID: 77654033\n"
                               "PatientSex: \n"
                               "PatientBD: \n"
                               "StudyID: 2 \n"
                               "StudyInstanceUID: " +
                               kArchibaldStudy +
                               "\n"
                               "StudyDate: 19950903\n"
                               "StudyTime: 173032\n"
                               "StudyDescription: CT, HEAD/BRAIN WO CONTRAST\n"
                               "Modalities: \n"
                               "InstitutionName: \n"
                               "AccessionNumber: 2 \n"
                               "PhysiciansName: \n\n"
                               "FIND OK\n";
  EXPECT_EQ(find.out, expected);
  EXPECT_TRUE(find.err.starts_with("norvane find: 1 match in ")) << find.err;
  const std::vector<std::string> log = testing::LogTexts(logs / "find.log");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "Starting FIND Service");
  EXPECT_EQ(log.back(), "FIND OK");
}

TEST_F(QueryCommandsAgainstDcmqrscp, FindAtEachLevelCountsWhatFindscuCounts) {
  const RunResult studies = Norvane(Peer({"find"}));
  EXPECT_EQ(studies.exitCode, 0) << studies.output;
  EXPECT_TRUE(Contains(studies.output, "No studies: 6\n")) << studies.output;
  EXPECT_EQ(Count(studies.output, "StudyInstanceUID: 1."), 6u);

  const RunResult series =
      Norvane(Peer({"find", "--level", "SERIES", "-k",
                    std::string("StudyInstanceUID=") + kStudyWithThreeSeries}));
  EXPECT_EQ(series.exitCode, 0) << series.output;
  EXPECT_TRUE(Contains(series.output, "No series: 3\n")) << series.output;
  EXPECT_EQ(Count(series.output, "SeriesInstanceUID: 1."), 3u);

  const RunResult images = Norvane(
      Peer({"find", "--level", "IMAGE", "-k", std::string("StudyInstanceUID=") + kArchibaldStudy,
            "-k", std::string("SeriesInstanceUID=") + kArchibaldSeries}));
  EXPECT_EQ(images.exitCode, 0) << images.output;
  EXPECT_TRUE(Contains(images.output, "No images: 4\n")) << images.output;
  const RunResult reference =
      RunProgram({"findscu", "-S", "-aec", "QRSCP", "-k", "QueryRetrieveLevel=IMAGE", "-k",
                  std::string("StudyInstanceUID=") + kArchibaldStudy, "-k",
                  std::string("SeriesInstanceUID=") + kArchibaldSeries, "-k", "SOPInstanceUID",
                  "127.0.0.1", scp_->Port()});
  for (const std::string& uid : testing::FindscuValues(reference.output, "(0008,0018)")) {
    EXPECT_TRUE(Contains(images.output, "SOPInstanceUID: " + uid + "\n")) << uid;
  }
  EXPECT_TRUE(Contains(images.output, "\nFIND OK\n"));
}

// The records of find's text output: for each, its "Field: value" lines as a map.
std::vector<std::map<std::string, std::string>> TextRecords(const std::string& out) {
  std::vector<std::map<std::string, std::string>> records;
  std::istringstream lines(out);
  std::string line;
  std::getline(lines, line);  // the count
  std::map<std::string, std::string> record;
  while (std::getline(lines, line)) {
    if (line.empty() || line == "FIND OK") {
      if (!record.empty()) records.push_back(std::move(record));
      record.clear();
      continue;
    }
    const size_t colon = line.find(": ");
    record[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return records;
}

// Expects a field's text, as find shows it (padding included), to be the DICOM JSON value
// of the match: the same texts, person names and numbers, value by value.
void ExpectSameValue(const nlohmann::json& match, Tag tag, std::string text) {
  char name[9];
  std::snprintf(name, sizeof name, "%04X%04X", tag.group, tag.element);
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  if (!match.contains(name) || !match[name].contains("Value")) {
    EXPECT_EQ(text, "") << name << " has no value in the JSON match";
    return;
  }
  const nlohmann::json& values = match[name]["Value"];
  std::vector<std::string> parts;
  std::istringstream split(text);
  for (std::string part; std::getline(split, part, '\\');)
    parts.push_back(part);
  ASSERT_EQ(parts.size(), values.size()) << name << ": " << text << " vs " << values;
  for (size_t i = 0; i < parts.size(); ++i) {
    const nlohmann::json& value = values[i];
    if (value.is_number()) {
      EXPECT_DOUBLE_EQ(std::stod(parts[i]), value.get<double>()) << name;
    } else if (value.is_object()) {
      EXPECT_EQ(parts[i], value.value("Alphabetic", "")) << name;
    } else {
      EXPECT_EQ(parts[i], value.is_null() ? "" : value.get<std::string>()) << name;
    }
  }
}

template <class Record>
std::optional<Tag> FieldTag(const std::string& name) {
  const RecordField<Record>* field = FindRecordField<Record>(name);
  if (field == nullptr) return std::nullopt;
  return field->Attribute();
}

TEST_F(QueryCommandsAgainstDcmqrscp, FindJsonHoldsTheMatchesTheTextShows) {
  const struct {
    std::vector<std::string> keys;
    std::optional<Tag> (*tagOf)(const std::string&);
  } levels[] = {
      {{}, FieldTag<StudyInfo>},
      {{"--level", "SERIES", "-k", std::string("StudyInstanceUID=") + kStudyWithThreeSeries},
       FieldTag<SeriesInfo>},
      {{"--level", "IMAGE", "-k", std::string("StudyInstanceUID=") + kArchibaldStudy, "-k",
        std::string("SeriesInstanceUID=") + kArchibaldSeries},
       FieldTag<ImageInfo>},
      {{"--level", "PATIENT"}, FieldTag<cli::PatientInfo>},
  };
  for (const auto& level : levels) {
    std::vector<std::string> arguments = {"find"};
    arguments.insert(arguments.end(), level.keys.begin(), level.keys.end());
    SCOPED_TRACE(level.keys.empty() ? "STUDY" : level.keys[1]);
    const testing::StreamsResult text = testing::NorvaneStreams(Peer(arguments));
    arguments.push_back("--json");
    const testing::StreamsResult json = testing::NorvaneStreams(Peer(arguments));
    ASSERT_EQ(text.exitCode, 0) << text.out << text.err;
    ASSERT_EQ(json.exitCode, 0) << json.out << json.err;
    const auto document = nlohmann::json::parse(json.out);
    const auto records = TextRecords(text.out);
    ASSERT_FALSE(records.empty());
    ASSERT_EQ(document["matches"].size(), records.size());
    EXPECT_EQ(document["count"], records.size());
    for (size_t i = 0; i < records.size(); ++i) {
      for (const auto& [field, value] : records[i]) {
        const std::optional<Tag> tag = level.tagOf(field);
        ASSERT_TRUE(tag) << field;
        ExpectSameValue(document["matches"][i], *tag, value);
      }
    }
  }
}

TEST_F(QueryCommandsAgainstDcmqrscp, FindWithAnUnknownCalledTitleFails) {
  const RunResult find = Norvane({"find", "127.0.0.1", scp_->Port(), "--aec", "NOSUCHAE"});
  EXPECT_EQ(find.exitCode, 1);
  EXPECT_EQ(
      find.output,
      "Association Failed!\nnorvane find: association rejected (permanent) by the service "
      "user: called AE title not recognized\nFIND failed to connect to: NOSUCHAE (127.0.0.1:" +
          scp_->Port() + ")\n");
}

TEST_F(QueryCommandsAgainstDcmqrscp, MoveOfAStudyDeliversItAndPrintsTheCounts) {
  testing::PeerProcess storescp;
  const std::string received = StartDestination(storescp);
  const testing::StreamsResult move = testing::NorvaneStreams(Peer(
      {"move", "--dest", "MOVEDEST", "-k", std::string("StudyInstanceUID=") + kArchibaldStudy}));
  storescp.Stop();
  EXPECT_EQ(move.exitCode, 0) << move.out << move.err << scp_->Log();
  EXPECT_EQ(move.out, "MOVE OK: 4 completed, 0 failed, 0 warning\n");
  EXPECT_TRUE(move.err.starts_with("norvane move: 4 objects moved in ")) << move.err;
  EXPECT_EQ(testing::FileNames(received).size(), 4u);
}

TEST_F(QueryCommandsAgainstDcmqrscp, MoveOnATerminalShowsTheRemainingSubOperations) {
  testing::PeerProcess storescp;
  const std::string received = StartDestination(storescp);
  const RunResult move = NorvaneOnATerminal(Peer(
      {"move", "--dest", "MOVEDEST", "-k", std::string("StudyInstanceUID=") + kArchibaldStudy}));
  storescp.Stop();
  EXPECT_EQ(move.exitCode, 0) << move.output;
  EXPECT_TRUE(Contains(move.output, "remaining 3, completed 1, failed 0, warning 0"))
      << move.output;
  EXPECT_TRUE(Contains(move.output, "remaining 0, completed 4")) << move.output;
  EXPECT_TRUE(Contains(move.output, "\r\033[KMOVE OK: 4 completed, 0 failed, 0 warning"))
      << "the progress line is cleared first: " << move.output;
  EXPECT_EQ(testing::FileNames(received).size(), 4u);
}

TEST_F(QueryCommandsAgainstDcmqrscp, MoveToAnUnknownDestinationPrintsTheRefusal) {
  const RunResult move = Norvane(Peer(
      {"move", "--dest", "NOWHERE", "-k", std::string("StudyInstanceUID=") + kArchibaldStudy}));
  EXPECT_EQ(move.exitCode, 1);
  EXPECT_TRUE(
      Contains(move.output, "MOVE failed, status 0xA801 (Refused: Move Destination unknown)"))
      << move.output;
}

class WorklistCommandAgainstWlmscpfs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::HaveProgram("wlmscpfs") || !testing::HaveProgram("dump2dcm")) return;
    dir_ = std::make_unique<testing::TempDir>();
    scp_ = std::make_unique<testing::WorklistSCP>();
    ready_ = scp_->Start(dir_->path().string(),
                         {{"ACC0001", "TEST^WORKLIST^ONE", "WLPID001", "19700101", "F",
                           "1.2.826.0.1.3680043.2.1143.900.1", "CT", "CTSCANNER1", "20240115",
                           "093000", "PERFORMER^PAULA", "HEAD PLAIN", "SPS0001"},
                          {"ACC0002", "TEST^WORKLIST^TWO", "WLPID002", "19800202", "M",
                           "1.2.826.0.1.3680043.2.1143.900.2", "MR", "MRSCANNER", "20240116",
                           "141500", "PERFORMER^PETER", "KNEE", "SPS0002"}},
                         problem_);
  }
  static void TearDownTestSuite() {
    scp_.reset();
    dir_.reset();
  }
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("wlmscpfs", "dump2dcm");
    ASSERT_TRUE(ready_) << problem_;
  }
  std::vector<std::string> Peer(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin() + 1, {"127.0.0.1", scp_->Port(), "--aec", "WLMSCP"});
    return arguments;
  }

  static inline std::unique_ptr<testing::TempDir> dir_;
  static inline std::unique_ptr<testing::WorklistSCP> scp_;
  static inline bool ready_ = false;
  static inline std::string problem_;
};

TEST_F(WorklistCommandAgainstWlmscpfs, AllItemsAreCountedAndOneMatchesItsModality) {
  const RunResult all = Norvane(Peer({"worklist"}));
  EXPECT_EQ(all.exitCode, 0) << all.output;
  EXPECT_TRUE(Contains(all.output, "No studies: 2\n\n")) << all.output;
  EXPECT_EQ(Count(all.output, "Scheduled Procedure Step Start Date: 2024011"), 2u);
  EXPECT_TRUE(Contains(all.output, "\nWORKLIST OK\n")) << all.output;

  const testing::StreamsResult mr =
      testing::NorvaneStreams(Peer({"worklist", "-k", "modality=MR"}));
  EXPECT_EQ(mr.exitCode, 0) << mr.out << mr.err;
  EXPECT_TRUE(mr.err.starts_with("norvane worklist: 1 scheduled procedure step in ")) << mr.err;
  EXPECT_EQ(mr.out,
            "No studies: 1\n\n"
            "PatientName: TEST^WORKLIST^TWO \n"
            "PatientID: WLPID002\n"
            "PatientBD: 19800202\n"
            "PatientSex: M \n"
            "Modality: MR\n"
            "Scheduled Station AET: MRSCANNER \n"
            "Scheduled Procedure Step Start Date: 20240116\n"
            "Scheduled Procedure Step Start Time: 141500\n"
            "Scheduled Performing Physician: PERFORMER^PETER \n\n"
            "WORKLIST OK\n");
}

TEST_F(WorklistCommandAgainstWlmscpfs, UnknownCalledTitleFails) {
  const RunResult wl = Norvane({"worklist", "127.0.0.1", scp_->Port(), "--aec", "NOTWLM"});
  EXPECT_EQ(wl.exitCode, 1);
  EXPECT_EQ(wl.output,
            "Association Failed!\nnorvane worklist: association rejected (permanent) by the "
            "service user: called AE title not recognized\nWORKLIST failed to connect to: NOTWLM "
            "(127.0.0.1:" +
                scp_->Port() + ")\n");
}

}  // namespace
}  // namespace norvane
