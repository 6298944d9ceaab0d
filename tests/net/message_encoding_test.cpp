#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "datadec/deflate_stream.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "message_fixture.hpp"
#include "net/message_decoder.hpp"
#include "net/requester_association.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

using testing::AcceptedAssociation;
using testing::Bytes;
using testing::Hex;
using testing::kCTImageStorageUid;
using testing::MessageBuilder;
using testing::ProposedContextItem;
using testing::Slice;
using testing::Text;

// An association we requested, whose acceptor accepted context 1 with one transfer syntax;
// the acceptor's end of the connection stays open for the test.
class RequestedAssociation {
 public:
  RequestedAssociation(std::string_view abstractSyntax, std::string_view transferSyntax) {
    testing::ScriptedAcceptor acceptor([&](int fd) {
      testing::ReadPdu(fd);
      testing::SendAll(fd, testing::AcceptingAnswer(transferSyntax));
      peer_ = ::dup(fd);
    });
    (void)service_.Propose("NORVANE", "PEER",
                           {{std::string(abstractSyntax), {std::string(transferSyntax)}}});
    connected_ = service_.Connect("127.0.0.1", acceptor.Port()).Ok();
    acceptor.Join();
  }
  ~RequestedAssociation() {
    if (peer_ >= 0) ::close(peer_);
  }
  RequestedAssociation(const RequestedAssociation&) = delete;
  RequestedAssociation& operator=(const RequestedAssociation&) = delete;

  bool connected() const { return connected_; }
  RequesterAssociation& service() { return service_; }
  int peer() const { return peer_; }

 private:
  RequesterAssociation service_;
  int peer_ = -1;
  bool connected_ = false;
};

// A data set with every header form: short and long explicit lengths, a sequence and an
// item of undefined length with their delimiters, and an element of group 0000.
TagList SampleDataSet() {
  TagList list;
  list.push_back(GenerateTextTag(0x0000, 0x0002, "UI", std::string("1.2.3") + '\0'));
  list.push_back(GenerateTextTag(0x0008, 0x0060, "CS", "CT"));
  list.push_back(GenerateTag(0x0009, 0x1010, "UN", Bytes{1, 2, 3, 4, 5, 6}));
  list.push_back(GenerateTag(0x0008, 0x1140, kUndefinedLength, nullptr, "SQ"));
  list.push_back(GenerateTag(kItemGroup, tag::kItem.element, kUndefinedLength, nullptr, nullptr));
  list.push_back(GenerateTextTag(0x0008, 0x1155, "UI", std::string("1.2.3.4") + '\0'));
  list.push_back(GenerateTag(kItemGroup, tag::kItemDelimitationItem.element, 0, nullptr, nullptr));
  list.push_back(
      GenerateTag(kItemGroup, tag::kSequenceDelimitationItem.element, 0, nullptr, nullptr));
  list.push_back(GenerateTag(0x0028, 0x0010, "US", Bytes{0x02, 0x00}));
  list.push_back(GenerateTag(0x7FE0, 0x0010, "OW", Bytes{9, 8, 7, 6}));
  return list;
}

struct Encoded {
  Bytes bytes;
  TagList decoded;
};

// The message bytes the association sends for the list on the context, as the peer reads
// them off the wire (one PDV).
Bytes Sent(PDU_Service& service, int peer, const TagList& list, uint8_t contextID,
           uint8_t control = kDataSetMessage) {
  EXPECT_TRUE(service.WriteMessageOn(list, contextID, control));
  const Bytes pdu = testing::ReadPdu(peer);
  return pdu.size() > 12 ? Slice(pdu, 12, pdu.size() - 12) : Bytes{};
}

// The records of message bytes received on the context, given in the pieces `cuts` makes;
// false when they do not decode whole.
bool Decoded(const PDU_Service& service, const Bytes& bytes, uint8_t contextID, TagList& list,
             size_t cut = 0) {
  MessageDecoder decoder([&service](uint8_t id) { return service.MessageEncoding(id); });
  decoder.Begin(list);
  decoder.Start(contextID);
  decoder.Decode(std::span(bytes).first(cut));
  decoder.Decode(std::span(bytes).subspan(cut));
  return decoder.Finish();
}

Encoded RoundTrip(PDU_Service& service, int peer, const TagList& list, uint8_t contextID) {
  Encoded out;
  out.bytes = Sent(service, peer, list, contextID);
  EXPECT_TRUE(Decoded(service, out.bytes, contextID, out.decoded)) << Hex(out.bytes);
  return out;
}

void ExpectSameElements(const TagList& decoded, const TagList& original, bool compareVR) {
  ASSERT_EQ(decoded.size(), original.size());
  for (size_t i = 0; i < original.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(decoded[i].group, original[i].group);
    EXPECT_EQ(decoded[i].element, original[i].element);
    EXPECT_EQ(decoded[i].length, original[i].length);
    EXPECT_EQ(decoded[i].value, original[i].value);
    if (compareVR && original[i].HasVR() && original[i].group != kItemGroup &&
        original[i].group != 0x0000) {
      EXPECT_EQ(decoded[i].VRText(), original[i].VRText());
    }
  }
}

TEST(MessageEncoding, ImplicitAndExplicitLittleEndianRoundTrip) {
  AcceptedAssociation association(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian}),
       ProposedContextItem(3, "1.2.840.10008.5.1.4.1.1.4", {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  const TagList original = SampleDataSet();

  const Encoded implicit = RoundTrip(association.service(), association.peer(), original, 1);
  ExpectSameElements(implicit.decoded, original, false);
  EXPECT_EQ(implicit.decoded[1].VRText(), "CS") << "implicit VR comes from the dictionary";
  EXPECT_EQ(implicit.decoded[2].VRText(), "UN") << "a tag the dictionary lacks reads as UN";
  EXPECT_EQ(Slice(implicit.bytes, 14, 10), (Bytes{0x08, 0x00, 0x60, 0x00, 2, 0, 0, 0, 'C', 'T'}))
      << Hex(implicit.bytes);

  const Encoded explicitLE = RoundTrip(association.service(), association.peer(), original, 3);
  ExpectSameElements(explicitLE.decoded, original, true);
  // Group 0000 stays implicit; then the short form of CS and the long form of UN.
  EXPECT_EQ(Slice(explicitLE.bytes, 0, 8), (Bytes{0, 0, 2, 0, 6, 0, 0, 0}));
  EXPECT_EQ(Slice(explicitLE.bytes, 14, 10),
            (Bytes{0x08, 0x00, 0x60, 0x00, 'C', 'S', 2, 0, 'C', 'T'}));
  EXPECT_EQ(Slice(explicitLE.bytes, 24, 12),
            (Bytes{0x09, 0x00, 0x10, 0x10, 'U', 'N', 0, 0, 6, 0, 0, 0}));
}

TEST(MessageEncoding, BigEndianContextWritesAndReadsBigEndianHeadersButCommandsStayLittle) {
  RequestedAssociation association(kCTImageStorageUid, uid::kExplicitVRBigEndian);
  ASSERT_TRUE(association.connected());
  const TagList original = SampleDataSet();
  const Encoded encoded = RoundTrip(association.service(), association.peer(), original, 1);
  ExpectSameElements(encoded.decoded, original, true);
  EXPECT_EQ(Slice(encoded.bytes, 0, 8), (Bytes{0, 0, 2, 0, 6, 0, 0, 0}))
      << "group 0000 is little endian in every syntax";
  EXPECT_EQ(Slice(encoded.bytes, 14, 10),
            (Bytes{0x00, 0x08, 0x00, 0x60, 'C', 'S', 0, 2, 'C', 'T'}));
  EXPECT_EQ(Slice(encoded.bytes, 24, 12),
            (Bytes{0x00, 0x09, 0x10, 0x10, 'U', 'N', 0, 0, 0, 0, 0, 6}));
  // A command set on the same context is implicit VR little endian.
  TagList command;
  command.push_back(GenerateUSTag(0x0000, 0x0100, 0x0001));
  EXPECT_EQ(Sent(association.service(), association.peer(), command, 1, kCommandMessage),
            (Bytes{0, 0, 0, 1, 2, 0, 0, 0, 1, 0}));
}

TEST(MessageEncoding, UnacceptedContextEncodesAndDecodesNothing) {
  AcceptedAssociation association(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  EXPECT_EQ(association.service().WriteMessageOn(SampleDataSet(), 3, kDataSetMessage).failure,
            ServiceFailure::kNoPresentationContext);
  TagList list;
  EXPECT_FALSE(Decoded(association.service(),
                       MessageBuilder().Implicit(0x0008, 0x0060, Text("CT")).bytes(), 3, list));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(association.pair().Drain(std::chrono::milliseconds(20)).empty());
}

// Every cut of the message, headers included, as two PDVs of one message would leave it,
// decodes to the same elements.
void ExpectEveryCutDecodes(PDU_Service& service, const Encoded& whole, uint8_t contextID) {
  for (size_t cut = 1; cut < whole.bytes.size(); ++cut) {
    TagList list;
    ASSERT_TRUE(Decoded(service, whole.bytes, contextID, list, cut)) << "cut " << cut;
    ExpectSameElements(list, whole.decoded, true);
  }
}

TEST(MessageEncoding, ElementsSplitAcrossReceivedBlocksDecodeAsOne) {
  AcceptedAssociation association(
      {ProposedContextItem(3, "1.2.840.10008.5.1.4.1.1.4", {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  ExpectEveryCutDecodes(association.service(),
                        RoundTrip(association.service(), association.peer(), SampleDataSet(), 3),
                        3);
}

// On a deflated context a data set is the explicit VR little endian encoding as one raw
// deflate stream, decoded in whatever pieces it arrives; a stream cut short fails.
TEST(MessageEncoding, DeflatedContextSendsOneDeflateStreamAndReadsItInAnyPieces) {
  constexpr std::string_view kDeflated = "1.2.840.10008.1.2.1.99";
  RequestedAssociation deflated(kCTImageStorageUid, kDeflated);
  RequestedAssociation plain(kCTImageStorageUid, uid::kExplicitVRLittleEndian);
  ASSERT_TRUE(deflated.connected() && plain.connected());
  const TagList original = SampleDataSet();
  const Encoded whole = RoundTrip(deflated.service(), deflated.peer(), original, 1);
  ExpectSameElements(whole.decoded, original, true);
  const Encoded explicitLE = RoundTrip(plain.service(), plain.peer(), original, 1);
  EXPECT_EQ(InflateAll(whole.bytes), explicitLE.bytes) << Hex(whole.bytes);

  ExpectEveryCutDecodes(deflated.service(), whole, 1);
  TagList list;
  EXPECT_FALSE(Decoded(deflated.service(), Slice(whole.bytes, 0, whole.bytes.size() - 2), 1, list));
  EXPECT_FALSE(Decoded(deflated.service(), explicitLE.bytes, 1, list));
}

// Flips a few bytes and sometimes cuts the end off.
Bytes Mutated(const Bytes& original, std::mt19937& random) {
  Bytes bytes = original;
  std::uniform_int_distribution<size_t> position(0, bytes.size() - 1);
  std::uniform_int_distribution<int> value(0, 255);
  const int flips = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < flips; ++i)
    bytes[position(random)] = static_cast<uint8_t>(value(random));
  if (random() % 4 == 0) bytes.resize(position(random));
  return bytes;
}

TEST(MessageEncoding, MutatedMessagesDecodeWithinTheirBytesOrFail) {
  AcceptedAssociation association(
      {ProposedContextItem(1, kCTImageStorageUid, {uid::kImplicitVRLittleEndian}),
       ProposedContextItem(3, "1.2.840.10008.5.1.4.1.1.4", {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  std::mt19937 random(20240611);
  for (const uint8_t context : {uint8_t{1}, uint8_t{3}}) {
    const Bytes original =
        Sent(association.service(), association.peer(), SampleDataSet(), context);
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
      const Bytes bytes = Mutated(original, random);
      TagList list;
      if (!Decoded(association.service(), bytes, context, list)) continue;
      ++decoded;
      size_t valueBytes = 0;
      for (const TagRecord& record : list) {
        ASSERT_EQ(record.value.size(), record.HasValue() ? record.length : 0u) << Hex(bytes);
        valueBytes += record.value.size();
      }
      ASSERT_LE(valueBytes + 8 * list.size(), bytes.size()) << Hex(bytes);
    }
    EXPECT_GT(decoded, 0) << "mutations of value bytes stay decodable";
  }
}

}  // namespace
}  // namespace norvane
