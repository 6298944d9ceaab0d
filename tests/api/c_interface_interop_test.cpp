// libnorvane.so as other programs see it: the symbols it exports, and a C program built
// against the installed header and pkg-config file that drives the library against real
// DCMTK peers under Valgrind (or, in a sanitized build, AddressSanitizer).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using testing::PeerProcess;
using testing::RunProgram;
using testing::RunResult;

// The 36 functions other programs call by these names.
const std::set<std::string>& InterfaceFunctions() {
  static const std::set<std::string> names = {
      "NewPDU",           "DeletePDU",     "OpenAssoc",     "WriteEchoRQ",   "ReadEchoRSP",
      "CloseAssoc",       "EchoSCU",       "WriteFindRQ",   "ReadFindRSP",   "FindSCU",
      "WriteMoveRQ",      "ReadMoveRSP",   "MoveSCU",       "WriteStoreRQ",  "ReadStoreRSP",
      "StoreSCU",         "StartStoreSCP", "DICOMHeader",   "DICOMFile",     "PrintSCU",
      "GenerateTag",      "ClearTags",     "SetLOG",        "ReadDCMDIR",    "Version",
      "SendSeries",       "ConvertTS",     "WriteWLFindRQ", "ReadWLFindRSP", "ClearWL",
      "AppendMetaHeader", "ConvertFileTS", "ClearQuery",    "ECG2Bitmap",    "CreateThumbnail",
      "PrintSCU_Ex"};
  return names;
}

// The functions norvane.h declares.
std::set<std::string> DeclaredFunctions() {
  std::istringstream header(testing::ReadFileText(NORVANE_HEADER));
  const std::regex declaration(R"(^NORVANE_API [^(]*?\b([A-Za-z_]\w*)\()");
  std::set<std::string> names;
  std::smatch match;
  for (std::string line; std::getline(header, line);) {
    if (std::regex_search(line, match, declaration)) names.insert(match[1]);
  }
  return names;
}

TEST(SharedLibrary, ExportsTheDeclaredFunctionsAndNothingElse) {
  const RunResult nm = RunProgram({"nm", "-D", "--defined-only", NORVANE_LIBRARY_FILE});
  ASSERT_EQ(nm.exitCode, 0) << nm.output;
  std::set<std::string> exported;
  std::istringstream lines(nm.output);
  for (std::string address, type, name; lines >> address >> type >> name;)
    exported.insert(name);

  const std::set<std::string> declared = DeclaredFunctions();
  EXPECT_EQ(exported, declared) << nm.output;
  for (const std::string& name : InterfaceFunctions())
    EXPECT_TRUE(declared.count(name)) << name << " is not declared in norvane.h";
}

class CProgram : public ::testing::Test {
 protected:
  std::string Prefix() const { return dir_ / "prefix"; }
  std::string LibDir() const { return Prefix() + "/" + NORVANE_INSTALL_LIBDIR; }

  // cmake --install of the library component into a fresh prefix.
  void Install() {
    const RunResult install = RunProgram({NORVANE_CMAKE_COMMAND, "--install", NORVANE_BINARY_DIR,
                                          "--prefix", Prefix(), "--component", "library"});
    ASSERT_EQ(install.exitCode, 0) << install.output;
  }

  // The command run through `sh` with the installed pkg-config file on its search path.
  RunResult WithPkgConfig(const std::string& command) {
    return RunProgram({"env", "PKG_CONFIG_PATH=" + LibDir() + "/pkgconfig", "sh", "-c", command});
  }

  testing::TempDir dir_;
};

TEST_F(CProgram, BuildsFromTheInstalledHeaderAndPkgConfigFile) {
  ASSERT_NO_FATAL_FAILURE(Install());
  EXPECT_TRUE(std::filesystem::exists(Prefix() + "/include/norvane.h"));
  const RunResult version = WithPkgConfig("pkg-config --modversion norvane");
  EXPECT_EQ(version.output, "2.64\n");
}

TEST_F(CProgram, DrivesTheLibraryAgainstRealPeersWithoutMemoryErrors) {
  NORVANE_REQUIRE_PROGRAMS("storescp", "storescu", "dcmqrscp", "wlmscpfs", "dump2dcm");
  const bool sanitized = NORVANE_SANITIZED;
  if (!sanitized) NORVANE_REQUIRE_PROGRAMS("valgrind");
  ASSERT_NO_FATAL_FAILURE(Install());

  const std::string program = dir_ / "c_client";
  const std::string build =
      std::string(NORVANE_C_COMPILER) + " -std=c99 -pedantic -Wall -Wextra -Werror -g -O1 " +
      (sanitized ? "-fsanitize=address,undefined -fno-omit-frame-pointer " : "") +
      NORVANE_SOURCE_DIR "/tests/api/c_client.c -o " + program +
      " $(pkg-config --cflags --libs norvane)";
  const RunResult compiled = WithPkgConfig(build);
  ASSERT_EQ(compiled.exitCode, 0) << build << "\n" << compiled.output;

  const std::string work = dir_ / "work";
  std::filesystem::create_directories(work + "/storescp");
  const uint16_t scpPort = testing::FreePort();

  PeerProcess storescp;
  const uint16_t storePort = testing::FreePort();
  ASSERT_TRUE(storescp.Start({"storescp", "-aet", "STORESCP", "+xa", "+uf", "-od",
                              work + "/storescp", std::to_string(storePort)},
                             dir_ / "storescp.log"));
  ASSERT_TRUE(testing::WaitForEcho(storePort, "STORESCP"));

  testing::QueryRetrieveSCP archive;
  std::filesystem::create_directories(dir_ / "qr");
  std::string loaded;
  ASSERT_TRUE(archive.Start(dir_ / "qr", {{"NORVANE", scpPort}}) &&
              archive.LoadDicomdirTests(loaded))
      << loaded << archive.Log();

  testing::WorklistSCP worklist;
  std::filesystem::create_directories(dir_ / "wl");
  std::string problem;
  ASSERT_TRUE(worklist.Start(
      dir_ / "wl",
      {{"ACC1", "DOE^JOHN", "PID1", "19700101", "M", "1.2.826.0.1.3680043.2.1143.901.1", "CT",
        "CT1", "20240115", "093000", "PERFORMER^PAULA", "HEAD", "SPS1"},
       {"ACC2", "ROE^JANE", "PID2", "19800202", "F", "1.2.826.0.1.3680043.2.1143.901.2", "CT",
        "CT1", "20240115", "101500", "PERFORMER^PAULA", "CHEST", "SPS2"},
       {"ACC3", "POE^PAUL", "PID3", "19900303", "M", "1.2.826.0.1.3680043.2.1143.901.3", "MR",
        "MR1", "20240116", "080000", "PERFORMER^PETER", "KNEE", "SPS3"}},
      problem))
      << problem;

  std::vector<std::string> run = {"env", "LD_LIBRARY_PATH=" + LibDir()};
  if (!sanitized) {
    run.insert(run.end(),
               {"valgrind", "--error-exitcode=99", "--leak-check=full",
                "--errors-for-leak-kinds=definite,indirect", "--show-leak-kinds=definite,indirect",
                "--suppressions=" NORVANE_SOURCE_DIR "/tests/api/valgrind.supp"});
  }
  run.insert(run.end(), {program, work, NORVANE_PYDICOM_TEST_FILES, std::to_string(storePort),
                         archive.Port(), worklist.Port(), std::to_string(scpPort)});
  const RunResult client = RunProgram(run, std::chrono::seconds(280));
  EXPECT_EQ(client.exitCode, 0) << client.output << "\n--- log:\n"
                                << testing::ReadFileText(work + "/norvane.log").substr(0, 20000);
  EXPECT_NE(client.output.find("0 failed checks"), std::string::npos) << client.output;
}

}  // namespace
}  // namespace norvane
