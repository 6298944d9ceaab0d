#include "dimse/store_response.hpp"

#include <gtest/gtest.h>

#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/message_fixture.hpp"
#include "scp/scripted_requester.hpp"

namespace norvane {
namespace {

using testing::AcceptedAssociation;
using testing::Bytes;
using testing::Hex;
using testing::MessageBuilder;
using testing::ProposedContextItem;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";     // 25 characters
constexpr std::string_view kXA = "1.2.840.10008.5.1.4.1.1.12.1";  // 28 characters

DimseCommand StoreRequest(std::string_view sopClass, uint16_t messageID) {
  DimseCommand request = Request(kCStoreRQ, sopClass, messageID, true);
  request.affectedSOPInstanceUID = "1.2.3";
  return request;
}

// The response as the table of the C-STORE-RSP lays it out, L + 58 in its group length.
Bytes ExpectedResponse(std::string_view sopClass, uint16_t messageID, uint16_t status) {
  const Bytes uid = testing::UidValue(sopClass);
  MessageBuilder message;
  message.Implicit(0x0000, 0x0000, MessageBuilder().U32(uint32_t(uid.size()) + 58).bytes())
      .Implicit(0x0000, 0x0002, uid)
      .Implicit(0x0000, 0x0100, testing::US(0x8001))
      .Implicit(0x0000, 0x0110, testing::US(messageID))
      .Implicit(0x0000, 0x0120, testing::US(messageID))
      .Implicit(0x0000, 0x0800, testing::US(0x0101))
      .Implicit(0x0000, 0x0900, testing::US(status));
  return message.bytes();
}

// The one PDV of the P-DATA-TF PDU the peer read: context ID, header, message bytes.
struct SentPdv {
  uint8_t contextID = 0;
  uint8_t header = 0;
  Bytes message;
};

SentPdv ReadPdv(int fd) {
  const Bytes pdu = testing::ReadPdu(fd);
  SentPdv pdv;
  if (pdu.size() < 12 || pdu[0] != 0x04) return pdv;
  pdv.contextID = pdu[10];
  pdv.header = pdu[11];
  pdv.message = testing::Slice(pdu, 12, pdu.size() - 12);
  return pdv;
}

TEST(StoreResponse, OddUidLength_GroupLengthIsPaddedLengthPlus58InTableOrder) {
  AcceptedAssociation association({ProposedContextItem(1, kCT, {testing::kImplicitLEUid})});
  ASSERT_TRUE(association.accepted());
  ASSERT_TRUE(WriteStoreRSP(association.service(), StoreRequest(kCT, 7), 1, kStatusSuccess));
  const SentPdv pdv = ReadPdv(association.peer());
  EXPECT_EQ(pdv.contextID, 1);
  EXPECT_EQ(pdv.header, 0x03) << "a command, last fragment";
  const Bytes expected = ExpectedResponse(kCT, 7, 0x0000);
  EXPECT_EQ(pdv.message, expected)
      << "sent:     " << Hex(pdv.message) << "\nexpected: " << Hex(expected);
  EXPECT_EQ(pdv.message[8], 26 + 58) << "group length for a 25-character UID";
}

TEST(StoreResponse, EvenUidLengthAndOutOfResourcesStatus) {
  AcceptedAssociation association({ProposedContextItem(1, kXA, {testing::kImplicitLEUid})});
  ASSERT_TRUE(association.accepted());
  ASSERT_TRUE(
      WriteStoreRSP(association.service(), StoreRequest(kXA, 0x1234), 1, kStatusOutOfResources));
  const SentPdv pdv = ReadPdv(association.peer());
  const Bytes expected = ExpectedResponse(kXA, 0x1234, 0xA700);
  EXPECT_EQ(pdv.message, expected)
      << "sent:     " << Hex(pdv.message) << "\nexpected: " << Hex(expected);
  EXPECT_EQ(pdv.message[8], 28 + 58) << "group length for a 28-character UID";
}

TEST(StoreResponse, GoesOutOnTheRequestsContextWhenAnEarlierOneForTheClassWasRefused) {
  // Context 1 offers only big endian, which the acceptor refuses; the request came on 3.
  AcceptedAssociation association({ProposedContextItem(1, kCT, {testing::kExplicitBEUid}),
                                   ProposedContextItem(3, kCT, {testing::kImplicitLEUid})});
  ASSERT_TRUE(association.accepted());
  ASSERT_TRUE(WriteStoreRSP(association.service(), StoreRequest(kCT, 9), 3, kStatusSuccess));
  EXPECT_EQ(ReadPdv(association.peer()).contextID, 3);
}

TEST(StoreResponse, ContextThatWasNotAcceptedSendsNothing) {
  AcceptedAssociation association({ProposedContextItem(1, kCT, {testing::kExplicitBEUid}),
                                   ProposedContextItem(3, kCT, {testing::kImplicitLEUid})});
  ASSERT_TRUE(association.accepted());
  EXPECT_FALSE(WriteStoreRSP(association.service(), StoreRequest(kCT, 9), 1, kStatusSuccess));
  EXPECT_FALSE(WriteStoreRSP(association.service(), StoreRequest(kCT, 9), 5, kStatusSuccess));
  EXPECT_TRUE(association.pair().Drain().empty());
}

}  // namespace
}  // namespace norvane
