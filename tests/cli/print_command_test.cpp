// norvane print: help, command lines, the film settings it sends by default and from its
// options, and the failure line.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/setup/settings.hpp"
#include "dimse/scripted_print_peer.hpp"
#include "dimse/store_test_objects.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;

using testing::Bytes;
using testing::MessageBuilder;
using testing::RunResult;
using testing::TextValue;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Runs norvane in `folder`, where it finds (or does not find) its settings file.
RunResult NorvaneIn(const std::string& folder, const std::vector<std::string>& arguments) {
  std::string command = "cd " + Quoted(folder) + " && exec " + Quoted(testing::NorvaneTool());
  for (const std::string& argument : arguments)
    command += " " + Quoted(argument);
  return testing::RunProgram({"sh", "-c", command}, std::chrono::seconds(60));
}

class PrintCommand : public ::testing::Test {
 protected:
  // A 2 x 2 8-bit grey DICOM image.
  std::string GreyImage() {
    TagList dataset;
    dataset.push_back(testing::Padded(0x0008, 0x0016, "UI", testing::kSecondaryCapture));
    dataset.push_back(testing::Padded(0x0008, 0x0018, "UI", "1.2.826.0.1.3680043.2.4821.9.4"));
    dataset.push_back(testing::Padded(0x0028, 0x0004, "CS", "MONOCHROME2"));
    dataset.push_back(GenerateUSTag(0x0028, 0x0010, 2));
    dataset.push_back(GenerateUSTag(0x0028, 0x0011, 2));
    dataset.push_back(GenerateUSTag(0x0028, 0x0100, 8));
    dataset.push_back(GenerateTag(0x7FE0, 0x0010, "OB", Bytes{1, 2, 3, 4}));
    const std::string path = dir_ / "grey.dcm";
    EXPECT_TRUE(testing::WriteObject(path, dataset));
    return path;
  }

  testing::TempDir dir_;
};

TEST_F(PrintCommand, HelpTellsTheOptionsDefaultsAndExitStatus) {
  const RunResult help = NorvaneIn(dir_.path(), {"print", "--help"});
  EXPECT_EQ(help.exitCode, 0) << help.output;
  for (const char* part :
       {"usage: norvane print [HOST PORT] FILE", "--copies N", "--priority P", "--medium M",
        "--destination D", "--format F", "--orientation O", "--size S", "--magnification M",
        "--grayscale", "--planar", "--aet", "--aec", "--log FILE", "--log-level", "PRINT OK",
        "\"BLUE FILM\"", "STANDARD\\1,1", "exit status: 0"}) {
    EXPECT_TRUE(Contains(help.output, part)) << part << " missing from:\n" << help.output;
  }
  const RunResult overview = NorvaneIn(dir_.path(), {"--help"});
  EXPECT_TRUE(Contains(overview.output, "print")) << overview.output;
}

TEST_F(PrintCommand, BadCommandLinesExitWith2) {
  EXPECT_EQ(NorvaneIn(dir_.path(), {"print"}).exitCode, 2);
  EXPECT_EQ(NorvaneIn(dir_.path(), {"print", "a.dcm", "b.dcm"}).exitCode, 2);
  EXPECT_EQ(NorvaneIn(dir_.path(), {"print", GreyImage(), "--bogus"}).exitCode, 2);
  const RunResult missing = NorvaneIn(dir_.path(), {"print", "127.0.0.1", "104", "none.dcm"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(Contains(missing.output, "no such file: none.dcm")) << missing.output;
}

TEST_F(PrintCommand, ClosedPortPrintsAndLogsTheFailureLine) {
  const std::string port = std::to_string(testing::FreePort());
  const RunResult print = NorvaneIn(dir_.path(), {"print", "127.0.0.1", port, GreyImage(), "--aec",
                                                  "PRINTER", "--log", dir_ / "print.log"});
  EXPECT_EQ(print.exitCode, 1);
  const std::string line = "PRINT failed to connect to: PRINTER (127.0.0.1:" + port + ")";
  EXPECT_EQ(print.output, "norvane print: Connection Failed! (connection refused by 127.0.0.1:" +
                              port + " (nothing listens there))\n" + line + "\n")
      << "the failed step on stderr";
  const std::vector<std::string> log = testing::LogTexts(dir_ / "print.log");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "Starting PRINT Service");
  EXPECT_EQ(log.back(), line);
}

TEST_F(PrintCommand, StandardErrorNamesTheFailedStepAndAFailedStatusQuery) {
  const struct {
    size_t request;
    uint16_t status;
    int exitCode;
    std::string output;  // "PORT" stands for the peer's port
  } cases[] = {
      {2, 0xB600, 1,
       "norvane print: Create Film Box: Failed! (N-CREATE-RSP status 0xB600 (Warning: Memory "
       "allocation not supported))\n"
       "PRINT failed to connect to: PRINTER (127.0.0.1:PORT)\n"},
      {0, 0x0107, 0,
       "norvane print: Unable to Get Status (N-GET-RSP status 0x0107 (Warning: Attribute list "
       "error))\nPRINT OK\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    testing::PrintPeerScript script;
    script.statuses[c.request] = c.status;
    testing::ScriptedPrintPeer peer(script);
    const RunResult print = NorvaneIn(
        dir_.path(), {"print", "127.0.0.1", peer.Port(), GreyImage(), "--aec", "PRINTER"});
    peer.Finish();
    EXPECT_EQ(print.exitCode, c.exitCode);
    std::string expected = c.output;
    if (const size_t at = expected.find("PORT"); at != std::string::npos) {
      expected.replace(at, 4, peer.Port());
    }
    EXPECT_EQ(print.output, expected) << "no log line reaches standard error without -v";
  }
}

TEST_F(PrintCommand, DefaultsAreTheTestApplicationsFilmSettings) {
  testing::ScriptedPrintPeer peer({});
  const RunResult print =
      NorvaneIn(dir_.path(), {"print", "127.0.0.1", peer.Port(), GreyImage(), "--aec", "PRINTER"});
  const testing::PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(print.exitCode, 0) << print.output;
  EXPECT_EQ(print.output, "PRINT OK\n");
  ASSERT_EQ(seen.requests.size(), 6u);
  EXPECT_EQ(testing::Hex(seen.requests[1].dataset),
            testing::Hex(MessageBuilder()
                             .Implicit(0x2000, 0x0010, TextValue("1"))
                             .Implicit(0x2000, 0x0020, TextValue("MED"))
                             .Implicit(0x2000, 0x0030, TextValue("BLUE FILM"))
                             .Implicit(0x2000, 0x0040, TextValue("MAGAZINE"))
                             .bytes()));
  const Bytes box = MessageBuilder()
                        .Implicit(0x2010, 0x0010, TextValue("STANDARD\\1,1"))
                        .Implicit(0x2010, 0x0040, TextValue("PORTRAIT"))
                        .Implicit(0x2010, 0x0050, TextValue("14INX17IN"))
                        .Implicit(0x2010, 0x0060, TextValue("REPLICATE"))
                        .Implicit(0x2010, 0x0150, {})
                        .bytes();
  EXPECT_EQ(testing::Hex(testing::Slice(seen.requests[2].dataset, 0, box.size())),
            testing::Hex(box));
}

TEST_F(PrintCommand, SettingsFileAndOptionsChooseTheFilm) {
  Settings settings;
  settings.setFilmDestination(1);    // PROCESSOR
  settings.setFilmOrientation(1);    // LANDSCAPE
  settings.setFilmSize(3);           // 8INX10IN
  settings.setMagnificationType(2);  // CUBIC
  settings.setPlanarConfiguration(true);
  ASSERT_TRUE(settings.Save(dir_ / std::string(kSettingsFileName)));
  testing::ScriptedPrintPeer peer({});
  const RunResult print =
      NorvaneIn(dir_.path(), {"print", "127.0.0.1", peer.Port(), GreyImage(), "--copies", "2",
                              "--medium", "", "--size", "14INX14IN", "--format", "STANDARD\\2,2"});
  const testing::PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(print.exitCode, 0) << print.output;
  ASSERT_EQ(seen.requests.size(), 6u);
  EXPECT_EQ(testing::Hex(seen.requests[1].dataset),
            testing::Hex(MessageBuilder()
                             .Implicit(0x2000, 0x0010, TextValue("2"))
                             .Implicit(0x2000, 0x0020, TextValue("MED"))
                             .Implicit(0x2000, 0x0040, TextValue("PROCESSOR"))
                             .bytes()));
  const Bytes box = MessageBuilder()
                        .Implicit(0x2010, 0x0010, TextValue("STANDARD\\2,2"))
                        .Implicit(0x2010, 0x0040, TextValue("LANDSCAPE"))
                        .Implicit(0x2010, 0x0050, TextValue("14INX14IN"))
                        .Implicit(0x2010, 0x0060, TextValue("CUBIC"))
                        .bytes();
  EXPECT_EQ(testing::Hex(testing::Slice(seen.requests[2].dataset, 0, box.size())),
            testing::Hex(box));
}

}  // namespace
}  // namespace norvane
