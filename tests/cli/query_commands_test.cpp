// norvane find, move and worklist without real peers: help, bad command lines and -k keys,
// and what is printed and logged for peers the test plays.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dimse/scripted_query_peer.hpp"
#include "net/message_fixture.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;

using testing::Bytes;
using testing::MessageBuilder;
using testing::QueryPeerScript;
using testing::RunProgram;
using testing::RunResult;
using testing::ScriptedQueryPeer;
using testing::Text;

TEST(QueryCommands, HelpTellsTheLinesTheKeysAndTheExitStatus) {
  const RunResult find = Norvane({"find", "--help"});
  EXPECT_EQ(find.exitCode, 0);
  for (const char* part :
       {"usage: norvane find [HOST PORT] [--level PATIENT|STUDY|SERIES|IMAGE]", "No studies: N",
        "No patients: N", "FIND OK", "PatientBirthDate for PatientBD", "Association Failed!",
        "-k FIELD=VALUE", "PatientName, PatientID, PatientAge", "SOPInstanceUID", "exit status",
        "--max-results N", "cut off", "--dimse-timeout"}) {
    EXPECT_TRUE(Contains(find.output, part)) << part << " missing from:\n" << find.output;
  }
  const RunResult move = Norvane({"move", "--help"});
  EXPECT_EQ(move.exitCode, 0);
  for (const char* part : {"--dest AET", "MOVE OK: C completed, F failed, W warning", "HostTable",
                           "standard error when it is a terminal", "stalled", "--acse-timeout"}) {
    EXPECT_TRUE(Contains(move.output, part)) << part << " missing from:\n" << move.output;
  }
  const RunResult worklist = Norvane({"worklist", "--help"});
  EXPECT_EQ(worklist.exitCode, 0);
  for (const char* part :
       {"WORKLIST OK", "SPSStartDate", "Scheduled Station AET", "--max-results N", "cut off"}) {
    EXPECT_TRUE(Contains(worklist.output, part)) << part << " missing from:\n" << worklist.output;
  }
  const RunResult overview = Norvane({"--help"});
  for (const char* name : {"find", "move", "worklist"})
    EXPECT_TRUE(Contains(overview.output, name)) << overview.output;
}

TEST(QueryCommands, UnknownKeysAndBadOptionsExitWith2AndSayWhatIsValid) {
  const RunResult unknown = Norvane({"find", "-k", "PatientNme=DOE"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_TRUE(Contains(unknown.output, "unknown field 'PatientNme'")) << unknown.output;
  EXPECT_TRUE(Contains(unknown.output, "PatientName, PatientID, PatientAge, PatientSex"))
      << unknown.output;

  const RunResult notAtSeries = Norvane({"find", "--level", "SERIES", "-k", "PatientName=DOE"});
  EXPECT_EQ(notAtSeries.exitCode, 2);
  EXPECT_TRUE(Contains(notAtSeries.output, "SeriesDate, SeriesTime")) << notAtSeries.output;

  const RunResult noName = Norvane({"find", "-k", "=DOE"});
  EXPECT_EQ(noName.exitCode, 2);
  EXPECT_TRUE(Contains(noName.output, "-k needs FIELD=VALUE")) << noName.output;

  const RunResult level = Norvane({"find", "--level", "PLANET"});
  EXPECT_EQ(level.exitCode, 2);
  EXPECT_TRUE(Contains(level.output, "PATIENT, STUDY, SERIES or IMAGE")) << level.output;

  const RunResult noDest = Norvane({"move", "-k", "StudyInstanceUID=1.2"});
  EXPECT_EQ(noDest.exitCode, 2);
  EXPECT_TRUE(Contains(noDest.output, "--dest")) << noDest.output;
  const RunResult longDest = Norvane({"move", "--dest", "SEVENTEENCHARSAET"});
  EXPECT_EQ(longDest.exitCode, 2);
  EXPECT_TRUE(Contains(longDest.output, "1 to 16 characters")) << longDest.output;

  const RunResult returnOnly = Norvane({"worklist", "-k", "ScheduledStationAET=CT1"});
  EXPECT_EQ(returnOnly.exitCode, 2);
  EXPECT_TRUE(Contains(returnOnly.output, "'ScheduledStationAET' is only returned"))
      << returnOnly.output;
  const RunResult reserved = Norvane({"worklist", "-k", "Reserved=x"});
  EXPECT_EQ(reserved.exitCode, 2);
  EXPECT_TRUE(Contains(reserved.output, "unknown field 'Reserved'")) << reserved.output;

  const RunResult stray = Norvane({"worklist", "somewhere"});
  EXPECT_EQ(stray.exitCode, 2);
}

TEST(QueryCommands, ClosedPortPrintsAssociationFailedAndTheFailureLine) {
  testing::TempDir dir;
  const std::string port = std::to_string(testing::FreePort());
  const RunResult find = Norvane({"find", "127.0.0.1", port, "--aec", "ARCHIVE", "--log",
                                  dir / "find.log", "-k", "patientname=DOE*"});
  EXPECT_EQ(find.exitCode, 1);
  const std::string line = "FIND failed to connect to: ARCHIVE (127.0.0.1:" + port + ")";
  const std::string reason = "connection refused by 127.0.0.1:" + port + " (nothing listens there)";
  const std::string why = ": " + reason + "\n";
  EXPECT_EQ(find.output, "Association Failed!\nnorvane find" + why + line + "\n");
  EXPECT_EQ(testing::LogTexts(dir / "find.log"),
            (std::vector<std::string>{"Starting FIND Service", reason, line}));

  const RunResult worklist = Norvane({"worklist", "127.0.0.1", port, "--aec", "WLM"});
  EXPECT_EQ(worklist.exitCode, 1);
  EXPECT_EQ(worklist.output, "Association Failed!\nnorvane worklist" + why +
                                 "WORKLIST failed to connect to: WLM (127.0.0.1:" + port + ")\n");

  const RunResult move = Norvane({"move", "127.0.0.1", port, "--aec", "ARCHIVE", "--dest", "ME"});
  EXPECT_EQ(move.exitCode, 1);
  EXPECT_EQ(move.output, "Association Failed!\nnorvane move" + why +
                             "MOVE failed to connect to: ARCHIVE (127.0.0.1:" + port + ")\n");
}

TEST(QueryCommands, FindPrintsTheStudiesThenOkAndTheMatchingKeysGoOut) {
  QueryPeerScript script;
  const Bytes match = MessageBuilder()
                          .Implicit(0x0010, 0x0010, Text("DOE^JOHN"))
                          .Implicit(0x0020, 0x000D, testing::Uid("1.2.3"))
                          .bytes();
  script.responses = {{testing::FindResponseCommand(3, 0xFF00, true), match},
                      {testing::FindResponseCommand(3, 0x0000, false), {}}};
  ScriptedQueryPeer peer(script);
  const testing::StreamsResult find = testing::NorvaneStreams(
      {"find", "127.0.0.1", peer.Port(), "--aec", "PEER", "-k", "PatientName=DOE*", "-k",
       "StudyDate=20240101-20241231", "-k", "PatientBirthDate=19700101"});
  const testing::QueryPeerRecord& seen = peer.Finish();
  EXPECT_EQ(find.exitCode, 0) << find.out << find.err;
  EXPECT_EQ(find.out,
            "No studies: 1\n\nPatientName: DOE^JOHN\nPatientID: \nPatientSex: \nPatientBD: \n"
            "StudyID: \nStudyInstanceUID: 1.2.3\nStudyDate: \nStudyTime: \n"
            "StudyDescription: \nModalities: \nInstitutionName: \nAccessionNumber: \n"
            "PhysiciansName: \n\nFIND OK\n");
  EXPECT_TRUE(find.err.starts_with("norvane find: 1 match in ")) << find.err;
  const std::string identifier(seen.identifier.begin(), seen.identifier.end());
  EXPECT_TRUE(Contains(identifier, "DOE*"));
  EXPECT_TRUE(Contains(identifier, "20240101-20241231"));
  // The keyword's attribute, Patient's Birth Date (0010,0030), with the value.
  EXPECT_TRUE(
      Contains(identifier, std::string("\x10\x00\x30\x00\x08\x00\x00\x00", 8) + "19700101"));
}

TEST(QueryCommands, PatientLevelQueriesPatientRootWithThePatientKeys) {
  QueryPeerScript script;
  const Bytes match = MessageBuilder()
                          .Implicit(0x0010, 0x0010, Text("DOE^JOHN"))
                          .Implicit(0x0010, 0x0020, Text("PID1"))
                          .Implicit(0x0020, 0x1200, Text("2 "))
                          .bytes();
  script.responses = {{testing::FindResponseCommand(3, 0xFF00, true), match},
                      {testing::FindResponseCommand(3, 0x0000, false), {}}};
  ScriptedQueryPeer peer(script);
  const testing::StreamsResult find = testing::NorvaneStreams(
      {"find", "127.0.0.1", peer.Port(), "--level", "patient", "-k", "PatientID=PID1"});
  const testing::QueryPeerRecord& seen = peer.Finish();
  EXPECT_EQ(find.exitCode, 0) << find.out << find.err;
  ASSERT_FALSE(seen.Proposed().empty());
  EXPECT_EQ(seen.Proposed().front().abstractSyntax, "1.2.840.10008.5.1.4.1.2.1.1");
  EXPECT_EQ(testing::CommandValue(seen.Command(), 0x0002),
            testing::Uid("1.2.840.10008.5.1.4.1.2.1.1"));
  EXPECT_EQ(seen.identifier, MessageBuilder()
                                 .Implicit(0x0008, 0x0052, Text("PATIENT "))
                                 .Implicit(0x0010, 0x0010, {})
                                 .Implicit(0x0010, 0x0020, Text("PID1"))
                                 .Implicit(0x0010, 0x0030, {})
                                 .Implicit(0x0010, 0x0040, {})
                                 .Implicit(0x0020, 0x1200, {})
                                 .bytes());
  EXPECT_EQ(find.out,
            "No patients: 1\n\nPatientName: DOE^JOHN\nPatientID: PID1\nPatientBD: \n"
            "PatientSex: \nNumberOfStudies: 2 \n\nFIND OK\n");
}

TEST(QueryCommands, FindEndedByAFailureStatusSaysWhyAndExits1) {
  QueryPeerScript script;
  script.responses = {{testing::FindResponseCommand(3, 0xA700, false), {}}};
  ScriptedQueryPeer peer(script);
  const RunResult find =
      Norvane({"find", "127.0.0.1", peer.Port(), "--aec", "PEER", "--level", "image"});
  peer.Finish();
  EXPECT_EQ(find.exitCode, 1);
  EXPECT_TRUE(Contains(find.output, "No images: 1\n")) << find.output;
  EXPECT_TRUE(
      Contains(find.output, "norvane find: C-FIND-RSP status 0xA700 (Refused: Out of Resources)"))
      << find.output;
  EXPECT_TRUE(
      Contains(find.output, "FIND failed to connect to: PEER (127.0.0.1:" + peer.Port() + ")\n"))
      << find.output;
}

TEST(QueryCommands, MovePrintsTheFinalCountsAndExits0OnlyOnSuccess) {
  using testing::MoveResponseCommand;
  QueryPeerScript ok;
  ok.responses = {{MoveResponseCommand(3, 0xFF00, {1, 1, 0, 0}), {}},
                  {MoveResponseCommand(3, 0x0000, {std::nullopt, 2, 0, 0}), {}}};
  ScriptedQueryPeer okPeer(ok);
  testing::TempDir dir;
  const testing::StreamsResult moved =
      testing::NorvaneStreams({"move", "127.0.0.1", okPeer.Port(), "--aec", "PEER", "--dest",
                               "DEST", "-k", "StudyInstanceUID=1.2.3", "--log", dir / "move.log"});
  const testing::QueryPeerRecord& seen = okPeer.Finish();
  EXPECT_EQ(moved.exitCode, 0) << moved.out << moved.err;
  EXPECT_EQ(moved.out, "MOVE OK: 2 completed, 0 failed, 0 warning\n");
  EXPECT_TRUE(moved.err.starts_with("norvane move: 2 objects moved in ")) << moved.err;
  EXPECT_EQ(testing::LogTexts(dir / "move.log"),
            (std::vector<std::string>{"Starting MOVE Service",
                                      "MOVE OK: 2 completed, 0 failed, 0 warning"}));
  EXPECT_EQ(testing::CommandValue(seen.Command(), 0x0600), Text("DEST"));

  QueryPeerScript warning;
  warning.responses = {{MoveResponseCommand(3, 0xB000, {0, 3, 1, 0}), {}}};
  ScriptedQueryPeer warningPeer(warning);
  const RunResult partly = Norvane({"move", "127.0.0.1", warningPeer.Port(), "--aec", "PEER",
                                    "--dest", "DEST", "--level", "SERIES"});
  warningPeer.Finish();
  EXPECT_EQ(partly.exitCode, 1);
  EXPECT_EQ(partly.output,
            "norvane move: C-MOVE-RSP status 0xB000 (Warning: Sub-operations complete, one or "
            "more failures)\nMOVE failed, status 0xB000 (Warning: Sub-operations complete, one "
            "or more failures): 3 completed, 1 failed, 0 warning\n");
}

TEST(QueryCommands, FindAgainstEndlessMatchesIsCutOffAtMaxResults) {
  QueryPeerScript script;
  script.endless = {testing::FindResponseCommand(3, 0xFF00, true),
                    MessageBuilder().Implicit(0x0010, 0x0010, Text("DOE^JOHN")).bytes()};
  script.afterCancel = {{testing::FindResponseCommand(3, 0xFE00, false), {}}};
  ScriptedQueryPeer peer(script);
  const RunResult find =
      Norvane({"find", "127.0.0.1", peer.Port(), "--aec", "PEER", "--max-results", "20"});
  const testing::QueryPeerRecord& seen = peer.Finish();
  EXPECT_EQ(find.exitCode, 1);
  EXPECT_FALSE(seen.cancel.empty()) << "a C-CANCEL-RQ went out";
  EXPECT_TRUE(Contains(find.output, "No studies: 20\n")) << find.output;
  EXPECT_TRUE(Contains(find.output,
                       "norvane find: result cut off after 20 records: the peer has more "
                       "matches, the query was cancelled (--max-results raises the limit)\n"))
      << find.output;

  const RunResult bad = Norvane({"worklist", "127.0.0.1", "104", "--max-results", "many"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_TRUE(Contains(bad.output, "--max-results needs a whole number")) << bad.output;
}

}  // namespace
}  // namespace norvane
