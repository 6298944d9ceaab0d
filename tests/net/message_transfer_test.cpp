#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "elements/tag_list.hpp"
#include "log/log.hpp"
#include "message_fixture.hpp"
#include "net/pdu_layout.hpp"
#include "net/pdu_service.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

using testing::AcceptedAssociation;
using testing::BigEndian32;
using testing::Bytes;
using testing::Hex;
using testing::kCTImageStorageUid;
using testing::MessageBuilder;
using testing::PDataPdu;
using testing::Pdv;
using testing::ProposedContextItem;
using testing::Slice;
using testing::Text;
using testing::US;

Bytes Pattern(size_t n) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<uint8_t>((i * 13 + 5) % 251);
  return bytes;
}

AcceptedAssociation ImplicitCT() {
  return AcceptedAssociation(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian})});
}

TEST(WriteMessage, DataSetGoesOutInPdusAsLongAsThePeerAnnounced) {
  // 8 bytes of implicit header and the value: 10000 message bytes, or 200008, which take
  // more than one send with PDUs of 16384.
  struct Case {
    uint32_t peerMaximum;
    std::vector<uint32_t> fragments;
    uint32_t valueLength = 9992;
  };
  std::vector<uint32_t> cut16384(12, 16378);
  cut16384.push_back(200008 - 12 * 16378);
  const Case cases[] = {{4102, {4096, 4096, 1808}},
                        {4000, {3994, 3994, 2012}},
                        {16384, {10000}},
                        {0, {10000}},
                        {16384, cut16384, 200000}};
  for (const Case& c : cases) {
    SCOPED_TRACE("peer maximum " + std::to_string(c.peerMaximum) + ", value of " +
                 std::to_string(c.valueLength));
    AcceptedAssociation association(
        {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian})},
        c.peerMaximum);
    ASSERT_TRUE(association.accepted()) << Hex(association.answer());
    TagList dataSet;
    dataSet.push_back(GenerateTag(0x7FE0, 0x0010, "OW", Pattern(c.valueLength)));
    ASSERT_TRUE(association.service().WriteMessage(dataSet, kCTImageStorageUid, kDataSetMessage));

    const size_t pdus = c.fragments.size();
    const size_t messageSize = c.valueLength + 8;
    const Bytes wire = testing::ReadExactly(association.peer(), messageSize + pdus * 12);
    ASSERT_EQ(wire.size(), messageSize + pdus * 12);
    Bytes message;
    size_t at = 0;
    for (size_t i = 0; i < pdus; ++i) {
      SCOPED_TRACE("PDU " + std::to_string(i + 1) + ": " + Hex(wire, at, 12));
      EXPECT_EQ(wire[at], 0x04);
      EXPECT_EQ(BigEndian32(wire, at + 2), c.fragments[i] + 6);
      EXPECT_EQ(BigEndian32(wire, at + 6), c.fragments[i] + 2);
      EXPECT_EQ(wire[at + 10], 1) << "presentation context ID";
      EXPECT_EQ(wire[at + 11], i + 1 == pdus ? 0x02 : 0x00) << "message control header";
      const Bytes fragment = Slice(wire, at + 12, c.fragments[i]);
      message.insert(message.end(), fragment.begin(), fragment.end());
      at += 12 + c.fragments[i];
    }
    const Bytes expected =
        MessageBuilder().Implicit(0x7FE0, 0x0010, Pattern(c.valueLength)).bytes();
    EXPECT_EQ(message, expected) << "first bytes: " << Hex(message, 0, 16);
  }
}

TEST(AcceptAssociation, PeerMaximumTooSmallForAPdvIsAbortedAndAnyOtherIsNeverExceeded) {
  AcceptedAssociation tiny(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian})}, 6);
  EXPECT_FALSE(tiny.accepted());
  ASSERT_FALSE(tiny.answer().empty());
  EXPECT_EQ(tiny.answer()[0], 0x07) << "A-ABORT, not an A-ASSOCIATE-AC: " << Hex(tiny.answer());

  AcceptedAssociation small(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian})}, 64);
  ASSERT_TRUE(small.accepted());
  TagList dataSet;
  dataSet.push_back(GenerateTag(0x7FE0, 0x0010, "OW", Pattern(500)));
  ASSERT_TRUE(small.service().WriteMessage(dataSet, kCTImageStorageUid, kDataSetMessage));
  // 508 message bytes in fragments of 58: nine PDUs, the last of 44 bytes.
  const Bytes wire = testing::ReadExactly(small.peer(), 508 + 9 * 12);
  ASSERT_EQ(wire.size(), 508u + 9 * 12);
  for (size_t at = 0; at < wire.size(); at += 6 + BigEndian32(wire, at + 2)) {
    EXPECT_EQ(wire[at], 0x04);
    EXPECT_LE(BigEndian32(wire, at + 2), 64u) << "PDU at " << at;
  }
}

TEST(ReadMessage, DataSetWhereACommandIsDueIsAbortedAtItsFirstFragment) {
  AcceptedAssociation association = ImplicitCT();
  ASSERT_TRUE(association.accepted());
  // The first fragment only: the abort must not wait for the rest of the data set.
  ASSERT_TRUE(association.pair().Send(PDataPdu({Pdv(1, 0x00, Pattern(100))})));
  TagList command;
  EXPECT_FALSE(association.service().ReadMessage(command, ExpectedMessage::kCommand));
  const Bytes abort = testing::ReadPdu(association.peer());
  ASSERT_EQ(abort.size(), 10u) << Hex(abort);
  EXPECT_EQ(abort[0], 0x07);
  EXPECT_FALSE(association.service().Connected());
}

TEST(WriteMessage, RefusesUnproposedClassesAndUnencodableRecordsWithoutSendingAnything) {
  AcceptedAssociation association(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  AcceptorAssociation& service = association.service();
  TagList patient;
  patient.push_back(GenerateTextTag(0x0010, 0x0010, "PN", "DOE^JOHN"));
  EXPECT_FALSE(service.WriteMessage(patient, uid::kVerification, kDataSetMessage));

  // A 16-bit length field cannot hold 70000.
  TagList tooLong;
  tooLong.push_back(GenerateTextTag(0x0010, 0x0010, "PN", "DOE^JOHN"));
  tooLong.push_back(GenerateTag(0x0008, 0x0080, "LO", Pattern(70000)));
  EXPECT_FALSE(service.WriteMessage(tooLong, kCTImageStorageUid, kDataSetMessage));
  // A record whose value does not match its length.
  TagList inconsistent;
  TagRecord broken = GenerateTextTag(0x0010, 0x0020, "LO", "ID");
  broken.length = 40;
  inconsistent.push_back(broken);
  EXPECT_FALSE(service.WriteMessage(inconsistent, kCTImageStorageUid, kDataSetMessage));
  EXPECT_TRUE(service.Connected());

  // The next message goes out alone, nothing of the refused ones before it.
  ASSERT_TRUE(service.WriteMessage(patient, kCTImageStorageUid, kDataSetMessage));
  const Bytes wire = association.pair().Drain();
  const Bytes expected = PDataPdu({Pdv(
      1, 0x02, MessageBuilder().ExplicitShort(0x0010, 0x0010, "PN", Text("DOE^JOHN")).bytes())});
  EXPECT_EQ(wire, expected) << Hex(wire);
}

TEST(WriteMessage, ExplicitRecordWithoutVRTakesTheDictionaryVR) {
  AcceptedAssociation association(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  TagList dataSet;
  dataSet.push_back(GenerateTag(0x0010, 0x0010, 8, "DOE^JOHN", nullptr));
  dataSet.push_back(GenerateTag(0x0009, 0x1001, 2, "AB", nullptr));
  ASSERT_TRUE(association.service().WriteMessage(dataSet, kCTImageStorageUid, kDataSetMessage));
  const Bytes wire = association.pair().Drain();
  const Bytes message = MessageBuilder()
                            .ExplicitShort(0x0010, 0x0010, "PN", Text("DOE^JOHN"))
                            .ExplicitLong(0x0009, 0x1001, "UN", Text("AB"))
                            .bytes();
  EXPECT_EQ(wire, PDataPdu({Pdv(1, 0x02, message)})) << Hex(wire);
}

TEST(ReadMessage, PduHoldingTheEndOfACommandAndTheStartOfADataSetGivesTwoMessages) {
  AcceptedAssociation association = ImplicitCT();
  ASSERT_TRUE(association.accepted());
  const Bytes command = MessageBuilder()
                            .Implicit(0x0000, 0x0000, MessageBuilder().U32(28).bytes())
                            .Implicit(0x0000, 0x0100, US(0x0001))
                            .Implicit(0x0000, 0x0110, US(5))
                            .Implicit(0x0000, 0x0800, US(0x0000))
                            .bytes();
  const Bytes dataSet = MessageBuilder()
                            .Implicit(0x0008, 0x0060, Text("CT"))
                            .Implicit(0x0010, 0x0010, Text("DOE^JOHN"))
                            .Implicit(0x0028, 0x0010, US(512))
                            .bytes();
  const Bytes wire = testing::WireBuilder()
                         .Append(PDataPdu({Pdv(1, 0x01, Slice(command, 0, 20))}))
                         .Append(PDataPdu({Pdv(1, 0x03, Slice(command, 20, 100)),
                                           Pdv(1, 0x00, Slice(dataSet, 0, 14))}))
                         .Append(PDataPdu({Pdv(1, 0x02, Slice(dataSet, 14, 100))}))
                         .bytes();
  ASSERT_TRUE(association.pair().Send(wire));
  AcceptorAssociation& service = association.service();

  TagList first;
  ASSERT_TRUE(service.ReadMessage(first));
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(GetTagUS(first, 0x0000, 0x0110), 5);
  EXPECT_EQ(first[0].length, 4u);
  EXPECT_EQ(first[1].VRText(), "US") << "implicit VR comes from the dictionary";
  EXPECT_TRUE(service.MessageWaiting()) << "the data set's first PDV is still unread";

  TagList second;
  ASSERT_TRUE(service.ReadMessage(second));
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(GetTagText(second, 0x0008, 0x0060), "CT");
  EXPECT_EQ(GetTagText(second, 0x0010, 0x0010), "DOE^JOHN");
  EXPECT_EQ(GetTagUS(second, 0x0028, 0x0010), 512);
  EXPECT_EQ(second[1].VRText(), "PN");
  EXPECT_FALSE(service.MessageWaiting());
}

TEST(ReadMessage, ExplicitDataSetUsesBothLengthFormsAndReadsGroup0000Implicitly) {
  AcceptedAssociation association(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  const Bytes privateValue = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  const Bytes dataSet =
      MessageBuilder()
          .Implicit(0x0000, 0x0002, Text(std::string("1.2.840.10008.5.1.4.1.1.2") + '\0'))
          .ExplicitShort(0x0009, 0x0010, "LO", Text("ACME 1.0"))
          .ExplicitLong(0x0009, 0x1010, "UN", privateValue)
          // A sequence and an item of undefined length, held flat.
          .Tag(0x0008, 0x1140)
          .Append(Text("SQ"))
          .U16(0)
          .U32(0xFFFFFFFF)
          .Tag(0xFFFE, 0xE000)
          .U32(0xFFFFFFFF)
          .ExplicitShort(0x0008, 0x1155, "UI", Text("1.2.3.4\0"))
          .Tag(0xFFFE, 0xE00D)
          .U32(0)
          .Tag(0xFFFE, 0xE0DD)
          .U32(0)
          .ExplicitShort(0x0020, 0x0013, "IS", Text("1 "))
          .bytes();
  ASSERT_TRUE(association.pair().Send(PDataPdu({Pdv(1, 0x02, dataSet)})));
  TagList list;
  ASSERT_TRUE(association.service().ReadMessage(list));
  ASSERT_EQ(list.size(), 9u);
  EXPECT_TRUE(list[0].Is(0x0000, 0x0002));
  EXPECT_EQ(list[0].length, 26u);
  EXPECT_EQ(list[0].VRText(), "UI");
  EXPECT_EQ(list[1].VRText(), "LO");
  EXPECT_EQ(list[1].length, 8u);
  EXPECT_EQ(list[2].VRText(), "UN");
  EXPECT_EQ(list[2].length, 6u);
  EXPECT_EQ(list[2].value, privateValue);
  EXPECT_EQ(list[3].VRText(), "SQ");
  EXPECT_TRUE(list[3].HasUndefinedLength());
  EXPECT_TRUE(list[4].Is(0xFFFE, 0xE000));
  EXPECT_TRUE(list[4].HasUndefinedLength());
  EXPECT_EQ(list[5].VRText(), "UI");
  EXPECT_TRUE(list[6].Is(0xFFFE, 0xE00D));
  EXPECT_TRUE(list[7].Is(0xFFFE, 0xE0DD));
  EXPECT_EQ(GetTagText(list, 0x0020, 0x0013), "1");
}

struct DataPhaseCase {
  const char* name;
  Bytes pdu;
  std::vector<std::string> log;
  Bytes answer;  // what our side sends before closing
};

Bytes Abort(uint8_t reason) {
  return {0x07, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, reason};
}

std::vector<DataPhaseCase> DataPhaseCases() {
  const Bytes releaseRQ = {0x05, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00};
  const Bytes releaseRP = {0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00};
  const Bytes abort = {0x07, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00};
  const Bytes request = testing::AssociatePdu(
      0x01, "NORVANESCP", "OTHER",
      testing::WireBuilder()
          .UidItem(0x10, testing::kApplicationContextUid)
          .Append(ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian}))
          .bytes());
  const Bytes accept = testing::AcceptingAnswer(uid::kImplicitVRLittleEndian);
  const Bytes reject = {0x03, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x01, 0x07};
  return {
      {"ReleaseRequestIsAnsweredAndClosed", releaseRQ, {}, releaseRP},
      {"ReleaseAnswerIsLoggedAndClosed", releaseRP, {"ERROR, RELEASE-RP"}, {}},
      {"AbortIsLoggedAndClosed", abort, {"ERROR, ABORT-RQ"}, {}},
      {"AssociateRequestIsAborted", request, {"ERROR, ASSOCIATE-RQ"}, Abort(0x02)},
      {"AssociateAcceptIsAborted", accept, {"ERROR, ASSOCIATE-AC"}, Abort(0x02)},
      {"AssociateRejectIsAborted", reject, {"ERROR, ASSOCIATE-RJ"}, Abort(0x02)},
      {"TypeZeroIsAProtocolError", Bytes(10, 0x00), {"ERROR, Protocol Error: 0"}, Abort(0x01)},
      {"UnknownTypeIsAProtocolError",
       {0x99, 0x00, 0x00},
       {"ERROR, Protocol Error: 153"},
       Abort(0x01)},
  };
}

class DataPhasePdu : public ::testing::TestWithParam<DataPhaseCase> {
 protected:
  void SetUp() override { SetLOG(dir_ / "data.log", 0); }
  void TearDown() override { SetLOG("", 0); }
  testing::TempDir dir_;
};

TEST_P(DataPhasePdu, EndsTheAssociationWithItsLogLine) {
  const DataPhaseCase& c = GetParam();
  AcceptedAssociation association = ImplicitCT();
  ASSERT_TRUE(association.accepted());
  // Half a message is already in when the PDU comes; it must not survive.
  ASSERT_TRUE(association.pair().Send(PDataPdu({Pdv(1, 0x00, Pattern(10))})));
  ASSERT_TRUE(association.pair().Send(c.pdu));
  AcceptorAssociation& service = association.service();
  TagList list;
  EXPECT_FALSE(service.ReadMessage(list));
  EXPECT_FALSE(service.Connected());
  EXPECT_TRUE(list.empty());
  const Bytes sent = association.pair().Drain();
  EXPECT_EQ(sent, c.answer) << "sent: " << Hex(sent);
  EXPECT_EQ(testing::LogTexts(dir_ / "data.log"), c.log);
  EXPECT_FALSE(service.ReadMessage(list)) << "a closed association delivers nothing";
}

INSTANTIATE_TEST_SUITE_P(ReadMessage, DataPhasePdu, ::testing::ValuesIn(DataPhaseCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct MalformedCase {
  const char* name;
  uint8_t contextID;
  Bytes message;
  size_t recordsBefore;  // records decoded before the fault
};

std::vector<MalformedCase> MalformedCases() {
  const Bytes good = MessageBuilder().Implicit(0x0008, 0x0060, Text("CT")).bytes();
  Bytes lengthPastEnd = MessageBuilder().Append(good).Tag(0x0010, 0x0010).U32(100).bytes();
  lengthPastEnd.insert(lengthPastEnd.end(), 4, 'A');
  const Bytes hugeLength =
      MessageBuilder().Append(good).Tag(0x7FE0, 0x0010).U32(0xFFFFFFF0).Append(Pattern(8)).bytes();
  const Bytes cutHeader = MessageBuilder().Append(good).Tag(0x0010, 0x0010).U16(4).bytes();
  const Bytes cutTag = MessageBuilder().Append(good).U16(0x0010).Append({0x10}).bytes();
  return {
      {"ElementLengthPassesTheEnd", 1, lengthPastEnd, 1},
      {"HugeElementLength", 1, hugeLength, 1},
      {"TruncatedHeader", 1, cutHeader, 1},
      {"TruncatedTag", 1, cutTag, 1},
      {"UnacceptedContext", 3, good, 0},
      {"ExplicitVRStartingWithZero", 5,
       MessageBuilder()
           .ExplicitShort(0x0008, 0x0060, "CS", Text("CT"))
           .Tag(0x0010, 0x0010)
           .Append({0x00, 'N', 0x02, 0x00, 'A', 'B'})
           .bytes(),
       1},
  };
}

class MalformedMessage : public ::testing::TestWithParam<MalformedCase> {
 protected:
  void SetUp() override { SetLOG(dir_ / "malformed.log", 0); }
  void TearDown() override { SetLOG("", 0); }
  testing::TempDir dir_;
};

TEST_P(MalformedMessage, IsLoggedAndAborted) {
  const MalformedCase& c = GetParam();
  AcceptedAssociation association(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian}),
       ProposedContextItem(5, "1.2.840.10008.5.1.4.1.1.4", {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  ASSERT_TRUE(association.pair().Send(PDataPdu({Pdv(c.contextID, 0x02, c.message)})));
  AcceptorAssociation& service = association.service();
  TagList list;
  EXPECT_FALSE(service.ReadMessage(list));
  EXPECT_FALSE(service.Connected());
  EXPECT_EQ(list.size(), c.recordsBefore);
  const Bytes sent = association.pair().Drain();
  EXPECT_EQ(sent, Abort(0x06)) << "sent: " << Hex(sent);
  EXPECT_EQ(testing::LogTexts(dir_ / "malformed.log"),
            std::vector<std::string>{"ERROR, ParseRawVRIntoDCM"});
}

INSTANTIATE_TEST_SUITE_P(ReadMessage, MalformedMessage, ::testing::ValuesIn(MalformedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct StreamCase {
  std::string name;
  uint8_t contextID;
  Bytes message;
  std::vector<size_t> fragments;  // PDV fragment sizes, in turn
  bool cutOff;                    // the peer closes after 3/5 of the wire
  size_t records;                 // in the list afterwards
};

TEST(ReadMessage, FragmentsCutAnywhereDecodeAsTheWholeMessageWould) {
  const Bytes ct = MessageBuilder().Implicit(0x0008, 0x0060, Text("CT")).bytes();
  const Bytes large =
      MessageBuilder().Append(ct).Implicit(0x7FE0, 0x0010, Pattern(1200001)).bytes();
  // Both header sizes, and a last element shorter than the longest header.
  const Bytes mixed = MessageBuilder()
                          .ExplicitLong(0x7FE0, 0x0010, "OB", Pattern(70001))
                          .ExplicitShort(0x0020, 0x0013, "IS", Text("1 "))
                          .bytes();
  const Bytes pastEnd =
      MessageBuilder().Append(ct).Tag(0x7FE0, 0x0010).U32(2000000).Append(Pattern(300000)).bytes();
  const Bytes cutHeader = MessageBuilder().Append(ct).Tag(0x0010, 0x0010).U16(4).bytes();
  const Bytes badVR = {0x10, 0x00, 0x10, 0x00, 0x00, 'N', 0x02, 0x00, 'A', 'B'};
  const Bytes badHeader = MessageBuilder().Append(mixed).Append(badVR).Append(mixed).bytes();
  std::vector<StreamCase> cases = {
      {"LargeValueInOddPdvs", 1, large, {5, 1, 16371, 2, 9999, 11, 12, 13, 4097}, false, 2},
      {"CutOffInsideTheLargeValue", 1, large, {4093, 7}, true, 0},
      {"LengthPassesTheLastFragment", 1, pastEnd, {3001, 1}, false, 1},
      {"MalformedHeaderBeforeALargeValue", 5, badHeader, {16378}, false, 2},
      {"HeaderCutAtTheEnd", 1, cutHeader, {3}, false, 1},
  };
  for (const size_t size : {1, 3, 7, 11, 13})
    cases.push_back({"HeadersSplitEvery" + std::to_string(size), 5, mixed, {size}, false, 2});
  testing::TempDir dir;
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetLOG(dir / c.name, 0);
    AcceptedAssociation association(
        {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian}),
         ProposedContextItem(5, "1.2.840.10008.5.1.4.1.1.4", {uid::kExplicitVRLittleEndian})});
    AcceptorAssociation& service = association.service();
    service.SetTrace(true);
    std::vector<size_t> progress;
    service.SetReceiveProgress([&](size_t bytes) { progress.push_back(bytes); });
    Bytes wire = testing::FragmentedMessage(c.message, c.fragments, c.contextID);
    if (c.cutOff) wire.resize(wire.size() * 3 / 5);
    std::thread peer([&] {
      association.pair().Send(wire);
      if (c.cutOff) ::shutdown(association.peer(), SHUT_WR);
    });
    TagList list;
    const MessageRead read = service.ReadMessage(list);
    peer.join();
    const std::vector<std::string> log = testing::LogTexts(dir / c.name);
    EXPECT_EQ(list.size(), c.records);
    const Bytes sent = association.pair().Drain();
    if (c.cutOff) {
      EXPECT_EQ(read.failure, ServiceFailure::kNoResponse);
      EXPECT_EQ(sent, Bytes{}) << Hex(sent);
      continue;
    }
    EXPECT_EQ(sent, read ? Bytes{} : Abort(0x06)) << Hex(sent);
    // The same bytes decoded in one piece: the same records, traced the same.
    MessageDecoder whole([&service](uint8_t id) { return service.MessageEncoding(id); });
    TagList reference;
    whole.Begin(reference);
    whole.Start(c.contextID);
    whole.Decode(c.message);
    EXPECT_EQ(read.Ok(), whole.Finish());
    ASSERT_EQ(list.size(), reference.size());
    for (size_t i = 0; i < list.size(); ++i) {
      EXPECT_TRUE(list[i].GetTag() == reference[i].GetTag() &&
                  list[i].VRText() == reference[i].VRText() &&
                  list[i].length == reference[i].length && list[i].value == reference[i].value);
    }
    // The trace dumps every record decoded, and a failed decoding says so last.
    EXPECT_GE(log.size(), list.size());
    if (!read) {
      EXPECT_EQ(log.back(), "ERROR, ParseRawVRIntoDCM");
    }
    // Progress: after each further kProgressBytes of the message, and when it is complete.
    EXPECT_EQ(progress.empty() ? 0 : progress.back(), c.message.size());
    for (size_t i = 1; i + 1 < progress.size(); ++i)
      EXPECT_GE(progress[i], progress[i - 1] + PDU_Service::kProgressBytes);
  }
  SetLOG("", 0);
}

struct BadPduCase {
  const char* name;
  Bytes pdu;
};

TEST(ReadMessage, PdvLengthsThatDoNotFitThePduAreAborted) {
  const std::vector<BadPduCase> cases = {
      {"PdvLongerThanPdu",
       testing::WireBuilder().U8(4).U8(0).U32(12).U32(100).U8(1).U8(2).Append(Pattern(6)).bytes()},
      {"PdvShorterThanItsHeader",
       testing::WireBuilder().U8(4).U8(0).U32(6).U32(1).U8(1).U8(2).bytes()},
      {"PduTooShortForAPdvHeader", testing::WireBuilder().U8(4).U8(0).U32(3).Zeros(3).bytes()},
      {"RestOfPduTooShortForTheNextPdv", testing::WireBuilder()
                                             .U8(4)
                                             .U8(0)
                                             .U32(14)
                                             .U32(6)
                                             .U8(1)
                                             .U8(0)
                                             .Append(Pattern(4))
                                             .Zeros(4)
                                             .bytes()},
  };
  for (const BadPduCase& c : cases) {
    SCOPED_TRACE(c.name);
    AcceptedAssociation association = ImplicitCT();
    ASSERT_TRUE(association.accepted());
    ASSERT_TRUE(association.pair().Send(c.pdu));
    TagList list;
    EXPECT_FALSE(association.service().ReadMessage(list));
    EXPECT_FALSE(association.service().Connected());
    const Bytes sent = association.pair().Drain();
    EXPECT_EQ(sent, Abort(0x06)) << "sent: " << Hex(sent);
  }
}

TEST(ReadMessage, ConnectionLostInsideAPdvEndsWithoutAnAbort) {
  AcceptedAssociation association = ImplicitCT();
  ASSERT_TRUE(association.accepted());
  ASSERT_TRUE(association.pair().Send(testing::WireBuilder()
                                          .U8(4)
                                          .U8(0)
                                          .U32(106)
                                          .U32(102)
                                          .U8(1)
                                          .U8(2)
                                          .Append(Pattern(40))
                                          .bytes()));
  ::shutdown(association.peer(), SHUT_WR);
  TagList list;
  EXPECT_FALSE(association.service().ReadMessage(list));
  EXPECT_FALSE(association.service().Connected());
  EXPECT_EQ(association.pair().Drain(), Bytes{});
}

TEST(ReadMessage, MutatedPduStreamsDeliverWholeMessagesOrEndTheAssociation) {
  const Bytes command = MessageBuilder()
                            .Implicit(0x0000, 0x0000, MessageBuilder().U32(20).bytes())
                            .Implicit(0x0000, 0x0100, US(0x0001))
                            .Implicit(0x0000, 0x0800, US(0x0000))
                            .bytes();
  const Bytes dataSet = MessageBuilder()
                            .Implicit(0x0008, 0x0060, Text("CT"))
                            .Implicit(0x0010, 0x0010, Text("DOE^JOHN"))
                            .Implicit(0x7FE0, 0x0010, Pattern(64))
                            .bytes();
  const Bytes original =
      testing::WireBuilder()
          .Append(PDataPdu({Pdv(1, 0x03, command), Pdv(1, 0x00, Slice(dataSet, 0, 30))}))
          .Append(PDataPdu({Pdv(1, 0x02, Slice(dataSet, 30, 1000))}))
          .bytes();
  std::mt19937 random(7);
  std::uniform_int_distribution<size_t> position(0, original.size() - 1);
  int delivered = 0;
  for (int round = 0; round < 300; ++round) {
    Bytes bytes = original;
    const int flips = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < flips; ++i)
      bytes[position(random)] = static_cast<uint8_t>(random());
    if (random() % 4 == 0) bytes.resize(position(random));
    AcceptedAssociation association = ImplicitCT();
    ASSERT_TRUE(association.accepted());
    association.pair().Send(bytes);
    association.pair().ClosePeer();
    AcceptorAssociation& service = association.service();
    for (int message = 0; message < 8; ++message) {
      TagList list;
      if (!service.ReadMessage(list)) break;
      ++delivered;
      for (const TagRecord& record : list) {
        ASSERT_EQ(record.value.size(), record.HasValue() ? record.length : 0u) << Hex(bytes);
      }
    }
    EXPECT_FALSE(service.Connected()) << "the stream ends with the peer gone: " << Hex(bytes);
  }
  EXPECT_GT(delivered, 0);
}

}  // namespace
}  // namespace norvane
