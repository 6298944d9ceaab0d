// C-MOVE as requester against a retrieve SCP the test plays: the C-MOVE-RQ command set
// and identifier on the wire, the reading of pending and final responses, and what
// MoveSCU makes of them.

#include "dimse/move_request.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dimse/move_scu.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "dimse/status_meaning.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::MessageBuilder;
using testing::MoveNumbers;
using testing::MoveResponseCommand;
using testing::QueryPeerRecord;
using testing::QueryPeerScript;
using testing::ScriptedQueryPeer;
using testing::ScriptedResponse;
using testing::Text;
using testing::US;

constexpr std::string_view kMove = "1.2.840.10008.5.1.4.1.2.2.2";
constexpr std::string_view kStudyUid = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.1";

ScriptedResponse Response(uint16_t status, MoveNumbers numbers, const Bytes& dataset = {}) {
  return {MoveResponseCommand(3, status, numbers, !dataset.empty()), dataset};
}

class MoveWire : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }

  template <class Record>
  MoveResult Move(ScriptedQueryPeer& peer, std::string_view destination, const Record& query,
                  std::vector<DimseCommand>* seen = nullptr) {
    return MoveSCU(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), destination, query,
                   [seen](const DimseCommand& r) {
                     if (seen) seen->push_back(r);
                   });
  }
};

TEST_F(MoveWire, StudyMoveSendsTheCommandWithASpacePaddedDestinationAndAllFifteenKeys) {
  QueryPeerScript script;
  script.responses = {Response(0x0000, {std::nullopt, 1, 0, 0})};
  ScriptedQueryPeer peer(script);
  StudyInfo query;
  query.StudyInstanceUID = kStudyUid;
  const MoveResult result = Move(peer, "MVDST", query);
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_TRUE(result.Ok()) << result.reason;
  EXPECT_TRUE(seen.released);
  ASSERT_EQ(seen.Proposed().size(), 1u);
  EXPECT_EQ(seen.Proposed()[0].abstractSyntax, kMove);
  EXPECT_EQ(seen.Proposed()[0].transferSyntaxes, std::vector<std::string>{"1.2.840.10008.1.2"});

  const Bytes command = testing::CommandMessage({{0x0002, testing::Uid(kMove)},
                                                 {0x0100, US(0x0021)},
                                                 {0x0110, US(3)},
                                                 {0x0600, Text("MVDST ")},
                                                 {0x0700, US(0x0000)},
                                                 {0x0800, US(0x0102)}});
  EXPECT_EQ(testing::Slice(command, 8, 4), (Bytes{28 + 6 + 56, 0, 0, 0})) << "group length";
  EXPECT_EQ(seen.command, command) << Hex(seen.command);

  MessageBuilder id;
  for (const auto& [group, element] : std::vector<std::pair<uint16_t, uint16_t>>{
           {0x0008, 0x0020}, {0x0008, 0x0030}, {0x0008, 0x0050}})
    id.Implicit(group, element, {});
  id.Implicit(0x0008, 0x0052, Text("STUDY "));
  for (const auto& [group, element] : std::vector<std::pair<uint16_t, uint16_t>>{{0x0008, 0x0061},
                                                                                 {0x0008, 0x0080},
                                                                                 {0x0008, 0x0090},
                                                                                 {0x0008, 0x1030},
                                                                                 {0x0010, 0x0010},
                                                                                 {0x0010, 0x0020},
                                                                                 {0x0010, 0x0030},
                                                                                 {0x0010, 0x0040},
                                                                                 {0x0010, 0x1010}})
    id.Implicit(group, element, {});
  id.Implicit(0x0020, 0x000D, testing::Uid(kStudyUid));
  id.Implicit(0x0020, 0x0010, {});
  EXPECT_EQ(seen.identifier, id.bytes()) << Hex(seen.identifier);
}

TEST_F(MoveWire, EightCharacterDestinationGoesOutWithoutPadding) {
  TagList command;
  ASSERT_TRUE(EncodeCommand(MoveRequest(kMove, 7, "MOVEDEST"), command));
  ASSERT_EQ(command.size(), 7u);
  EXPECT_EQ(command[0].value, (Bytes{28 + 8 + 56, 0, 0, 0})) << "group length";
  EXPECT_TRUE(command[4].Is(0x0000, 0x0600));
  EXPECT_TRUE(command[4].VRIs("AE"));
  EXPECT_EQ(command[4].length, 8u);
  EXPECT_EQ(command[4].value, Text("MOVEDEST")) << "no blanks up to 16 either";
  EXPECT_EQ(command[3].value, US(7));
}

TEST_F(MoveWire, PendingResponsesCountDownAndAFinalSuccessSucceeds) {
  QueryPeerScript script;
  script.responses = {Response(0xFF00, {3, 1, 0, 0}), Response(0xFF00, {2, 2, 0, 0}),
                      Response(0x0000, {std::nullopt, 4, 0, 0})};
  ScriptedQueryPeer peer(script);
  SeriesInfo query;
  query.StudyInstanceUID = "1.2";
  query.SeriesInstanceUID = "1.2.3";
  std::vector<DimseCommand> seen;
  const MoveResult result = Move(peer, "DEST", query, &seen);
  EXPECT_TRUE(peer.Finish().released);
  EXPECT_TRUE(result.Ok()) << result.reason;
  EXPECT_EQ(result.status, 0x0000);
  EXPECT_EQ(result.responses, 3u);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].status, 0xFF00);
  EXPECT_EQ(seen[0].remaining, 3);
  EXPECT_EQ(seen[1].remaining, 2);
  EXPECT_EQ(seen[2].status, 0x0000);
  EXPECT_EQ(seen[2].remaining, std::nullopt) << "absent";
  EXPECT_EQ(result.completed, 4);
  EXPECT_EQ(result.failed, 0);
  EXPECT_EQ(result.warning, 0);
}

TEST_F(MoveWire, WarningAndFailureStatusesEndTheMoveAsFailures) {
  struct Case {
    uint16_t status;
    Bytes dataset;
  };
  // A refusal may carry a Failed SOP Instance UID List; it is read and dropped.
  const Bytes failedList = MessageBuilder().Implicit(0x0008, 0x0058, Text("1.2.3.4 ")).bytes();
  for (const Case& c : {Case{0xB000, {}}, Case{0xA801, failedList}, Case{0xA702, {}},
                        Case{0xFE00, {}}, Case{0xC001, failedList}}) {
    QueryPeerScript script;
    script.responses = {Response(c.status, {0, 1, 2, 0}, c.dataset)};
    ScriptedQueryPeer peer(script);
    const MoveResult result = Move(peer, "DEST", StudyInfo{});
    EXPECT_TRUE(peer.Finish().released) << std::hex << c.status;
    EXPECT_EQ(result.failure, ServiceFailure::kStatus) << std::hex << c.status;
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.reason, StatusReason(0x8021, c.status));
    EXPECT_EQ(result.failed, 2);
  }
}

TEST_F(MoveWire, UnexpectedCommandOrLostConnectionEndsWithoutAStatus) {
  QueryPeerScript findAnswer;
  findAnswer.responses = {{testing::FindResponseCommand(3, 0x0000, false), {}}};
  QueryPeerScript closed;
  closed.responses = {Response(0xFF00, {5, 0, 0, 0})};
  closed.closeAfterResponses = true;
  for (const auto& [script, failure] : {std::pair{findAnswer, ServiceFailure::kUnexpectedResponse},
                                        std::pair{closed, ServiceFailure::kNoResponse}}) {
    ScriptedQueryPeer peer(script);
    RequesterAssociation pdu;
    ASSERT_TRUE(OpenAssoc(pdu, testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), kMove));
    ASSERT_TRUE(WriteMoveRQ(pdu, StudyInfo{}, kMove, "DEST"));
    DimseCommand response;
    ServiceResult read = ReadMoveRSP(pdu, response);
    if (read.Ok() && read.status == 0xFF00) {
      EXPECT_EQ(response.remaining, 5);
      read = ReadMoveRSP(pdu, response);
    }
    EXPECT_EQ(read.failure, failure) << read.reason;
    EXPECT_EQ(read.status, std::nullopt);
    CloseAssoc(pdu);
    peer.Finish();
  }
}

TEST_F(MoveWire, MoveSCUWithoutFinalResponseReportsNoResponse) {
  QueryPeerScript script;
  script.responses = {Response(0xFF00, {2, 1, 0, 0})};
  script.closeAfterResponses = true;
  ScriptedQueryPeer peer(script);
  const MoveResult result = Move(peer, "DEST", ImageInfo{});
  peer.Finish();
  EXPECT_EQ(result.failure, ServiceFailure::kNoResponse);
  EXPECT_TRUE(result.associated);
  EXPECT_EQ(result.responses, 1u);
  EXPECT_EQ(result.completed, 1) << "the numbers seen so far stay";
}

TEST_F(MoveWire, RefusedAssociationSendsNothing) {
  QueryPeerScript script;
  script.acceptedSyntax.clear();
  ScriptedQueryPeer peer(script);
  const MoveResult result = Move(peer, "DEST", StudyInfo{});
  EXPECT_TRUE(peer.Finish().command.empty());
  EXPECT_EQ(result.failure, ServiceFailure::kRejected);
  EXPECT_FALSE(result.associated);
}

}  // namespace
}  // namespace norvane
