// Echo, store and move against peers that are strict about padding: they refuse control
// characters (NULs) in the AE title fields of the association and in the Move
// Destination, as strict toolkits and archives do.

#include <gtest/gtest.h>

#include <string>

#include "dimse/move_scu.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "dimse/scripted_store_peer.hpp"
#include "dimse/store_scu.hpp"
#include "dimse/verification.hpp"
#include "log/log.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::Slice;
using testing::Text;

class StrictPeer : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }
};

TEST_F(StrictPeer, RefusesNulPaddedTitlesAndDestinations) {
  // The peers of these tests would catch the padding this system used to send.
  const testing::WireBuilder items =
      testing::WireBuilder()
          .UidItem(0x10, testing::kApplicationContextUid)
          .Append(testing::ProposedContextItem(1, "1.2.840.10008.1.1", {"1.2.840.10008.1.2"}))
          .Append(testing::UserInformationItem(16384, "1.2.3.4", "ME"));
  testing::ScriptedStorePeer peer({});
  Socket socket;
  ASSERT_TRUE(socket.Open("127.0.0.1", peer.Port()));
  const Bytes request = testing::AssociatePdu(0x01, "PEER", "SHORT", items.bytes());
  ASSERT_TRUE(socket.SendBinary(request.data(), request.size()));
  uint8_t answer[10] = {};
  ASSERT_EQ(socket.ReadBinary(answer, sizeof answer), 10);
  EXPECT_EQ(Bytes(answer, answer + 10), testing::RejectPdu(1, 1, 7));
  EXPECT_EQ(peer.Finish().rejectedTitle, 7);

  EXPECT_TRUE(testing::HasControlCharacters(Bytes{'D', 'E', 'S', 'T', 'X', 0}));
  EXPECT_FALSE(testing::HasControlCharacters(Text("DEST  ")));
}

TEST_F(StrictPeer, EchoAndStoreSucceedWithSpacePaddedTitles) {
  testing::ScriptedStorePeer echoPeer({});
  const ServiceResult echo = EchoSCU(testing::LoopbackPeer(echoPeer.Port(), "PEER", "ME"));
  const testing::StorePeerRecord& echoSeen = echoPeer.Finish();
  EXPECT_TRUE(echo.Ok()) << echo.reason;
  EXPECT_EQ(echoSeen.rejectedTitle, 0);
  EXPECT_EQ(Slice(echoSeen.associateRQ, 10, 32), Text("PEER            ME              "))
      << Hex(echoSeen.associateRQ, 10, 32);

  testing::ScriptedStorePeer storePeer({});
  const StoreResult store = StoreSCU(testing::LoopbackPeer(storePeer.Port(), "ODDTITLE1"),
                                     testing::PydicomFile("CT_small.dcm"), "", true);
  const testing::StorePeerRecord& storeSeen = storePeer.Finish();
  EXPECT_TRUE(store.Ok()) << store.reason;
  EXPECT_EQ(storeSeen.stores.size(), 1u);
  EXPECT_EQ(Slice(storeSeen.associateRQ, 10, 32), Text("ODDTITLE1       KAVORN          "));
}

TEST_F(StrictPeer, MoveToAnOddLengthDestinationSucceeds) {
  testing::QueryPeerScript script;
  script.responses = {{testing::MoveResponseCommand(3, 0x0000, {std::nullopt, 1, 0, 0}), {}}};
  testing::ScriptedQueryPeer peer(script);
  StudyInfo query;
  query.StudyInstanceUID = "1.2.3";
  const MoveResult result = MoveSCU(testing::LoopbackPeer(peer.Port(), "ARCHIVE"), "DST", query);
  const testing::QueryPeerRecord& seen = peer.Finish();
  EXPECT_TRUE(result.Ok()) << result.reason;
  EXPECT_FALSE(seen.refusedDestination);
  EXPECT_EQ(testing::CommandValue(seen.Command(), 0x0600), Text("DST "));
}

}  // namespace
}  // namespace norvane
