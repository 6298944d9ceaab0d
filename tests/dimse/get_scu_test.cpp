#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dimse/get_scu.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/role_item.hpp"
#include "net/uids.hpp"
#include "support/peers.hpp"

// norvane's C-GET requester against a strict scripted archive: the association it asks
// for, the storage sub-operation it serves on it and the responses it reads.

namespace norvane {
namespace {

using testing::Bytes;
using testing::CommandMessage;
using testing::CommandUS;
using testing::CommandValue;
using testing::HasBytes;
using testing::Hex;
using testing::MessageBuilder;
using testing::MoveNumbers;
using testing::MoveResponseCommand;
using testing::PDataPdu;
using testing::Pdv;
using testing::ReadPdu;
using testing::RoleItem;
using testing::SendAll;
using testing::Uid;
using testing::US;
using testing::WireBuilder;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kInstance = "1.2.826.0.1.3680043.2.1143.77.1";

// Explicit VR little endian: SOP Class UID, SOP Instance UID, Patient's Name.
Bytes StoredObject() {
  return MessageBuilder()
      .ExplicitShort(0x0008, 0x0016, "UI", Uid(kCT))
      .ExplicitShort(0x0008, 0x0018, "UI", Uid(kInstance))
      .ExplicitShort(0x0010, 0x0010, "PN", testing::Text("GET^TEST"))
      .bytes();
}

// Reads P-DATA-TF PDUs until a command message is whole; its bytes and context.
Bytes ReadCommand(int fd, uint8_t& contextID) {
  Bytes command;
  for (;;) {
    const Bytes pdu = ReadPdu(fd);
    if (pdu.size() < 12 || pdu[0] != 0x04) return command;
    size_t at = 6;
    while (at + 6 <= pdu.size()) {
      const uint32_t length = testing::BigEndian32(pdu, at);
      contextID = pdu[at + 4];
      const uint8_t header = pdu[at + 5];
      command.insert(command.end(), pdu.begin() + static_cast<ptrdiff_t>(at + 6),
                     pdu.begin() + static_cast<ptrdiff_t>(at + 4 + length));
      at += 4 + length;
      if ((header & 0x03) == 0x03) return command;
    }
  }
}

struct ArchiveRecord {
  Bytes associateRQ;
  std::vector<testing::ProposedContext> proposed;
  std::vector<testing::CommandElement> getCommand;
  Bytes identifier;
  uint8_t storeContext = 0;
  std::vector<testing::CommandElement> storeResponse;
  uint8_t storeResponseContext = 0;
  bool released = false;
};

// Accepts the GET context and the first CT context (explicit VR little endian), grants
// the SCP role for CT, sends one C-STORE-RQ on it, reads the response, and ends with the
// final C-GET-RSP `finalStatus`.
void PlayArchive(int fd, uint16_t finalStatus, const MoveNumbers& numbers, ArchiveRecord& record) {
  record.associateRQ = ReadPdu(fd);
  record.proposed = testing::ProposedContexts(record.associateRQ);
  uint8_t getID = 0;
  for (const testing::ProposedContext& context : record.proposed) {
    if (context.abstractSyntax == uid::kStudyRootQueryRetrieveGet && getID == 0) getID = context.id;
    if (context.abstractSyntax == kCT && record.storeContext == 0) record.storeContext = context.id;
  }
  if (getID == 0 || record.storeContext == 0) return;
  WireBuilder userInfo;
  userInfo.U8(0x51).U8(0).U16(4).U32(16384).UidItem(0x52, "1.2.3.4").Append(RoleItem(kCT, 0, 1));
  const Bytes items =
      WireBuilder()
          .UidItem(0x10, testing::kApplicationContextUid)
          .Append(testing::AcceptContextItem(getID, 0, uid::kImplicitVRLittleEndian))
          .Append(testing::AcceptContextItem(record.storeContext, 0, uid::kExplicitVRLittleEndian))
          .U8(0x50)
          .U8(0)
          .U16(static_cast<uint16_t>(userInfo.size()))
          .Append(userInfo.bytes())
          .bytes();
  SendAll(fd, testing::AssociatePdu(0x02, "ARCHIVE", "NORVANE", items));

  record.released =
      testing::ServeRequests(fd, [&](const testing::ReceivedRequest& request) {
        record.getCommand = request.Command();
        record.identifier = request.dataset;
        const uint16_t getMessageID = CommandUS(record.getCommand, 0x0110);
        const Bytes store = CommandMessage({{0x0002, Uid(kCT)},
                                            {0x0100, US(0x0001)},
                                            {0x0110, US(77)},
                                            {0x0700, US(0)},
                                            {0x0800, US(0x0000)},
                                            {0x1000, Uid(kInstance)},
                                            {0x1030, testing::Text("ARCHIVE ")},
                                            {0x1031, US(getMessageID)}});
        SendAll(fd, PDataPdu({Pdv(record.storeContext, 0x03, store)}));
        SendAll(fd, PDataPdu({Pdv(record.storeContext, 0x02, StoredObject())}));
        record.storeResponse = testing::ParseCommand(ReadCommand(fd, record.storeResponseContext));
        SendAll(fd, PDataPdu({Pdv(
                        getID, 0x03,
                        MoveResponseCommand(getMessageID, 0xFF00, {0, 1, 0, 0}, false, 0x8010))}));
        SendAll(fd, PDataPdu({Pdv(
                        getID, 0x03,
                        MoveResponseCommand(getMessageID, finalStatus, numbers, false, 0x8010))}));
        return true;
      }).released;
}

// Keeps the objects' SOP Instance UIDs and syntaxes, answering each with one status.
class Kept : public RetrievedObjects {
 public:
  explicit Kept(uint16_t status) : status_(status) {}
  ReceivedValueSink* Receiving(const std::string&) override { return nullptr; }
  uint16_t Keep(TagList dataset, const std::string& syntax) override {
    instances.push_back(GetTagText(dataset, tag::kSOPInstanceUID));
    lastSyntax = syntax;
    return status_;
  }
  void Lost() override { ++lost; }

  std::vector<std::string> instances;
  std::string lastSyntax;
  int lost = 0;

 private:
  uint16_t status_;
};

TEST(GetScu, ServesTheStorageSubOperationOnTheSameAssociation) {
  const struct {
    const char* name;
    uint16_t keepStatus;  // what the requester's store gives
    uint16_t finalStatus;
    MoveNumbers numbers;
    bool ok;
  } cases[] = {
      {"stored", 0x0000, 0x0000, {std::nullopt, 1, 0, 0}, true},
      {"not stored", 0xA700, 0xA702, {std::nullopt, 0, 1, 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ArchiveRecord record;
    testing::ScriptedAcceptor archive(
        [&](int fd) { PlayArchive(fd, c.finalStatus, c.numbers, record); });
    StudyInfo query;
    query.StudyInstanceUID = "1.2.826.0.1.3680043.2.1143.77";
    Kept kept(c.keepStatus);
    const GetResult result =
        GetSCU(testing::LoopbackPeer(archive.Port(), "ARCHIVE", "NORVANE"), query, kept);
    archive.Join();

    // The request: the GET context first, CT proposed, the SCP role asked for CT alone.
    ASSERT_FALSE(record.proposed.empty());
    EXPECT_EQ(record.proposed.front().abstractSyntax, uid::kStudyRootQueryRetrieveGet);
    EXPECT_LE(record.proposed.size(), 128u);
    EXPECT_TRUE(HasBytes(record.associateRQ, RoleItem(kCT, 0, 1))) << Hex(record.associateRQ);
    EXPECT_EQ(CommandUS(record.getCommand, 0x0100), 0x0010);
    EXPECT_EQ(CommandUS(record.getCommand, 0x0800), 0x0102);
    EXPECT_TRUE(HasBytes(record.identifier, testing::Text("STUDY ")));

    // The sub-operation: kept as it came, answered on its own context.
    ASSERT_EQ(kept.instances.size(), 1u);
    EXPECT_EQ(kept.instances.front(), kInstance);
    EXPECT_EQ(kept.lastSyntax, uid::kExplicitVRLittleEndian);
    EXPECT_EQ(record.storeResponseContext, record.storeContext);
    EXPECT_EQ(CommandUS(record.storeResponse, 0x0100), 0x8001);
    EXPECT_EQ(CommandUS(record.storeResponse, 0x0120), 77);
    EXPECT_EQ(CommandUS(record.storeResponse, 0x0900), c.keepStatus);
    EXPECT_EQ(CommandValue(record.storeResponse, 0x0002), Uid(kCT));

    EXPECT_EQ(result.Ok(), c.ok) << result.reason;
    EXPECT_EQ(result.status.value_or(0xFFFF), c.finalStatus);
    EXPECT_EQ(result.responses, 2u);
    EXPECT_EQ(result.received, 1u);
    EXPECT_EQ(result.kept, c.ok ? 1u : 0u);
    EXPECT_EQ(result.completed, c.numbers.completed);
    EXPECT_EQ(result.failed, c.numbers.failed);
    EXPECT_TRUE(record.released);
  }
}

// An object longer than the requester takes ends the retrieval: nothing is kept, and the
// association is aborted as soon as the limit is passed.
TEST(GetScu, AnObjectOverTheLimitEndsTheRetrievalWithItsReason) {
  ArchiveRecord record;
  testing::ScriptedAcceptor archive([&](int fd) { PlayArchive(fd, 0, {}, record); });
  AssociationParameters peer = testing::LoopbackPeer(archive.Port(), "ARCHIVE", "NORVANE");
  peer.maxObjectSize = StoredObject().size() - 1;
  Kept kept(0);
  const GetResult result = GetSCU(peer, StudyInfo{}, kept);
  archive.Join();
  EXPECT_EQ(result.failure, ServiceFailure::kProtocol);
  EXPECT_EQ(result.reason,
            "no data set of the C-STORE-RQ: the peer sent a message longer than the " +
                std::to_string(peer.maxObjectSize) + " bytes allowed (aborted)");
  EXPECT_TRUE(kept.instances.empty());
  EXPECT_EQ(kept.lost, 1);
}

}  // namespace
}  // namespace norvane
