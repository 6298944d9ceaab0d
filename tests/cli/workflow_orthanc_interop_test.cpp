// Storage commitment with Orthanc in both roles: norvane commit against Orthanc as the
// archive, and Orthanc's own commitment request (through its REST API) to norvane scp.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>

#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::RunProgram;
using testing::RunResult;

constexpr const char* kCTInstance = "1.3.6.1.4.1.5962.1.1.1.1.1.20040119072730.12322";
constexpr const char* kCTClass = "1.2.840.10008.5.1.4.1.1.2";

class OrthancCommitment : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("Orthanc", "curl");
    // norvane scp first: Orthanc's configuration names its port.
    ASSERT_TRUE(scp_.Start(
        {testing::NorvaneTool(), "scp", "--port", "0", "--loopback", "--aet", "ARCHIVE", "--folder",
         dir_ / "db", "--dest", "ORTHANC=127.0.0.1:" + std::to_string(dicomPort_)},
        dir_ / "scp.log", dir_.path().string()));
    std::smatch match;
    const std::string log = testing::WaitForOutput(scp_, "storing in");
    ASSERT_TRUE(std::regex_search(log, match, std::regex("listening on port ([0-9]+)"))) << log;
    scpPort_ = match[1].str();

    const nlohmann::json config = {
        {"Name", "NORVANE_TEST"},
        {"StorageDirectory", dir_ / "orthanc"},
        {"IndexDirectory", dir_ / "orthanc"},
        {"HttpServerEnabled", true},
        {"HttpPort", httpPort_},
        {"RemoteAccessAllowed", false},
        {"AuthenticationEnabled", false},
        {"OrthancExplorerEnabled", false},
        {"WebDavEnabled", false},
        {"DicomServerEnabled", true},
        {"DicomAet", "ORTHANC"},
        {"DicomPort", dicomPort_},
        {"DicomCheckCalledAet", true},
        {"DicomAlwaysAllowEcho", true},
        {"DicomAlwaysAllowStore", true},
        {"DicomCheckModalityHost", false},
        {"DicomModalities",
         {{"modality", {{"AET", "MODALITY"}, {"Host", "127.0.0.1"}, {"Port", listenPort_}}},
          {"archive",
           {{"AET", "ARCHIVE"}, {"Host", "127.0.0.1"}, {"Port", std::stoi(scpPort_)}}}}}};
    std::ofstream(dir_ / "orthanc.json") << config.dump(2);
    ASSERT_TRUE(orthanc_.Start({"Orthanc", dir_ / "orthanc.json"}, dir_ / "orthanc.log"));
    ASSERT_TRUE(testing::WaitForListener(dicomPort_)) << orthanc_.Log();
    ASSERT_TRUE(testing::WaitForListener(httpPort_)) << orthanc_.Log();
  }

  std::string Http(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(httpPort_) + path;
  }

  testing::TempDir dir_;
  uint16_t dicomPort_ = testing::FreePort();
  uint16_t httpPort_ = testing::FreePort();
  uint16_t listenPort_ = testing::FreePort();
  std::string scpPort_;
  testing::PeerProcess scp_;
  testing::PeerProcess orthanc_;
};

TEST_F(OrthancCommitment, CommitOfObjectsStoredInOrthancReportsThemCommitted) {
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const std::string port = std::to_string(dicomPort_);
  const RunResult stored =
      testing::Norvane({"store", "127.0.0.1", port, "--aet", "MODALITY", "--aec", "ORTHANC", file});
  ASSERT_EQ(stored.exitCode, 0) << stored.output << orthanc_.Log();
  // Orthanc reports on an association of its own, to the modality it knows.
  const testing::StreamsResult commit = testing::NorvaneStreams(
      {"commit", "127.0.0.1", port, "--aet", "MODALITY", "--aec", "ORTHANC", "--listen-port",
       std::to_string(listenPort_), "--loopback", "--commit-timeout", "30", file});
  EXPECT_EQ(commit.exitCode, 0) << commit.out << commit.err << orthanc_.Log();
  EXPECT_TRUE(Contains(commit.out, std::string("committed ") + kCTInstance)) << commit.out;
}

TEST_F(OrthancCommitment, OrthancsRequestToNorvaneScpGetsAReportItAccepts) {
  const RunResult stored = testing::Norvane(
      {"store", "127.0.0.1", scpPort_, "--aec", "ARCHIVE", testing::PydicomFile("CT_small.dcm")});
  ASSERT_EQ(stored.exitCode, 0) << stored.output;
  const nlohmann::json request = {
      {"DicomInstances",
       {{{"SOPClassUID", kCTClass}, {"SOPInstanceUID", kCTInstance}},
        {{"SOPClassUID", kCTClass}, {"SOPInstanceUID", "1.2.826.0.1.3680043.2.4821.404"}}}}};
  const RunResult asked =
      RunProgram({"curl", "-s", "-X", "POST", Http("/modalities/archive/storage-commitment"), "-d",
                  request.dump()});
  ASSERT_EQ(asked.exitCode, 0) << asked.output;
  const std::string path = nlohmann::json::parse(asked.output).at("Path");

  nlohmann::json report;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const RunResult got = RunProgram({"curl", "-s", Http(path)});
    report = nlohmann::json::parse(got.output, nullptr, false);
    if (report.is_object() && report.value("Status", "") != "Pending") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(report.is_object()) << orthanc_.Log() << scp_.Log();
  // One held, one never stored: Orthanc took both lists of the report.
  EXPECT_EQ(report.value("Status", ""), "Failure") << report.dump() << orthanc_.Log();
  ASSERT_EQ(report["Success"].size(), 1u) << report.dump();
  EXPECT_EQ(report["Success"][0]["SOPInstanceUID"], kCTInstance);
  ASSERT_EQ(report["Failures"].size(), 1u) << report.dump();
  EXPECT_EQ(report["Failures"][0]["FailureReason"], 0x0112);
}

}  // namespace
}  // namespace norvane
