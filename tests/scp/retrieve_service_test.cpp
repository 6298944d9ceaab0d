#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "datadec/element_encoding.hpp"
#include "dimse/scripted_store_peer.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/role_item.hpp"
#include "net/socket.hpp"
#include "scp/scripted_requester.hpp"
#include "scp/store_scp.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

// The retrieval services of the SCP, driven by a strict scripted requester: the responses
// as they stand on the wire, the sub-operations and where they go.

namespace norvane {
namespace {

using testing::Bytes;
using testing::CommandBytes;
using testing::CommandElements;
using testing::CommandNumber;
using testing::HasBytes;
using testing::MessageBuilder;
using testing::ProposedContextItem;
using testing::ReceivedMessage;
using testing::RoleItem;
using testing::ScriptedRequester;
using testing::UidValue;
using testing::US;
using testing::WireBuilder;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kMove = "1.2.840.10008.5.1.4.1.2.2.2";
constexpr std::string_view kGet = "1.2.840.10008.5.1.4.1.2.2.3";
constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.7";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.7.2";
constexpr std::string_view kInstance = "1.2.826.0.1.3680043.2.1125.7.2.1";
constexpr uint8_t kRetrieveContext = 1;
constexpr uint8_t kStoreContext = 3;

Bytes RetrieveCommand(std::string_view sopClass, uint16_t field, uint16_t messageID,
                      std::string_view destination = {}) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, UidValue(sopClass))
      .Implicit(0x0000, 0x0100, US(field))
      .Implicit(0x0000, 0x0110, US(messageID));
  if (!destination.empty()) body.Implicit(0x0000, 0x0600, testing::Text(destination));
  body.Implicit(0x0000, 0x0700, US(0)).Implicit(0x0000, 0x0800, US(0x0000));
  return CommandBytes(body);
}

// An implicit VR little endian identifier: Query/Retrieve Level and Study Instance UID.
Bytes Identifier(std::string_view level, std::string_view study) {
  return MessageBuilder()
      .Implicit(0x0008, 0x0052, testing::Text(level))
      .Implicit(0x0020, 0x000D, UidValue(study))
      .bytes();
}

// An A-ASSOCIATE-RQ with the retrieval context (ID 1), a CT context (ID 3) and, when
// asked, the SCP role for CT.
Bytes RetrieveAssociation(std::string_view retrieveClass, bool scpRole) {
  WireBuilder userInfo;
  userInfo.U8(0x51).U8(0).U16(4).U32(16384).UidItem(0x52, "1.2.3.4");
  if (scpRole) userInfo.Append(RoleItem(kCT, 0, 1));
  return testing::AssociatePdu(
      0x01, "NORVANESCP", "SCRIPTSCU",
      WireBuilder()
          .UidItem(0x10, testing::kApplicationContextUid)
          .Append(ProposedContextItem(kRetrieveContext, retrieveClass, {testing::kImplicitLEUid}))
          .Append(ProposedContextItem(kStoreContext, kCT, {testing::kImplicitLEUid}))
          .U8(0x50)
          .U8(0)
          .U16(static_cast<uint16_t>(userInfo.size()))
          .Append(userInfo.bytes())
          .bytes());
}

class RetrieveService : public ::testing::Test {
 protected:
  void SetUp() override {
    TagList object = testing::CompleteObject(kStudy, kSeries, kInstance);
    ASSERT_EQ(
        StoreThread(Folder(), std::move(object), std::string(testing::kImplicitLEUid)).Run().status,
        0);
  }
  void Start(std::vector<MoveDestination> destinations,
             std::chrono::milliseconds artim = std::chrono::seconds(30)) {
    StoreSCPSettings settings;
    settings.artimTimeout = artim;
    settings.port = "0";
    settings.loopbackOnly = true;
    settings.folder = Folder();
    settings.aeTitle = "ARCHIVE";
    settings.moveDestinations = std::move(destinations);
    StoreSCPStart start = StartStoreSCP(std::move(settings));
    ASSERT_TRUE(start);
    scp_ = std::move(start.server);
  }
  std::string Folder() const { return dir_ / "Database/"; }

  // Sends the request on an association of its own; the first response after it.
  ReceivedMessage Request(ScriptedRequester& requester, std::string_view retrieveClass,
                          bool scpRole, const Bytes& command, const Bytes& identifier) {
    const Bytes answer = requester.Send(RetrieveAssociation(retrieveClass, scpRole))
                             ? testing::ReadPdu(requester.fd())
                             : Bytes{};
    EXPECT_TRUE(!answer.empty() && answer[0] == 0x02) << testing::Hex(answer);
    answer_ = answer;
    EXPECT_TRUE(requester.SendMessage(kRetrieveContext, true, command));
    EXPECT_TRUE(requester.SendMessage(kRetrieveContext, false, identifier));
    return requester.ReadMessage();
  }

  testing::TempDir dir_;
  std::unique_ptr<ServerThread> scp_;
  Bytes answer_;
};

TEST_F(RetrieveService, RefusalsAreFinalResponsesWithTheirStatus) {
  const struct {
    const char* name;
    std::string_view destination;
    Bytes identifier;
    int status;
  } cases[] = {
      {"unknown destination", "NOWHERE ", Identifier("STUDY ", kStudy), 0xA801},
      {"no unique key", "DEST", Identifier("STUDY ", ""), 0xA900},
      {"unknown level", "DEST", Identifier("PATIENT ", kStudy), 0xA900},
  };
  Start({{"DEST", "127.0.0.1", "9"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedRequester requester(scp_->Port());
    const ReceivedMessage response = Request(
        requester, kMove, false, RetrieveCommand(kMove, 0x0021, 9, c.destination), c.identifier);
    ASSERT_TRUE(response.command && response.contextID == kRetrieveContext)
        << testing::Hex(response.bytes);
    const auto elements = CommandElements(response.bytes);
    EXPECT_EQ(CommandNumber(elements, 0x0100), 0x8021);
    EXPECT_EQ(CommandNumber(elements, 0x0120), 9);
    EXPECT_EQ(CommandNumber(elements, 0x0800), 0x0101);
    EXPECT_EQ(CommandNumber(elements, 0x0900), c.status);
    EXPECT_EQ(elements.count(0x1021), 0u) << "no sub-operation was counted";
    EXPECT_EQ(requester.Release().at(0), 0x06) << "the association goes on";
  }
}

TEST_F(RetrieveService, MoveSendsToTheDestinationNamingTheOriginator) {
  testing::StorePeerScript script;
  testing::ScriptedStorePeer destination(script);
  Start({{"DEST", "127.0.0.1", destination.Port()}});
  ScriptedRequester requester(scp_->Port());
  const ReceivedMessage final =
      Request(requester, kMove, false, RetrieveCommand(kMove, 0x0021, 5, "DEST"),
              Identifier("STUDY ", kStudy));
  const auto elements = CommandElements(final.bytes);
  EXPECT_EQ(CommandNumber(elements, 0x0900), 0x0000);
  EXPECT_EQ(CommandNumber(elements, 0x1021), 1);
  EXPECT_EQ(CommandNumber(elements, 0x1022), 0);
  EXPECT_EQ(elements.count(0x1020), 0u) << "no remaining number in the final response";
  requester.Release();

  const testing::StorePeerRecord& seen = destination.Finish();
  EXPECT_EQ(testing::Slice(seen.associateRQ, 26, 16),
            WireBuilder().Text("ARCHIVE         ").bytes());
  ASSERT_EQ(seen.stores.size(), 1u);
  const auto store = CommandElements(seen.stores[0].command);
  EXPECT_EQ(store.at(0x1030), testing::Text("SCRIPTSCU ")) << "Move Originator AE Title";
  EXPECT_EQ(CommandNumber(store, 0x1031), 5) << "Move Originator Message ID";
  EXPECT_EQ(store.at(0x1000), UidValue(kInstance));
}

TEST_F(RetrieveService, MoveToASilentDestinationFailsWithinTheScpsOwnTimeOut) {
  Socket silent;  // takes the connection, never answers the A-ASSOCIATE-RQ
  ASSERT_TRUE(silent.ListenOnPort(0, true));
  Start({{"DEST", "127.0.0.1", std::to_string(silent.LocalPort())}},
        std::chrono::milliseconds(300));
  ScriptedRequester requester(scp_->Port());
  const auto begin = std::chrono::steady_clock::now();
  const ReceivedMessage final =
      Request(requester, kMove, false, RetrieveCommand(kMove, 0x0021, 5, "DEST"),
              Identifier("STUDY ", kStudy));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
  const auto elements = CommandElements(final.bytes);
  EXPECT_EQ(CommandNumber(elements, 0x0900), 0xA702);
  EXPECT_EQ(CommandNumber(elements, 0x1022), 1);
  requester.Release();
}

TEST_F(RetrieveService, GetSendsOnTheRequestersAssociationOnlyWithTheScpRole) {
  Start({});
  for (const bool scpRole : {true, false}) {
    SCOPED_TRACE(scpRole ? "SCP role asked" : "no role selection");
    ScriptedRequester requester(scp_->Port());
    ReceivedMessage message = Request(requester, kGet, scpRole, RetrieveCommand(kGet, 0x0010, 7),
                                      Identifier("STUDY ", kStudy));
    EXPECT_EQ(HasBytes(answer_, RoleItem(kCT, 0, 1)), scpRole) << testing::Hex(answer_);
    if (scpRole) {
      ASSERT_EQ(message.contextID, kStoreContext) << testing::Hex(message.bytes);
      const auto store = CommandElements(message.bytes);
      EXPECT_EQ(CommandNumber(store, 0x0100), 0x0001);
      EXPECT_EQ(CommandNumber(store, 0x1031), 7);
      const ReceivedMessage dataset = requester.ReadMessage();
      EXPECT_FALSE(dataset.command);
      MessageBuilder rsp;
      rsp.Implicit(0x0000, 0x0002, UidValue(kCT))
          .Implicit(0x0000, 0x0100, US(0x8001))
          .Implicit(0x0000, 0x0120, store.at(0x0110))
          .Implicit(0x0000, 0x0800, US(0x0101))
          .Implicit(0x0000, 0x0900, US(0x0000));
      ASSERT_TRUE(requester.SendMessage(kStoreContext, true, CommandBytes(rsp)));
      message = requester.ReadMessage();
    }
    ASSERT_EQ(message.contextID, kRetrieveContext);
    const auto final = CommandElements(message.bytes);
    EXPECT_EQ(CommandNumber(final, 0x0100), 0x8010);
    EXPECT_EQ(CommandNumber(final, 0x0900), scpRole ? 0x0000 : 0xA702);
    EXPECT_EQ(CommandNumber(final, 0x1021), scpRole ? 1 : 0);
    EXPECT_EQ(CommandNumber(final, 0x1022), scpRole ? 0 : 1);
    EXPECT_EQ(CommandNumber(final, 0x0800), scpRole ? 0x0101 : 0x0102);
    if (!scpRole) {
      const ReceivedMessage failed = requester.ReadMessage();
      EXPECT_TRUE(HasBytes(failed.bytes, UidValue(kInstance)))
          << "Failed SOP Instance UID List: " << testing::Hex(failed.bytes);
    }
    requester.Release();
  }
}

}  // namespace
}  // namespace norvane
