#include <arpa/inet.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "elements/tag_list.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

// norvane scp as a process: started on a free loopback port, fed by DCMTK's storescu,
// stopped by signal.

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;
using testing::WaitForOutput;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::RunProgram;
using testing::RunResult;

constexpr const char* kCTInstance = "1.3.6.1.4.1.5962.1.1.1.1.1.20040119072730.12322";

// The port of the start line "listening on port N as TITLE, storing in FOLDER/".
std::string ListeningPort(const std::string& output) {
  std::smatch match;
  static const std::regex startLine("listening on port ([0-9]+) as ([^,]+), storing in (.*)\n");
  return std::regex_search(output, match, startLine) ? match[1].str() : "";
}

class ScpCommand : public ::testing::Test {
 protected:
  void SetUp() override { NORVANE_REQUIRE_PROGRAMS("storescu"); }
  // Starts norvane scp; the port it listens on.
  std::string Start(std::vector<std::string> options) {
    std::vector<std::string> argv = {testing::NorvaneTool(), "scp", "--port", "0", "--loopback"};
    argv.insert(argv.end(), options.begin(), options.end());
    EXPECT_TRUE(scp_.Start(argv, dir_ / "scp.log", dir_.path().string()));
    return ListeningPort(WaitForOutput(scp_, "storing in"));
  }
  RunResult Storescu(const std::string& port) {
    return RunProgram({"storescu", "-R", "-aec", "NORVANE", "127.0.0.1", port,
                       testing::PydicomFile("CT_small.dcm")});
  }

  testing::TempDir dir_;
  testing::PeerProcess scp_;
};

TEST_F(ScpCommand, PrintsWhereTheObjectLandedAndEndsWithZeroOnSigterm) {
  const std::string port = Start({"--folder", dir_ / "store", "--aet", "ARCHIVE"});
  ASSERT_FALSE(port.empty()) << scp_.Log();
  EXPECT_TRUE(Contains(scp_.Log(), "listening on port " + port + " as ARCHIVE, storing in " +
                                       (dir_ / "store") + "/\n"))
      << scp_.Log();
  const RunResult sent = Storescu(port);
  ASSERT_EQ(sent.exitCode, 0) << sent.output << scp_.Log();

  const std::string output = WaitForOutput(scp_, kCTInstance);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(output, match, std::regex("stored (.*\\.dcm)\n"))) << output;
  const std::string stored = match[1].str();
  EXPECT_EQ(fs::path(stored).filename().string(), std::string(kCTInstance) + ".dcm");
  EXPECT_EQ(stored.rfind(dir_ / "store/", 0), 0u) << stored;
  EXPECT_TRUE(fs::is_regular_file(stored)) << stored;
  EXPECT_TRUE(fs::is_regular_file(dir_ / "store/KPStudy.dir"));

  EXPECT_EQ(scp_.Terminate(SIGTERM), 0) << scp_.Log();
  EXPECT_FALSE(testing::WaitForListener(static_cast<uint16_t>(std::stoi(port)), 300ms))
      << "port " << port << " still listened on";
}

TEST_F(ScpCommand, JsonGivesOneDocumentOfTheObjectsWhenStopped) {
  const std::string port = Start({"--folder", dir_ / "store", "--json"});
  ASSERT_FALSE(port.empty()) << "the start line goes to standard error: " << scp_.Log();
  ASSERT_EQ(Storescu(port).exitCode, 0) << scp_.Log();
  EXPECT_EQ(scp_.Terminate(SIGTERM), 0) << scp_.Log();
  const std::string log = scp_.Log();
  EXPECT_FALSE(Contains(log, "stored ")) << log;
  const size_t start = log.find('{');
  ASSERT_NE(start, std::string::npos) << log;
  const nlohmann::json json = nlohmann::json::parse(log.substr(start));
  EXPECT_EQ(json["command"], "scp");
  EXPECT_EQ(json["ok"], true);
  EXPECT_EQ(json["port"], std::stoi(port));
  ASSERT_EQ(json["objects"].size(), 1u) << log;
  const nlohmann::json& object = json["objects"][0];
  EXPECT_EQ(object["sopInstanceUID"], kCTInstance);
  EXPECT_EQ(object["status"], 0);
  EXPECT_EQ(object["callingAET"], "STORESCU");
  EXPECT_TRUE(fs::is_regular_file(object["path"].get<std::string>())) << object;
}

TEST_F(ScpCommand, DefaultFolderIsDatabaseAndQuietPrintsNoStoredLines) {
  const std::string port = Start({"-q"});
  ASSERT_FALSE(port.empty()) << scp_.Log();
  EXPECT_TRUE(Contains(scp_.Log(), "storing in ./Database/")) << scp_.Log();
  ASSERT_EQ(Storescu(port).exitCode, 0);
  EXPECT_EQ(scp_.Terminate(SIGINT), 0) << scp_.Log();
  EXPECT_FALSE(Contains(scp_.Log(), "stored ")) << scp_.Log();
  bool found = false;
  for (const auto& entry : fs::recursive_directory_iterator(dir_ / "Database")) {
    found = found || entry.path().filename() == std::string(kCTInstance) + ".dcm";
  }
  EXPECT_TRUE(found);
}

TEST_F(ScpCommand, ShortRelativeFolderIsMadeInTheCurrentFolder) {
  const std::string port = Start({"--folder", "db"});
  ASSERT_FALSE(port.empty()) << scp_.Log();
  ASSERT_EQ(Storescu(port).exitCode, 0) << scp_.Log();
  const std::string output = WaitForOutput(scp_, kCTInstance);
  EXPECT_TRUE(Contains(output, "stored db/")) << output;
  EXPECT_TRUE(fs::is_regular_file(dir_ / "db/KPStudy.dir")) << output;
  EXPECT_EQ(scp_.Terminate(SIGTERM), 0);
}

TEST_F(ScpCommand, ObjectThatCannotBeStoredIsReportedOnStandardError) {
  fs::create_directories(dir_ / "store/KPStudy.dir");
  const std::string port = Start({"--folder", dir_ / "store"});
  ASSERT_FALSE(port.empty()) << scp_.Log();
  const RunResult sent =
      RunProgram({"storescu", "-v", "-R", "127.0.0.1", port, testing::PydicomFile("CT_small.dcm")});
  EXPECT_TRUE(Contains(sent.output, "Refused: OutOfResources")) << sent.output;
  const std::string output = WaitForOutput(scp_, "not stored");
  EXPECT_TRUE(Contains(output, std::string("not stored ") + kCTInstance +
                                   " from STORESCU: study index cannot be written (status "
                                   "0xA700)\n"))
      << output;
  EXPECT_EQ(scp_.Terminate(SIGTERM), 0);
}

TEST_F(ScpCommand, NorvaneStoreToAnUnwritableFolderSaysOutOfResources) {
  fs::create_directories(dir_ / "store/KPStudy.dir");
  const std::string port = Start({"--folder", dir_ / "store"});
  ASSERT_FALSE(port.empty()) << scp_.Log();
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const RunResult sent =
      testing::RunNorvaneStandardError({"store", "127.0.0.1", port, file, "--aec", "NORVANESCP"});
  EXPECT_EQ(sent.exitCode, 1);
  EXPECT_EQ(sent.output,
            "norvane store: " + file + ": C-STORE-RSP status 0xA700 (Refused: Out of Resources)\n")
      << "standard error alone";
  EXPECT_EQ(scp_.Terminate(SIGTERM), 0);
}

TEST_F(ScpCommand, LongUidIsRefusedAndThePeersTextsReachTheTerminalEscaped) {
  // A copy of the CT whose SOP Instance UID is 100 characters long.
  DicomFileContent ct = DICOMFile(testing::PydicomFile("CT_small.dcm"));
  ASSERT_TRUE(ct.Ok());
  const std::string longUID = std::string(kCTInstance) + "." + std::string(50, '9');
  *FindTag(ct.dataset, 0x0008, 0x0018) = GenerateTextTag(0x0008, 0x0018, "UI", longUID);
  TagList meta;
  BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.2", longUID, "1.2.840.10008.1.2.1");
  const std::string file = dir_ / "long.dcm";
  ASSERT_TRUE(WriteDicomFile(file, &meta, ct.dataset, true, ByteOrder::kLittleEndian));

  const std::string port = Start({"--folder", dir_ / "store"});
  ASSERT_FALSE(port.empty()) << scp_.Log();
  const RunResult sent =
      RunProgram({"storescu", "-v", "-R", "-aet", "EV\x1B[31mIL", "127.0.0.1", port, file});
  EXPECT_TRUE(Contains(sent.output, "CannotUnderstand")) << sent.output;
  const std::string output = WaitForOutput(scp_, "not stored");
  EXPECT_TRUE(Contains(output, "not stored " + longUID +
                                   " from EV\\x1B[31mIL: a UID is longer than 64 characters "
                                   "(status 0xC000)\n"))
      << output;
  EXPECT_FALSE(Contains(output, "\x1B"));
  EXPECT_FALSE(fs::exists(dir_ / "store/KPStudy.dir"));
  EXPECT_EQ(scp_.Terminate(SIGTERM), 0);
}

TEST_F(ScpCommand, SilentConnectionFillingThePoolIsClosedAtTheArtimTimeAndStorescuIsServed) {
  const std::string port =
      Start({"--folder", dir_ / "store", "--max-associations", "1", "--artim-timeout", "1"});
  ASSERT_FALSE(port.empty()) << scp_.Log();
  const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
  ASSERT_EQ(::connect(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const RunResult sent = Storescu(port);
  ::close(silent);
  EXPECT_EQ(sent.exitCode, 0) << sent.output << scp_.Log();
  EXPECT_TRUE(Contains(WaitForOutput(scp_, kCTInstance), "stored ")) << scp_.Log();
  EXPECT_EQ(scp_.Terminate(SIGTERM), 0) << scp_.Log();
}

TEST_F(ScpCommand, HelpTellsTheOptionsAndBadCommandLinesAreRefused) {
  const RunResult help = Norvane({"scp", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* part :
       {"--port N", "--folder DIR", "./Database", "--aet TITLE", "--loopback", "-q, --quiet",
        "SIGTERM", "0xA700", "JPEG Lossless", "--max-associations N", "--artim-timeout S",
        "--idle-timeout S", "--worklist DIR", "--accept-all-storage", "C-FIND", "0xA900"}) {
    EXPECT_TRUE(Contains(help.output, part)) << "help lacks " << part << ":\n" << help.output;
  }
  EXPECT_EQ(Norvane({"scp", "--port", "70000"}).exitCode, 2);
  EXPECT_EQ(Norvane({"scp", "--port", "eleven"}).exitCode, 2);
  EXPECT_EQ(Norvane({"scp", "--frobnicate"}).exitCode, 2);
  EXPECT_EQ(Norvane({"scp", "somewhere"}).exitCode, 2);
  const RunResult noWorklist = Norvane({"scp", "--worklist", dir_ / "missing"});
  EXPECT_EQ(noWorklist.exitCode, 2);
  EXPECT_TRUE(Contains(noWorklist.output, "is not a folder")) << noWorklist.output;
  for (const char* option : {"--max-associations", "--artim-timeout", "--idle-timeout"}) {
    for (const char* value : {"0", "-1", "ten", "99999999"}) {
      const RunResult refused = Norvane({"scp", option, value});
      EXPECT_EQ(refused.exitCode, 2) << option << " " << value;
      EXPECT_TRUE(Contains(refused.output, std::string(option) + " needs a number"))
          << refused.output;
    }
  }

  std::ofstream(dir_ / "plain") << "not a folder";
  const RunResult noFolder =
      Norvane({"scp", "--port", "0", "--loopback", "--folder", dir_ / "plain/Database"});
  EXPECT_EQ(noFolder.exitCode, 1);
  EXPECT_TRUE(Contains(noFolder.output, "cannot create the storage folder")) << noFolder.output;
}

// RT Plan is no class of the storage table, but one of the dictionary.
TEST_F(ScpCommand, AcceptAllStorageTakesStorageClassesBeyondTheTable) {
  for (const bool all : {false, true}) {
    SCOPED_TRACE(all ? "--accept-all-storage" : "the table");
    std::vector<std::string> options = {"--folder", dir_ / (all ? "all" : "table")};
    if (all) options.push_back("--accept-all-storage");
    const std::string port = Start(options);
    ASSERT_FALSE(port.empty()) << scp_.Log();
    const RunResult sent = RunProgram(
        {"storescu", "-aec", "NORVANE", "127.0.0.1", port, testing::PydicomFile("rtplan.dcm")});
    EXPECT_EQ(sent.exitCode == 0, all) << sent.output;
    if (all) {
      EXPECT_TRUE(Contains(WaitForOutput(scp_, "stored "), "stored ")) << scp_.Log();
    }
    EXPECT_EQ(scp_.Terminate(SIGTERM), 0) << scp_.Log();
    if (!all) {
      EXPECT_FALSE(Contains(scp_.Log(), "stored ")) << scp_.Log();
    }
  }
}

TEST_F(ScpCommand, PortInUseEndsWithOne) {
  const std::string port = Start({"--folder", dir_ / "store"});
  ASSERT_FALSE(port.empty());
  const RunResult second =
      Norvane({"scp", "--port", port, "--loopback", "--folder", dir_ / "other"});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_TRUE(Contains(second.output, "cannot listen on port " + port)) << second.output;
  EXPECT_EQ(scp_.Terminate(SIGTERM), 0);
}

}  // namespace
}  // namespace norvane
