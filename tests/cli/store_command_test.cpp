// norvane store and norvane send-series against a storage SCP the test plays: the line
// per file, the closing line, the log and the exit status.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dimse/scripted_store_peer.hpp"
#include "dimse/store_test_objects.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;

using testing::RunProgram;
using testing::RunResult;
using testing::ScriptedStorePeer;
using testing::StorePeerScript;

TEST(StoreCommand, HelpTellsTheProposalsTheLinesAndTheExitStatus) {
  const RunResult help = Norvane({"store", "--help"});
  EXPECT_EQ(help.exitCode, 0) << help.output;
  for (const char* part : {"usage: norvane store [HOST PORT] FILE...", "--ts SYNTAX", "lossless",
                           "--no-convert", "--aet", "--aec", "--log FILE", "FOLDER",
                           "stored (0x0000)", "STORE OK", "n/total", "exit status: 0"}) {
    EXPECT_TRUE(Contains(help.output, part)) << part << " missing from:\n" << help.output;
  }
  const RunResult series = Norvane({"send-series", "--help"});
  EXPECT_EQ(series.exitCode, 0) << series.output;
  for (const char* part : {"usage: norvane send-series [HOST PORT] FOLDER", "Image.dir",
                           "SEND SERIES OK", "--ts SYNTAX", "exit status: 0"}) {
    EXPECT_TRUE(Contains(series.output, part)) << part << " missing from:\n" << series.output;
  }
  const RunResult overview = Norvane({"--help"});
  EXPECT_TRUE(Contains(overview.output, "store")) << overview.output;
  EXPECT_TRUE(Contains(overview.output, "send-series")) << overview.output;
}

TEST(StoreCommand, BadCommandLinesExitWith2) {
  const RunResult none = Norvane({"store", "127.0.0.1", "104"});
  EXPECT_EQ(none.exitCode, 2) << none.output;
  EXPECT_TRUE(Contains(none.output, "give at least one FILE")) << none.output;
  EXPECT_EQ(Norvane({"store"}).exitCode, 2);
  const RunResult syntax = Norvane({"store", "127.0.0.1", "104", "a.dcm", "--ts", "jpeg2000"});
  EXPECT_EQ(syntax.exitCode, 2) << syntax.output;
  EXPECT_TRUE(Contains(syntax.output, "--ts 'jpeg2000'")) << syntax.output;
  EXPECT_EQ(Norvane({"store", "a.dcm", "--bogus"}).exitCode, 2);
  EXPECT_EQ(Norvane({"send-series", "127.0.0.1", "104"}).exitCode, 2);
  EXPECT_EQ(Norvane({"send-series", "127.0.0.1", "104", "a", "b"}).exitCode, 2);
  const RunResult notFolder = Norvane({"send-series", "127.0.0.1", "104", "/no/such/folder"});
  EXPECT_EQ(notFolder.exitCode, 2);
  EXPECT_TRUE(Contains(notFolder.output, "is not a folder")) << notFolder.output;
}

TEST(StoreCommand, FolderWithoutDicomFilesSendsNothing) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir / "empty");
  ScriptedStorePeer peer({});
  const RunResult store = Norvane({"store", "127.0.0.1", peer.Port(), dir / "empty"});
  EXPECT_EQ(store.exitCode, 1);
  EXPECT_TRUE(Contains(store.output, "holds no DICOM files; nothing sent")) << store.output;
  EXPECT_FALSE(peer.Stop().connected);
}

TEST(StoreCommand, FailureStatusIsPrintedForTheFileAndLogged) {
  testing::TempDir dir;
  StorePeerScript script;
  script.statuses = {0xA700};
  ScriptedStorePeer peer(script);
  const std::string file = testing::PydicomFile("MR_small_implicit.dcm");
  const RunResult store = Norvane(
      {"store", "127.0.0.1", peer.Port(), file, "--aec", "PEER", "--log", dir / "store.log"});
  EXPECT_EQ(peer.Finish().stores.size(), 1u);
  EXPECT_EQ(store.exitCode, 1);
  const std::string reason = file + ": C-STORE-RSP status 0xA700 (Refused: Out of Resources)";
  EXPECT_EQ(store.output, file + ": failed, status 0xA700\nnorvane store: " + reason +
                              "\nSTORE failed: 1 of 1 file not stored\n");
  EXPECT_EQ(testing::LogTexts(dir / "store.log"),
            (std::vector<std::string>{"Starting STORE Service", reason,
                                      "STORE failed: 1 of 1 file not stored"}));
}

TEST(StoreCommand, StoredFileAndConversionArePrinted) {
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kLosslessTS)};
  ScriptedStorePeer peer(script);
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const testing::StreamsResult store =
      testing::NorvaneStreams({"store", "127.0.0.1", peer.Port(), file, "--ts", "lossless"});
  EXPECT_EQ(peer.Finish().Proposed().front().transferSyntaxes.front(), testing::kLosslessTS);
  EXPECT_EQ(store.exitCode, 0) << store.out << store.err;
  EXPECT_EQ(store.out, file +
                           ": stored (0x0000), converted from 1.2.840.10008.1.2.1 (Explicit VR "
                           "Little Endian) to 1.2.840.10008.1.2.4.70 (JPEG Lossless, "
                           "Non-Hierarchical, First-Order Prediction (Process 14 [Selection Value "
                           "1]))\nSTORE OK\n");
  EXPECT_TRUE(store.err.starts_with("norvane store: 1 file, 39.21 kB in ")) << store.err;
}

TEST(StoreCommand, FilesOfTwoClassesGoOverTheOneAssociationThePeerServes) {
  // The scripted peer accepts one connection: every file must go over it, in order.
  ScriptedStorePeer peer({});
  const std::string mr = testing::PydicomFile("MR_small_implicit.dcm");
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const testing::StreamsResult store =
      testing::NorvaneStreams({"store", "127.0.0.1", peer.Port(), mr, ct, mr, "--aec", "PEER"});
  EXPECT_EQ(peer.Finish().stores.size(), 3u);
  EXPECT_EQ(store.exitCode, 0) << store.out << store.err;
  EXPECT_EQ(store.out, mr + ": stored (0x0000)\n" + ct +
                           ": stored (0x0000), converted from 1.2.840.10008.1.2.1 (Explicit VR "
                           "Little Endian) to 1.2.840.10008.1.2 (Implicit VR Little Endian)\n" +
                           mr + ": stored (0x0000)\nSTORE OK\n");
}

TEST(StoreCommand, NoConvertLeavesAFileThePeerWantsInAnotherSyntax) {
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kImplicitTS)};
  ScriptedStorePeer peer(script);
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const RunResult store = Norvane({"store", "127.0.0.1", peer.Port(), file, "--no-convert"});
  EXPECT_TRUE(peer.Finish().stores.empty());
  EXPECT_EQ(store.exitCode, 1);
  EXPECT_TRUE(Contains(store.output, "conversion is off")) << store.output;
}

TEST(StoreCommand, ClosedPortNamesThePeer) {
  const std::string port = std::to_string(testing::FreePort());
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const RunResult store = Norvane({"store", "127.0.0.1", port, file, "--aec", "ARCHIVE"});
  EXPECT_EQ(store.exitCode, 1);
  EXPECT_TRUE(Contains(store.output, file + ": failed, no association")) << store.output;
  EXPECT_TRUE(Contains(store.output, "with ARCHIVE (127.0.0.1:" + port + ")")) << store.output;
}

TEST(SendSeriesCommand, EveryFileIsReportedAndOneFailureFailsTheSeries) {
  testing::TempDir dir;
  const std::string folder = testing::StoreSeries(dir / "Database", 3);
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kExplicitTS)};
  script.statuses = {0x0000, 0xA700, 0x0000};
  ScriptedStorePeer peer(script);
  const RunResult sent =
      Norvane({"send-series", "127.0.0.1", peer.Port(), folder, "--log", dir / "series.log"});
  EXPECT_EQ(peer.Finish().stores.size(), 3u);
  EXPECT_EQ(sent.exitCode, 1);
  const std::string base = folder + "1.2.826.0.1.3680043.2.4821.7.1.2.3.";
  const std::string reason = base + "2.dcm: C-STORE-RSP status 0xA700 (Refused: Out of Resources)";
  EXPECT_EQ(sent.output, base + "1.dcm: stored (0x0000)\n" + base +
                             "2.dcm: failed, status 0xA700\nnorvane send-series: " + reason + "\n" +
                             base +
                             "3.dcm: stored (0x0000)\n"
                             "SEND SERIES failed: 1 of 3 files not stored\n");
  EXPECT_EQ(testing::LogTexts(dir / "series.log"),
            (std::vector<std::string>{"Starting SEND SERIES Service", reason,
                                      "SEND SERIES failed: 1 of 3 files not stored"}));
}

TEST(SendSeriesCommand, WholeSeriesStoredExitsWith0) {
  testing::TempDir dir;
  const std::string folder = testing::StoreSeries(dir / "Database", 2);
  ScriptedStorePeer peer({});
  const RunResult sent = Norvane({"send-series", "127.0.0.1", peer.Port(), folder});
  EXPECT_EQ(peer.Finish().stores.size(), 2u);
  EXPECT_EQ(sent.exitCode, 0) << sent.output;
  EXPECT_TRUE(Contains(sent.output, "SEND SERIES OK\n")) << sent.output;
}

TEST(SendSeriesCommand, UnreadableFirstFileSendsNothingAndSaysWhy) {
  testing::TempDir dir;
  const std::string folder = testing::StoreSeries(dir / "Database", 2);
  const std::string first = folder + "1.2.826.0.1.3680043.2.4821.7.1.2.3.1.dcm";
  std::filesystem::remove(first);
  ScriptedStorePeer peer({});
  const RunResult sent = Norvane({"send-series", "127.0.0.1", peer.Port(), folder});
  EXPECT_FALSE(peer.Stop().connected);
  EXPECT_EQ(sent.exitCode, 1);
  EXPECT_EQ(sent.output, first +
                             ": failed, the file cannot be opened\n"
                             "nothing sent: the series' SOP class comes from the first file, "
                             "which cannot be used\n"
                             "norvane send-series: nothing sent: the series' SOP class comes "
                             "from the first file, which cannot be used\n" +
                             folder +
                             "1.2.826.0.1.3680043.2.4821.7.1.2.3.2.dcm: not sent\n"
                             "SEND SERIES failed: 2 of 2 files not stored\n");
}

}  // namespace
}  // namespace norvane
