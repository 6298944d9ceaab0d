#include "net/pdata_tf.hpp"

#include <gtest/gtest.h>

#include <malloc.h>

#include <numeric>
#include <thread>

#include "wire.hpp"

namespace norvane {
namespace {

using testing::BigEndian32;
using testing::Bytes;
using testing::Hex;
using testing::Slice;
using testing::WireBuilder;

struct Association {
  Association() {
    buffer.socket().AdoptConnection(pair.TakeOurs());
    buffer.SetInByteOrder(Buffer::kBigEndian);
    buffer.SetOutByteOrder(Buffer::kBigEndian);
  }
  testing::WirePair pair;
  Buffer buffer;
};

Bytes Pattern(size_t n) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<uint8_t>((i * 31 + 7) % 256);
  return bytes;
}

// Sends `message` through PDataTF::Write and returns what went on the wire.
Bytes Sent(PDataTF& pdata, const Bytes& message, uint8_t contextID, uint8_t control) {
  Association association;
  pdata.MessageBuffer().WriteBytes(message.data(), message.size());
  pdata.SetMessageContextID(contextID);
  pdata.SetMessageControl(control);
  Bytes wire;
  std::thread reader([&] { wire = association.pair.Drain(std::chrono::milliseconds(200)); });
  EXPECT_TRUE(pdata.Write(association.buffer));
  reader.join();
  return wire;
}

struct Pdu {
  uint32_t pduLength;
  uint32_t pdvLength;
  uint8_t contextID;
  uint8_t header;
  Bytes fragment;
};

std::vector<Pdu> SplitPdus(const Bytes& wire) {
  std::vector<Pdu> pdus;
  size_t at = 0;
  while (at + 12 <= wire.size()) {
    EXPECT_EQ(wire[at], 0x04) << "PDU type at " << at;
    Pdu pdu;
    pdu.pduLength = BigEndian32(wire, at + 2);
    pdu.pdvLength = BigEndian32(wire, at + 6);
    pdu.contextID = wire[at + 10];
    pdu.header = wire[at + 11];
    pdu.fragment = Slice(wire, at + 12, pdu.pduLength - 6);
    at += 6 + pdu.pduLength;
    pdus.push_back(pdu);
  }
  EXPECT_EQ(at, wire.size());
  return pdus;
}

TEST(PDataTFWrite, A68ByteCommandIsOne80BytePdu) {
  PDataTF pdata;
  const Bytes command = Pattern(68);
  const Bytes wire = Sent(pdata, command, 1, 1);
  ASSERT_EQ(wire.size(), 80u) << Hex(wire);
  const Bytes header = {0x04, 0x00, 0x00, 0x00, 0x00, 74, 0x00, 0x00, 0x00, 70, 0x01, 0x03};
  EXPECT_EQ(Slice(wire, 0, 12), header) << Hex(wire, 0, 12);
  EXPECT_EQ(Slice(wire, 12, 68), command);
  EXPECT_EQ(pdata.MessageBuffer().Queued(), 0u);
}

TEST(PDataTFWrite, A10000ByteDataSetUnderAMaximumOf4102IsCutInto4096_4096_1808) {
  PDataTF pdata;
  pdata.SetPeerMaximumLength(4102);
  const Bytes data = Pattern(10000);
  const std::vector<Pdu> pdus = SplitPdus(Sent(pdata, data, 3, 0));
  ASSERT_EQ(pdus.size(), 3u);
  const uint32_t sizes[] = {4096, 4096, 1808};
  const uint8_t headers[] = {0x00, 0x00, 0x02};
  Bytes joined;
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(pdus[i].pduLength, sizes[i] + 6);
    EXPECT_EQ(pdus[i].pdvLength, sizes[i] + 2);
    EXPECT_EQ(pdus[i].contextID, 3);
    EXPECT_EQ(pdus[i].header, headers[i]) << "PDU " << i;
    joined.insert(joined.end(), pdus[i].fragment.begin(), pdus[i].fragment.end());
  }
  EXPECT_EQ(joined, data);
}

TEST(PDataTFWrite, CommandFragmentsKeepBitZeroAndOnlyTheLastHasBitOne) {
  PDataTF pdata;
  pdata.SetPeerMaximumLength(4102);
  const std::vector<Pdu> pdus = SplitPdus(Sent(pdata, Pattern(5000), 1, 1));
  ASSERT_EQ(pdus.size(), 2u);
  EXPECT_EQ(pdus[0].header, 0x01);
  EXPECT_EQ(pdus[1].header, 0x03);
}

TEST(PDataTFWrite, EmptyMessageSendsNothing) {
  PDataTF pdata;
  EXPECT_TRUE(Sent(pdata, {}, 1, 1).empty());
}

TEST(PDataTFWrite, SmallPeerMaximumLengthIsHonoured) {
  PDataTF pdata;
  pdata.SetPeerMaximumLength(1000);
  EXPECT_EQ(pdata.FragmentSize(), 994u);
  const Bytes data = Pattern(2500);
  const std::vector<Pdu> pdus = SplitPdus(Sent(pdata, data, 1, 0));
  ASSERT_EQ(pdus.size(), 3u);
  for (const Pdu& pdu : pdus)
    EXPECT_LE(pdu.pduLength, 1000u);
  EXPECT_EQ(pdus[0].fragment.size(), 994u);
  EXPECT_EQ(pdus[2].fragment.size(), 2500u - 2 * 994u);
}

TEST(PDataTFWrite, PdusFillThePeerMaximumUpToTheLargestSentAndNeverExceedIt) {
  PDataTF pdata;
  constexpr uint32_t kLargest = 256 * 1024;
  struct Case {
    uint32_t peerMaximum;
    uint32_t fragment;
  };
  for (const Case& c : {Case{0, kLargest - 6}, Case{4102, 4096}, Case{4101, 4095},
                        Case{16384, 16378}, Case{kLargest, kLargest - 6},
                        Case{kLargest + 1, kLargest - 6}, Case{0xFFFFFFFF, kLargest - 6}}) {
    SCOPED_TRACE("peer maximum " + std::to_string(c.peerMaximum));
    pdata.SetPeerMaximumLength(c.peerMaximum);
    EXPECT_EQ(pdata.FragmentSize(), c.fragment);
  }
  pdata.SetPeerMaximumLength(16384);
  const Bytes large = Pattern(40000);
  const std::vector<Pdu> full = SplitPdus(Sent(pdata, large, 1, 0));
  ASSERT_EQ(full.size(), 3u);
  EXPECT_EQ(full[0].pduLength, 16384u) << "a PDU as long as the peer allows";
  EXPECT_EQ(full[1].pduLength, 16384u);
  EXPECT_EQ(full[2].fragment.size(), 40000u - 2 * 16378u);
  const Bytes data = Pattern(300);
  for (uint32_t maximum : {7u, 8u, 64u, 134u}) {
    SCOPED_TRACE("peer maximum " + std::to_string(maximum));
    pdata.SetPeerMaximumLength(maximum);
    const std::vector<Pdu> pdus = SplitPdus(Sent(pdata, data, 1, 0));
    Bytes joined;
    for (const Pdu& pdu : pdus) {
      EXPECT_LE(pdu.pduLength, maximum);
      joined.insert(joined.end(), pdu.fragment.begin(), pdu.fragment.end());
    }
    EXPECT_EQ(joined, data);
  }
  // Six bytes hold a PDV header and no message byte: nothing can be sent.
  pdata.SetPeerMaximumLength(6);
  EXPECT_FALSE(pdata.CanSend());
  Association association;
  pdata.MessageBuffer().WriteBytes(data.data(), data.size());
  EXPECT_FALSE(pdata.Write(association.buffer));
  EXPECT_EQ(pdata.MessageBuffer().Queued(), 0u);
  EXPECT_TRUE(association.pair.Drain(std::chrono::milliseconds(50)).empty());
}

TEST(PDataTFWrite, FailedSendDropsTheRestOfTheMessage) {
  PDataTF pdata;
  Buffer unconnected;
  const Bytes data = Pattern(9000);
  pdata.MessageBuffer().WriteBytes(data.data(), data.size());
  EXPECT_FALSE(pdata.Write(unconnected));
  EXPECT_EQ(pdata.MessageBuffer().Queued(), 0u);
  EXPECT_EQ(unconnected.Queued(), 0u);
}

Bytes PdvItem(uint8_t contextID, uint8_t header, const Bytes& fragment) {
  return WireBuilder()
      .U32(static_cast<uint32_t>(fragment.size() + 2))
      .U8(contextID)
      .U8(header)
      .Append(fragment)
      .bytes();
}

// A P-DATA-TF body after the type byte: reserved, PDU length, the PDV items.
Bytes PDataBody(const std::vector<Bytes>& pdvs) {
  Bytes items;
  for (const Bytes& pdv : pdvs)
    items.insert(items.end(), pdv.begin(), pdv.end());
  return WireBuilder().U8(0).U32(static_cast<uint32_t>(items.size())).Append(items).bytes();
}

Bytes TakeMessage(PDataTF& pdata) {
  Buffer& message = pdata.MessageBuffer();
  Bytes bytes(message.Available());
  EXPECT_TRUE(message.ReadBytes(bytes.data(), bytes.size()));
  return bytes;
}

TEST(PDataTFRead, OnePduWithEndOfOneMessageAndStartOfTheNext) {
  Association association;
  const Bytes command = Pattern(68);
  const Bytes data = Pattern(300);
  const Bytes firstHalf = Slice(data, 0, 100);
  const Bytes secondHalf = Slice(data, 100, 200);
  Bytes wire = PDataBody({PdvItem(1, 0x03, command), PdvItem(1, 0x00, firstHalf)});
  const Bytes second =
      WireBuilder().U8(0x04).Append(PDataBody({PdvItem(1, 0x02, secondHalf)})).bytes();
  wire.insert(wire.end(), second.begin(), second.end());
  ASSERT_TRUE(association.pair.Send(wire));

  PDataTF pdata;
  ASSERT_TRUE(pdata.ReadDynamic(association.buffer));
  EXPECT_TRUE(pdata.MessageComplete());
  EXPECT_EQ(pdata.MessageContextID(), 1);
  EXPECT_EQ(pdata.PendingLength(), 6u + 100u) << "the data set's PDV is still in the PDU";
  EXPECT_EQ(TakeMessage(pdata), command);

  // The next message continues the PDU in progress: no PDU header is read first.
  pdata.ClearMessageComplete();
  ASSERT_TRUE(pdata.ReadDynamic(association.buffer));
  EXPECT_FALSE(pdata.MessageComplete());
  EXPECT_EQ(pdata.PendingLength(), 0u);
  uint8_t type = 0;
  ASSERT_TRUE(association.buffer.ReadByte(type));
  EXPECT_EQ(type, 0x04);
  ASSERT_TRUE(pdata.ReadDynamic(association.buffer));
  EXPECT_TRUE(pdata.MessageComplete());
  EXPECT_EQ(TakeMessage(pdata), data);
}

TEST(PDataTFRead, WrittenMessageReadsBackWhole) {
  Association sender;
  PDataTF out;
  out.SetPeerMaximumLength(1000);
  const Bytes data = Pattern(20000);
  out.MessageBuffer().WriteBytes(data.data(), data.size());
  out.SetMessageContextID(5);
  out.SetMessageControl(0);
  Bytes wire;
  std::thread reader([&] { wire = sender.pair.Drain(std::chrono::milliseconds(200)); });
  ASSERT_TRUE(out.Write(sender.buffer));
  reader.join();

  Association receiver;
  ASSERT_TRUE(receiver.pair.Send(wire));
  PDataTF in;
  while (!in.MessageComplete()) {
    uint8_t type = 0;
    ASSERT_TRUE(receiver.buffer.ReadByte(type));
    ASSERT_EQ(type, 0x04);
    ASSERT_TRUE(in.ReadDynamic(receiver.buffer));
  }
  EXPECT_EQ(in.MessageContextID(), 5);
  EXPECT_EQ(TakeMessage(in), data);
}

struct BadPData {
  const char* what;
  Bytes body;
};

TEST(PDataTFRead, MalformedOrTruncatedPdvsFailCleanly) {
  const Bytes fragment = Pattern(10);
  const Bytes pdv = PdvItem(1, 0x02, fragment);
  const std::vector<BadPData> cases = {
      {"PDV length 1", WireBuilder().U8(0).U32(5).U32(1).U8(1).bytes()},
      {"PDV length 0", WireBuilder().U8(0).U32(6).U32(0).U8(1).U8(2).bytes()},
      {"PDV longer than the PDU",
       WireBuilder().U8(0).U32(16).U32(13).U8(1).U8(2).Zeros(11).bytes()},
      {"PDU too short for a PDV header", WireBuilder().U8(0).U32(3).Zeros(3).bytes()},
      {"PDV length near 4 GiB",
       WireBuilder().U8(0).U32(0xFFFFFFFF).U32(0xFFFFFFF0).U8(1).U8(2).bytes()},
      {"connection closes inside the PDV bytes", Slice(PDataBody({pdv}), 0, 5 + 6 + 4)},
      {"connection closes inside the PDV header", Slice(PDataBody({pdv}), 0, 5 + 3)},
      {"connection closes inside the PDU header", Slice(PDataBody({pdv}), 0, 2)},
  };
  for (const BadPData& bad : cases) {
    Association association;
    ASSERT_TRUE(association.pair.Send(bad.body));
    association.pair.ClosePeer();
    PDataTF pdata;
    EXPECT_FALSE(pdata.ReadDynamic(association.buffer)) << bad.what << ": " << Hex(bad.body);
    EXPECT_EQ(pdata.PendingLength(), 0u) << bad.what;
    EXPECT_FALSE(pdata.MessageComplete()) << bad.what;
    EXPECT_EQ(pdata.MessageBuffer().Available(), 0u) << bad.what;
  }
}

TEST(PDataTFRead, FragmentsOfTheWrongKindOrContextAndOversizedPdusFail) {
  struct Case {
    const char* what;
    ExpectedMessage expected;
    Bytes body;
  };
  const Bytes some = Pattern(8);
  const std::vector<Case> cases = {
      {"data set where a command is due", ExpectedMessage::kCommand,
       PDataBody({PdvItem(1, 0x00, some)})},
      {"command where a data set is due", ExpectedMessage::kDataSet,
       PDataBody({PdvItem(1, 0x01, some)})},
      {"a command fragment continued as data set", ExpectedMessage::kAny,
       PDataBody({PdvItem(1, 0x01, some), PdvItem(1, 0x02, some)})},
      {"a message continued on another context", ExpectedMessage::kAny,
       PDataBody({PdvItem(1, 0x00, some), PdvItem(3, 0x02, some)})},
      {"a PDU longer than the maximum announced", ExpectedMessage::kAny,
       WireBuilder().U8(0).U32(16385).U32(16381).U8(1).U8(2).Zeros(16379).bytes()},
  };
  for (const Case& bad : cases) {
    Association association;
    ASSERT_TRUE(association.pair.Send(bad.body));
    PDataTF pdata;
    pdata.Expect(bad.expected);
    EXPECT_FALSE(pdata.ReadDynamic(association.buffer)) << bad.what;
    EXPECT_EQ(pdata.MessageBuffer().Available(), 0u) << bad.what;
  }
  Association association;
  ASSERT_TRUE(association.pair.Send(PDataBody({PdvItem(1, 0x01, some), PdvItem(1, 0x03, some)})));
  PDataTF pdata;
  pdata.Expect(ExpectedMessage::kCommand);
  EXPECT_TRUE(pdata.ReadDynamic(association.buffer)) << "a command in two fragments";
  EXPECT_TRUE(pdata.MessageComplete());
}

// 8 MiB in PDVs of one byte each, about 58 MiB on the wire: what is gathered stays near
// the message's own size, not a heap block per fragment.
TEST(PDataTFRead, OneByteFragmentsOfALargeMessageTakeAboutTheMessagesSize) {
  constexpr size_t kMessageSize = size_t{8} << 20;
  constexpr size_t kPdvsPerPdu = 2000;
  Association association;
  std::thread sender([&] {
    size_t sent = 0;
    while (sent < kMessageSize) {
      const size_t count = std::min(kPdvsPerPdu, kMessageSize - sent);
      WireBuilder pdu;
      pdu.U8(0x04).U8(0).U32(static_cast<uint32_t>(count * 7));
      for (size_t i = 0; i < count; ++i, ++sent) {
        const uint8_t header = sent + 1 == kMessageSize ? 0x02 : 0x00;
        pdu.U32(3).U8(1).U8(header).U8(static_cast<uint8_t>(sent % 251));
      }
      if (!association.pair.Send(pdu.bytes())) return;
    }
  });
  const size_t before = mallinfo2().uordblks;
  PDataTF pdata;
  uint8_t type = 0;
  while (!pdata.MessageComplete() && association.buffer.ReadByte(type) && type == 0x04 &&
         pdata.ReadDynamic(association.buffer)) {
  }
  const size_t held = mallinfo2().uordblks - before;
  sender.join();
  ASSERT_TRUE(pdata.MessageComplete());
  ASSERT_EQ(pdata.MessageBuffer().Available(), kMessageSize);
  EXPECT_LT(held, kMessageSize * 5 / 4) << "bytes held for an 8 MiB message";
  const Bytes message = TakeMessage(pdata);
  for (size_t i = 0; i < message.size(); i += 4099)
    ASSERT_EQ(message[i], i % 251) << "byte " << i;
}

TEST(PDataTFRead, ClearPendingForgetsThePduInProgress) {
  Association association;
  ASSERT_TRUE(association.pair.Send(
      PDataBody({PdvItem(1, 0x03, Pattern(4)), PdvItem(1, 0x02, Pattern(4))})));
  PDataTF pdata;
  ASSERT_TRUE(pdata.ReadDynamic(association.buffer));
  EXPECT_NE(pdata.PendingLength(), 0u);
  pdata.ClearPending();
  EXPECT_EQ(pdata.PendingLength(), 0u);
}

}  // namespace
}  // namespace norvane
