// norvane scp as a retrieval archive for DCMTK's movescu and getscu, norvane get against
// dcmqrscp, and norvane probe against storescp, dcmqrscp and wlmscpfs.

#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runs.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Count;
using testing::Norvane;
using testing::WaitForOutput;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::RunProgram;
using testing::RunResult;

constexpr const char* kArchibaldStudy = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.1";
constexpr const char* kArchibaldSeries = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.2";
constexpr size_t kArchibaldImages = 4;

// The data set of a Part 10 file: what follows the meta group.
std::vector<uint8_t> DataSetBytes(const std::string& path) {
  const std::vector<uint8_t> bytes = testing::ReadFileBytes(path);
  constexpr size_t kMetaLengthValue = 128 + 4 + 8;
  if (bytes.size() < kMetaLengthValue + 4) return {};
  const uint32_t metaLength = bytes[kMetaLengthValue] | (bytes[kMetaLengthValue + 1] << 8) |
                              (bytes[kMetaLengthValue + 2] << 16) |
                              (uint32_t{bytes[kMetaLengthValue + 3]} << 24);
  const size_t start = kMetaLengthValue + 4 + metaLength;
  if (start > bytes.size()) return {};
  return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(start), bytes.end());
}

// Files under a folder by SOP Instance UID: norvane names them UID.dcm, storescp
// MODALITY.UID, getscu likewise.
std::map<std::string, std::string> FilesByInstance(const std::string& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::string name = entry.path().filename().string();
    if (name.size() > 4 && name.ends_with(".dcm")) name.resize(name.size() - 4);
    const size_t dot = name.find('.');
    if (dot != std::string::npos && dot <= 3 && std::isalpha(static_cast<unsigned char>(name[0]))) {
      name = name.substr(dot + 1);
    }
    if (name.find("1.") != 0) continue;
    files[name] = entry.path().string();
  }
  return files;
}

// Every instance of `folder` (norvane's) that belongs under `received`: same data set bytes.
void ExpectSameDataSets(const std::map<std::string, std::string>& expected,
                        const std::map<std::string, std::string>& received) {
  ASSERT_EQ(received.size(), expected.size());
  for (const auto& [instance, path] : expected) {
    SCOPED_TRACE(instance);
    const auto found = received.find(instance);
    ASSERT_NE(found, received.end());
    EXPECT_TRUE(DataSetBytes(path) == DataSetBytes(found->second))
        << path << " and " << found->second << " differ";
  }
}

// norvane scp loaded with the dicomdirtests images through storescu.
class RetrievalArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("movescu", "getscu", "storescu", "storescp");
    destPort_ = testing::FreePort();
    const std::vector<std::string> argv = {testing::NorvaneTool(),
                                           "scp",
                                           "--port",
                                           "0",
                                           "--loopback",
                                           "-q",
                                           "--aet",
                                           "ARCHIVE",
                                           "--folder",
                                           dir_ / "db",
                                           "--dest",
                                           "MOVEDEST=127.0.0.1:" + std::to_string(destPort_)};
    ASSERT_TRUE(scp_.Start(argv, dir_ / "scp.log", dir_.path().string()));
    std::smatch match;
    const std::string log = WaitForOutput(scp_, "storing in");
    ASSERT_TRUE(std::regex_search(log, match, std::regex("listening on port ([0-9]+)"))) << log;
    port_ = match[1].str();
    std::vector<std::string> load = {"storescu", "-aet", "LOADER",    "-aec", "ARCHIVE",
                                     "+sd",      "+r",   "127.0.0.1", port_};
    for (const std::string& folder : testing::DicomdirTestFolders())
      load.push_back(folder);
    const RunResult loaded = RunProgram(load);
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output << scp_.Log();
  }

  std::map<std::string, std::string> StoredSeries() const {
    return FilesByInstance(dir_ / ("db/" + std::string(kArchibaldStudy)));
  }

  testing::TempDir dir_;
  // movescu with these options and keys to a storescp that stores into dir_/moved; the
  // storescp has ended when it returns.
  RunResult MoveToStorescp(const std::vector<std::string>& arguments) {
    fs::create_directories(dir_ / "moved");
    testing::PeerProcess storescp;
    if (!storescp.Start({"storescp", "-aet", "MOVEDEST", "-od", dir_ / "moved", "+xa",
                         std::to_string(destPort_)},
                        dir_ / "storescp.log") ||
        !testing::WaitForEcho(destPort_, "MOVEDEST")) {
      return {-1, "storescp did not start: " + storescp.Log()};
    }
    std::vector<std::string> argv = {"movescu", "-v",      "-aet", "TESTSCU",
                                     "-aec",    "ARCHIVE", "-aem", "MOVEDEST"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.insert(argv.end(), {"127.0.0.1", port_});
    return RunProgram(argv);
  }

  testing::PeerProcess scp_;
  std::string port_;
  uint16_t destPort_ = 0;
};

TEST_F(RetrievalArchive, MovescuToStorescpDeliversEveryInstanceBitForBit) {
  const RunResult move = MoveToStorescp({"-d", "-S", "-k", "QueryRetrieveLevel=STUDY", "-k",
                                         std::string("StudyInstanceUID=") + kArchibaldStudy});
  EXPECT_EQ(move.exitCode, 0) << move.output << scp_.Log();
  // A pending response after each object but the last, then the final one.
  EXPECT_EQ(Count(move.output, "Received Move Response "), kArchibaldImages - 1) << move.output;
  EXPECT_TRUE(std::regex_search(move.output, std::regex("Remaining Suboperations +: 1\n")));
  EXPECT_TRUE(Contains(move.output, "Received Final Move Response")) << move.output;
  EXPECT_TRUE(std::regex_search(move.output, std::regex("Completed Suboperations +: 4\n")))
      << move.output;
  EXPECT_TRUE(std::regex_search(move.output, std::regex("DIMSE Status +: 0x0000"))) << move.output;
  ExpectSameDataSets(StoredSeries(), FilesByInstance(dir_ / "moved"));
}

TEST_F(RetrievalArchive, MoveToAnUnknownDestinationIsRefusedAsSuch) {
  const RunResult move =
      RunProgram({"movescu", "-v", "-S", "-aet", "TESTSCU", "-aec", "ARCHIVE", "-aem", "NOWHERE",
                  "-k", "QueryRetrieveLevel=STUDY", "-k",
                  std::string("StudyInstanceUID=") + kArchibaldStudy, "127.0.0.1", port_});
  EXPECT_EQ(move.exitCode, 69) << move.output;
  EXPECT_TRUE(Contains(move.output, "MoveDestinationUnknown")) << move.output;
}

TEST_F(RetrievalArchive, GetscuReceivesTheSeriesOnItsOwnAssociationBitForBit) {
  fs::create_directories(dir_ / "got");
  const RunResult get = RunProgram(
      {"getscu", "-v", "-S", "-aet", "TESTSCU", "-aec", "ARCHIVE", "-od", dir_ / "got", "-k",
       "QueryRetrieveLevel=SERIES", "-k", std::string("StudyInstanceUID=") + kArchibaldStudy, "-k",
       std::string("SeriesInstanceUID=") + kArchibaldSeries, "127.0.0.1", port_});
  EXPECT_EQ(get.exitCode, 0) << get.output << scp_.Log();
  EXPECT_EQ(Count(get.output, "Received C-GET Response (Pending)"), kArchibaldImages - 1)
      << get.output;
  EXPECT_EQ(Count(get.output, "Received C-GET Response (Success)"), 1u) << get.output;
  ExpectSameDataSets(StoredSeries(), FilesByInstance(dir_ / "got"));
}

TEST_F(RetrievalArchive, PatientRootMoveAndGetRetrieveEveryObjectOfThePatient) {
  constexpr const char* kPatient = "PatientID=77654033";
  constexpr size_t kPatientImages = 7;
  std::map<std::string, std::string> patients;
  for (const auto& [instance, path] : FilesByInstance(dir_ / "db")) {
    if (Contains(testing::ReadFileText(path), "77654033")) patients[instance] = path;
  }
  ASSERT_EQ(patients.size(), kPatientImages);

  const RunResult move = MoveToStorescp({"-P", "-k", "QueryRetrieveLevel=PATIENT", "-k", kPatient});
  EXPECT_EQ(move.exitCode, 0) << move.output << scp_.Log();
  ExpectSameDataSets(patients, FilesByInstance(dir_ / "moved"));

  fs::create_directories(dir_ / "got");
  const RunResult get =
      RunProgram({"getscu", "-v", "-P", "-aet", "TESTSCU", "-aec", "ARCHIVE", "-od", dir_ / "got",
                  "-k", "QueryRetrieveLevel=PATIENT", "-k", kPatient, "127.0.0.1", port_});
  EXPECT_EQ(get.exitCode, 0) << get.output << scp_.Log();
  EXPECT_EQ(Count(get.output, "Received C-GET Response (Success)"), 1u) << get.output;
  ExpectSameDataSets(patients, FilesByInstance(dir_ / "got"));
}

TEST_F(RetrievalArchive, NorvaneGetFromNorvaneScpStoresIntoItsFolderDatabase) {
  const RunResult get =
      Norvane({"get", "127.0.0.1", port_, "--aet", "TESTSCU", "--aec", "ARCHIVE", "--level",
               "IMAGE", "-k", std::string("StudyInstanceUID=") + kArchibaldStudy, "-k",
               std::string("SeriesInstanceUID=") + kArchibaldSeries, "-k",
               "SOPInstanceUID=1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.93\\"
               "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.94",
               "--folder", dir_ / "local"});
  EXPECT_EQ(get.exitCode, 0) << get.output << scp_.Log();
  EXPECT_TRUE(Contains(get.output, "GET OK: 2 completed, 0 failed, 0 warning")) << get.output;
  EXPECT_EQ(Count(get.output, "stored "), 2u) << get.output;
  EXPECT_TRUE(fs::is_regular_file(dir_ / "local/KPStudy.dir"));
  const auto local = FilesByInstance(dir_ / "local");
  std::map<std::string, std::string> expected;
  for (const auto& [instance, path] : StoredSeries()) {
    if (local.count(instance) != 0) expected[instance] = path;
  }
  ExpectSameDataSets(expected, local);
}

TEST(NorvaneGet, RetrievesAStudyFromDcmqrscp) {
  NORVANE_REQUIRE_PROGRAMS("dcmqrscp", "storescu");
  testing::TempDir dir;
  testing::QueryRetrieveSCP archive;
  ASSERT_TRUE(archive.Start(dir.path().string(), {}));
  std::string output;
  ASSERT_TRUE(archive.LoadDicomdirTests(output)) << output;
  const RunResult get =
      Norvane({"get", "127.0.0.1", archive.Port(), "--aet", "TESTSCU", "--aec", "QRSCP", "-k",
               std::string("StudyInstanceUID=") + kArchibaldStudy, "--folder", dir / "got"});
  EXPECT_EQ(get.exitCode, 0) << get.output << archive.Log();
  EXPECT_TRUE(Contains(get.output, "GET OK: 4 completed, 0 failed, 0 warning")) << get.output;
  EXPECT_EQ(FilesByInstance(dir / ("got/" + std::string(kArchibaldStudy))).size(),
            kArchibaldImages);
}

// The probe's line for a SOP class: what follows "NAME (UID): ".
std::string ProbeLine(const std::string& output, const std::string& uid) {
  const std::string key = " (" + uid + "): ";
  const size_t at = output.find(key);
  if (at == std::string::npos) return "";
  const size_t end = output.find('\n', at);
  return output.substr(at + key.size(), end - at - key.size());
}

size_t ProbedAcceptedContexts(const std::string& output) {
  std::smatch match;
  static const std::regex line("presentation contexts: [0-9]+ proposed, ([0-9]+) accepted");
  return std::regex_search(output, match, line) ? std::stoul(match[1].str()) : 0;
}

TEST(NorvaneProbe, MatrixAgreesWithWhatEachPeerLogsAsAccepted) {
  NORVANE_REQUIRE_PROGRAMS("wlmscpfs", "storescp", "dcmqrscp", "dump2dcm");
  testing::TempDir dir;
  const uint16_t storePort = testing::FreePort();
  testing::PeerProcess storescp;
  ASSERT_TRUE(storescp.Start({"storescp", "-d", "-aet", "STORESCP", std::to_string(storePort)},
                             dir / "storescp.log"));
  ASSERT_TRUE(testing::WaitForEcho(storePort, "STORESCP"));
  testing::QueryRetrieveSCP archive;
  ASSERT_TRUE(archive.Start(dir / "qr", {}));
  testing::WorklistSCP worklist;
  std::string problem;
  ASSERT_TRUE(worklist.Start(dir / "wl", {}, problem)) << problem;

  const struct {
    const char* name;
    std::string port;
    const char* title;
    std::vector<std::pair<std::string, std::string>> lines;  // UID and its expected line
    std::function<std::string()> log;
  } peers[] = {
      {"storescp",
       std::to_string(storePort),
       "STORESCP",
       {{"1.2.840.10008.5.1.4.1.1.2",
         "Implicit VR Little Endian, Explicit VR Little Endian, Explicit VR Big Endian"},
        {"1.2.840.10008.5.1.4.1.2.2.1", "not accepted (abstract syntax not supported)"}},
       [&] { return storescp.Log(); }},
      {"dcmqrscp",
       archive.Port(),
       testing::kQueryRetrieveTitle,
       {{"1.2.840.10008.5.1.4.1.2.2.1",
         "Implicit VR Little Endian, Explicit VR Little Endian, Explicit VR Big Endian"},
        {"1.2.840.10008.5.1.4.31", "not accepted (abstract syntax not supported)"}},
       [&] { return archive.Log(); }},
      {"wlmscpfs",
       worklist.Port(),
       testing::kWorklistTitle,
       {{"1.2.840.10008.5.1.4.31",
         "Implicit VR Little Endian, Explicit VR Little Endian, Explicit VR Big Endian"},
        {"1.2.840.10008.5.1.4.1.1.2", "not accepted (abstract syntax not supported)"}},
       [&] { return worklist.Log(); }},
  };
  for (const auto& peer : peers) {
    SCOPED_TRACE(peer.name);
    // The contexts the peer logged before the probe, for the C-ECHO that found it ready.
    const size_t acceptedBefore = Count(peer.log(), "(Accepted)");
    const RunResult probe =
        Norvane({"probe", "127.0.0.1", peer.port, "--aet", "PROBE", "--aec", peer.title});
    ASSERT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_TRUE(Contains(probe.output, "implementation class UID: 1.2.276.0.7230010.3.0.3.6.7"))
        << probe.output;
    EXPECT_TRUE(Contains(probe.output, "implementation version name: OFFIS_DCMTK_367"))
        << probe.output;
    EXPECT_TRUE(std::regex_search(probe.output, std::regex("maximum PDU length: [1-9][0-9]*\n")))
        << probe.output;
    EXPECT_TRUE(Contains(probe.output, "associations: 2 requested, 2 accepted")) << probe.output;
    for (const auto& [uid, expected] : peer.lines) {
      EXPECT_EQ(ProbeLine(probe.output, uid), expected) << uid << "\n" << probe.output;
    }
    EXPECT_EQ(ProbeLine(probe.output, "1.2.840.10008.1.1"), "Implicit VR Little Endian");
    // The peer's own account of the negotiation, where it writes one.
    const std::string log = peer.log();
    if (Contains(log, "A-ASSOCIATE-AC")) {
      EXPECT_EQ(ProbedAcceptedContexts(probe.output), Count(log, "(Accepted)") - acceptedBefore)
          << probe.output << log;
    }
  }
}

}  // namespace
}  // namespace norvane
