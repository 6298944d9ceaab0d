// Peers that answer without end: a query past its result limit is cancelled and cut off, a
// retrieval whose pending responses make no progress is cancelled as stalled, and a peer
// that ignores the cancel is aborted. Memory stays bounded by the limit.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "dimse/find_scu.hpp"
#include "dimse/move_scu.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "dimse/worklist_scu.hpp"
#include "log/log.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::Hex;
using testing::MessageBuilder;
using testing::QueryPeerRecord;
using testing::QueryPeerScript;
using testing::ScriptedQueryPeer;
using testing::ScriptedResponse;
using testing::Text;

ScriptedResponse FindPending() {
  MessageBuilder identifier;
  identifier.Implicit(0x0010, 0x0010, Text("DOE^JOHN"));
  return {testing::FindResponseCommand(3, 0xFF00, true), identifier.bytes()};
}

ScriptedResponse FindFinal(uint16_t status) {
  return {testing::FindResponseCommand(3, status, false), {}};
}

ScriptedResponse MoveStatus(uint16_t status, std::optional<uint16_t> remaining) {
  return {testing::MoveResponseCommand(3, status, {remaining, 0, 0, 0}), {}};
}

// The C-CANCEL-RQ of the request with message ID 3, the first after the association opened.
Bytes CancelBytes() {
  return testing::CommandMessage(
      {{0x0100, testing::US(0x0FFF)}, {0x0120, testing::US(3)}, {0x0800, testing::US(0x0101)}});
}

AssociationParameters ShortPeer(const ScriptedQueryPeer& peer, std::chrono::milliseconds dimse) {
  AssociationParameters parameters = testing::LoopbackPeer(peer.Port(), "ARCHIVE");
  parameters.timeouts.dimse = dimse;
  return parameters;
}

class BoundedResponses : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }
};

TEST_F(BoundedResponses, QueriesPastTheLimitAreCancelledAndCutOff) {
  const struct {
    const char* what;
    bool worklist;
    bool ignoreCancel;
  } cases[] = {{"study query", false, false},
               {"worklist query", true, false},
               {"study query to a peer that ignores the cancel", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QueryPeerScript script;
    script.endless = FindPending();
    script.afterCancel = {FindFinal(0xFE00)};
    script.ignoreCancel = c.ignoreCancel;
    ScriptedQueryPeer peer(script);
    const auto start = std::chrono::steady_clock::now();
    FindResult result;
    size_t kept = 0;
    if (c.worklist) {
      std::vector<TWorklistItem> items;
      result = WorklistSCU(ShortPeer(peer, 500ms), TWorklistItem{}, items, 50);
      kept = items.size();
    } else {
      std::vector<StudyInfo> studies;
      result = FindSCU(ShortPeer(peer, 500ms), StudyInfo{}, studies, 50);
      kept = studies.size();
      if (!studies.empty()) {
        EXPECT_EQ(studies.back().PatientName, "DOE^JOHN");
      }
    }
    const QueryPeerRecord& seen = peer.Finish();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(kept, 50u) << "records stop at the limit";
    EXPECT_TRUE(result.cutOff);
    EXPECT_EQ(result.failure, ServiceFailure::kCutOff);
    EXPECT_EQ(result.reason.rfind(CutOffReason(50), 0), 0u) << result.reason;
    EXPECT_GT(seen.endlessSent, 50u);
    EXPECT_EQ(seen.cancel, CancelBytes()) << Hex(seen.cancel);
    if (c.ignoreCancel) {
      EXPECT_NE(result.reason.find("after the C-CANCEL-RQ (aborted)"), std::string::npos)
          << result.reason;
      EXPECT_TRUE(seen.aborted);
    } else {
      EXPECT_EQ(result.status, 0xFE00);
      EXPECT_TRUE(seen.released);
    }
  }
}

TEST_F(BoundedResponses, ExactlyTheLimitIsNoCutOffAndZeroMeansNoLimit) {
  for (const size_t limit : {size_t{3}, size_t{0}}) {
    SCOPED_TRACE(limit);
    QueryPeerScript script;
    script.responses = {FindPending(), FindPending(), FindPending(), FindFinal(0x0000)};
    ScriptedQueryPeer peer(script);
    std::vector<StudyInfo> studies;
    const FindResult result = FindSCU(ShortPeer(peer, 5s), StudyInfo{}, studies, limit);
    const QueryPeerRecord& seen = peer.Finish();
    EXPECT_TRUE(result.Ok()) << result.reason;
    EXPECT_FALSE(result.cutOff);
    EXPECT_EQ(studies.size(), 3u);
    EXPECT_TRUE(seen.cancel.empty());
  }
}

TEST_F(BoundedResponses, MoveWhoseRemainingCountStaysIsCancelledAsStalled) {
  QueryPeerScript script;
  script.responses = {MoveStatus(0xFF00, 6)};
  script.endless = MoveStatus(0xFF00, 5);
  script.endlessInterval = 20ms;
  script.afterCancel = {MoveStatus(0xFE00, std::nullopt)};
  ScriptedQueryPeer peer(script);
  size_t pending = 0;
  const auto start = std::chrono::steady_clock::now();
  StudyInfo query;
  query.StudyInstanceUID = "1.2.3";
  const MoveResult result =
      MoveSCU(ShortPeer(peer, 400ms), "DEST", query, [&pending](const DimseCommand& r) {
        if (r.status == 0xFF00) ++pending;
      });
  const QueryPeerRecord& seen = peer.Finish();
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 400ms);
  EXPECT_LT(waited, 3s);
  EXPECT_TRUE(result.stalled);
  EXPECT_EQ(result.failure, ServiceFailure::kTimeout);
  EXPECT_EQ(result.status, 0xFE00);
  EXPECT_NE(result.reason.find("remaining sub-operations stayed at 5 for 400 ms"),
            std::string::npos)
      << result.reason;
  EXPECT_GT(pending, 3u) << "every pending response was reported";
  EXPECT_EQ(seen.cancel, CancelBytes()) << Hex(seen.cancel);
  EXPECT_TRUE(seen.released);
}

}  // namespace
}  // namespace norvane
