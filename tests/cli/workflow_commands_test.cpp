// norvane mpps, commit and workflow against norvane scp as a test archive with a worklist.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;
using testing::NorvaneStreams;
using testing::RunResult;
using testing::WaitForOutput;

constexpr const char* kWorklistClass = "1.2.840.10008.5.1.4.31";

// A worklist item as a DICOM file: one patient with one scheduled CT step.
void WriteWorklistItem(const std::string& path) {
  TagList item;
  item.push_back(GeneratePaddedTag(tag::kAccessionNumber, "SH", "ACC42"));
  item.push_back(GeneratePaddedTag(tag::kPatientName, "PN", "DOE^JANE"));
  item.push_back(GeneratePaddedTag(tag::kPatientID, "LO", "P42"));
  item.push_back(GeneratePaddedTag(tag::kPatientBirthDate, "DA", "19700101"));
  item.push_back(GeneratePaddedTag(tag::kPatientSex, "CS", "F"));
  item.push_back(GenerateUIDTag(tag::kStudyInstanceUID, "1.2.826.0.1.3680043.2.4821.42.1"));
  item.push_back(GeneratePaddedTag(tag::kRequestedProcedureDescription, "LO", "CT HEAD"));
  item.push_back(UndefinedLengthHeader(tag::kScheduledProcedureStepSequence, "SQ"));
  item.push_back(ItemHeader());
  item.push_back(GeneratePaddedTag(tag::kScheduledStationAETitle, "AE", "MODALITY"));
  item.push_back(GeneratePaddedTag(tag::kScheduledProcedureStepStartDate, "DA", "20261208"));
  item.push_back(GeneratePaddedTag(tag::kScheduledProcedureStepStartTime, "TM", "1000"));
  item.push_back(GeneratePaddedTag(tag::kModality, "CS", "CT"));
  item.push_back(GeneratePaddedTag(tag::kScheduledProcedureStepDescription, "LO", "HEAD"));
  item.push_back(GeneratePaddedTag(tag::kScheduledProcedureStepID, "SH", "SPS42"));
  item.push_back(ItemDelimiter());
  item.push_back(SequenceDelimiter());
  item.push_back(GeneratePaddedTag(tag::kRequestedProcedureID, "SH", "RP42"));
  TagList meta;
  BuildMetaHeader(meta, kWorklistClass, "1.2.826.0.1.3680043.2.4821.42.2", "1.2.840.10008.1.2.1");
  ASSERT_TRUE(WriteDicomFile(path, &meta, item, true, ByteOrder::kLittleEndian));
}

class WorkflowCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "worklist");
    WriteWorklistItem(dir_ / "worklist/item.wl");
    const std::vector<std::string> argv = {testing::NorvaneTool(),
                                           "scp",
                                           "--port",
                                           "0",
                                           "--loopback",
                                           "--aet",
                                           "ARCHIVE",
                                           "--folder",
                                           dir_ / "db",
                                           "--worklist",
                                           dir_ / "worklist"};
    ASSERT_TRUE(scp_.Start(argv, dir_ / "scp.log", dir_.path().string()));
    std::smatch match;
    const std::string log = WaitForOutput(scp_, "storing in");
    ASSERT_TRUE(std::regex_search(log, match, std::regex("listening on port ([0-9]+)"))) << log;
    port_ = match[1].str();
  }

  std::vector<std::string> Peer(const char* subcommand, std::vector<std::string> more) const {
    std::vector<std::string> argv = {subcommand, "127.0.0.1", port_,     "--aec",
                                     "ARCHIVE",  "--aet",     "MODALITY"};
    argv.insert(argv.end(), more.begin(), more.end());
    return argv;
  }

  testing::TempDir dir_;
  testing::PeerProcess scp_;
  std::string port_;
};

TEST_F(WorkflowCommands, MppsCreateSetCompletedAndARefusedSecondSet) {
  std::vector<std::string> create = {"mpps"};
  const auto rest = Peer("create", {"--item", dir_ / "worklist/item.wl"});
  create.insert(create.end(), rest.begin(), rest.end());
  const testing::StreamsResult created = NorvaneStreams(create);
  ASSERT_EQ(created.exitCode, 0) << created.out << created.err << scp_.Log();
  const std::string uid = created.out.substr(0, created.out.find('\n'));
  ASSERT_TRUE(std::regex_match(uid, std::regex("2\\.25\\.[0-9]+"))) << created.out;
  EXPECT_TRUE(std::filesystem::exists(dir_ / ("db/mpps/" + uid + ".dcm")));

  const std::string image = testing::PydicomFile("CT_small.dcm");
  std::vector<std::string> set = {"mpps"};
  const auto setRest = Peer("set", {uid, "--status", "COMPLETED", image});
  set.insert(set.end(), setRest.begin(), setRest.end());
  const testing::StreamsResult completed = NorvaneStreams(set);
  ASSERT_EQ(completed.exitCode, 0) << completed.out << completed.err;
  EXPECT_EQ(completed.out, "MPPS " + uid + " COMPLETED\n");

  set[set.size() - 2] = "DISCONTINUED";
  const testing::StreamsResult refused = NorvaneStreams(set);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(Contains(refused.err,
                       "N-SET-RSP status 0x0110 (Failure: Processing failure): Performed "
                       "Procedure Step Object may no longer be updated"))
      << refused.err;
  EXPECT_TRUE(Contains(refused.out, "MPPS failed to connect to: ARCHIVE")) << refused.out;
}

TEST_F(WorkflowCommands, CommitOfStoredAndNeverStoredFiles) {
  const std::string stored = testing::PydicomFile("CT_small.dcm");
  const std::string never = testing::PydicomFile("MR_small.dcm");
  ASSERT_EQ(Norvane(Peer("store", {stored})).exitCode, 0);

  const testing::StreamsResult all = NorvaneStreams(Peer("commit", {stored}));
  EXPECT_EQ(all.exitCode, 0) << all.out << all.err;
  EXPECT_TRUE(Contains(all.out, "committed 1.3.6.1.4.1.5962.1.1.1.1.1.20040119072730.12322 (" +
                                    stored + ")\nCOMMIT OK\n"))
      << all.out;

  const testing::StreamsResult some = NorvaneStreams(Peer("commit", {stored, never, "--json"}));
  EXPECT_EQ(some.exitCode, 1) << some.out << some.err;
  const nlohmann::json json = nlohmann::json::parse(some.out);
  ASSERT_EQ(json["instances"].size(), 2u);
  EXPECT_TRUE(json["instances"][0]["committed"]);
  EXPECT_FALSE(json["instances"][1]["committed"]);
  EXPECT_EQ(json["instances"][1]["reason"], "no such object instance (0x0112)");
  EXPECT_EQ(json["reason"], "1 of 2 instances not committed");

  const testing::StreamsResult words = NorvaneStreams(Peer("commit", {never}));
  EXPECT_EQ(words.exitCode, 1);
  EXPECT_TRUE(Contains(words.out, "failed ")) << words.out;
  EXPECT_TRUE(Contains(words.out, "(" + never + "): no such object instance (0x0112)"))
      << words.out;
}

TEST_F(WorkflowCommands, WorkflowRunsEndToEnd) {
  const testing::StreamsResult run =
      NorvaneStreams(Peer("workflow", {"-k", "Modality=CT", "--images", "2", "--json"}));
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err << scp_.Log();
  const nlohmann::json json = nlohmann::json::parse(run.out);
  ASSERT_EQ(json["steps"].size(), 5u);
  for (const auto& step : json["steps"])
    EXPECT_TRUE(step["ok"]) << step.dump();
  EXPECT_EQ(json["instances"].size(), 2u);

  // The archive holds the images under the item's study, and the step as COMPLETED.
  EXPECT_TRUE(std::filesystem::exists(dir_ / "db/1.2.826.0.1.3680043.2.4821.42.1"));
  size_t steps = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_ / "db/mpps")) {
    ++steps;
    const RunResult dump = Norvane({"dump", entry.path().string()});
    EXPECT_TRUE(Contains(dump.output, "COMPLETED")) << dump.output;
    EXPECT_TRUE(Contains(dump.output, "SPS42")) << dump.output;
  }
  EXPECT_EQ(steps, 1u);

  const testing::StreamsResult text = NorvaneStreams(Peer("workflow", {}));
  EXPECT_EQ(text.exitCode, 0) << text.out << text.err;
  EXPECT_TRUE(std::regex_search(text.out, std::regex("^worklist ok [0-9.]+ s: 1 item")))
      << text.out;
  EXPECT_TRUE(Contains(text.out, "\nWORKFLOW OK\n")) << text.out;
}

TEST_F(WorkflowCommands, WorkflowStopsAtTheFirstFailedStep) {
  const testing::StreamsResult run = NorvaneStreams(Peer("workflow", {"-k", "Modality=MR"}));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.out, "worklist failed")) << run.out;
  EXPECT_TRUE(Contains(run.err, "no worklist item matches")) << run.err;
  EXPECT_FALSE(Contains(run.out, "mpps-start")) << run.out;
}

TEST_F(WorkflowCommands, HelpTellsTheOptions) {
  for (const char* command : {"commit", "workflow"}) {
    const RunResult help = Norvane({command, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Contains(help.output, "--commit-timeout")) << help.output;
    EXPECT_TRUE(Contains(help.output, "--listen-port")) << help.output;
  }
  EXPECT_EQ(Norvane({"mpps", "frobnicate"}).exitCode, 2);
  EXPECT_EQ(Norvane(Peer("commit", {"x.dcm", "--commit-timeout", "soon"})).exitCode, 2);
}

}  // namespace
}  // namespace norvane
