#include <gtest/gtest.h>

#include <string>

#include "net/associate_rj.hpp"
#include "net/associate_rq_ac.hpp"
#include "net/pdu_layout.hpp"
#include "net/uids.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using testing::BigEndian16;
using testing::BigEndian32;
using testing::Bytes;
using testing::Hex;
using testing::Slice;
using testing::WireBuilder;

constexpr std::string_view kClassUID = "1.2.826.0.1.3680043.2.4821.999";

// A big-endian buffer over one end of a socket pair.
struct Wire {
  Wire() {
    buffer.socket().AdoptConnection(pair.TakeOurs());
    buffer.SetInByteOrder(Buffer::kBigEndian);
    buffer.SetOutByteOrder(Buffer::kBigEndian);
  }
  testing::WirePair pair;
  Buffer buffer;
};

template <class Unit>
Bytes Written(Unit& unit) {
  Wire wire;
  EXPECT_TRUE(unit.Write(wire.buffer));
  return wire.pair.Drain(std::chrono::milliseconds(50));
}

AAssociateRQ EchoProposal(std::string_view versionName) {
  AAssociateRQ rq;
  rq.SetCalledApTitle("STORE1");
  rq.SetCallingApTitle("KAVORN          ");
  PresentationContext context;
  context.SetPresentationContextID(1);
  context.SetAbstractSyntax(uid::kVerification);
  context.AddTransferSyntax(uid::kImplicitVRLittleEndian);
  rq.AddPresentationContext(std::move(context));
  rq.UserInfo().maximumLength.maximumLength = 16384;
  rq.UserInfo().SetImplementationClassUID(kClassUID);
  rq.UserInfo().SetImplementationVersionName(versionName);
  return rq;
}

TEST(AssociateRqBytes, FixedPartTitlesAndLengths) {
  AAssociateRQ rq = EchoProposal("VelmoraVista");
  const Bytes wire = Written(rq);
  // 74 fixed + application context 25 + presentation context 50 + user information 62.
  ASSERT_EQ(wire.size(), 211u) << Hex(wire);
  EXPECT_EQ(wire[0], 0x01);
  EXPECT_EQ(wire[1], 0x00);
  EXPECT_EQ(BigEndian32(wire, 2), 205u);
  EXPECT_EQ(BigEndian16(wire, 6), 0x0001) << "protocol version";
  EXPECT_EQ(BigEndian16(wire, 8), 0x0000);
  const Bytes called = WireBuilder().Text("STORE1          ").bytes();
  EXPECT_EQ(Slice(wire, 10, 16), called) << "called title: " << Hex(wire, 10, 16);
  const Bytes calling = WireBuilder().Text("KAVORN          ").bytes();
  EXPECT_EQ(Slice(wire, 26, 16), calling) << "calling title: " << Hex(wire, 26, 16);
  EXPECT_EQ(Slice(wire, 42, 32), Bytes(32, 0));
}

TEST(AssociateTitles, ArePaddedWithSpacesToSixteenInRequestAndAnswer) {
  const struct {
    std::string title;
    std::string field;
  } cases[] = {
      {"STORE1", "STORE1          "},
      {"", "                "},
      {"EXACTLY16CHARSAE", "EXACTLY16CHARSAE"},
      {"SEVENTEEN_CHARS_X", "SEVENTEEN_CHARS_"},
      {"ODD", "ODD             "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.title + "'");
    AAssociateRQ rq = EchoProposal("");
    rq.SetCalledApTitle(c.title);
    rq.SetCallingApTitle(c.title);
    AAssociateAC ac;
    ac.SetCalledApTitle(c.title);
    ac.SetCallingApTitle(c.title);
    for (const Bytes& wire : {Written(rq), Written(ac)}) {
      EXPECT_EQ(Slice(wire, 10, 16), WireBuilder().Text(c.field).bytes()) << Hex(wire, 10, 16);
      EXPECT_EQ(Slice(wire, 26, 16), WireBuilder().Text(c.field).bytes()) << Hex(wire, 26, 16);
    }
  }
}

TEST(AssociateRqBytes, ItemsInOrder) {
  AAssociateRQ rq = EchoProposal("VelmoraVista");
  const Bytes wire = Written(rq);
  const Bytes items = WireBuilder()
                          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
                          .U8(0x20)
                          .U8(0)
                          .U16(46)
                          .U8(1)
                          .Zeros(3)
                          .UidItem(0x30, "1.2.840.10008.1.1")
                          .UidItem(0x40, "1.2.840.10008.1.2")
                          .U8(0x50)
                          .U8(0)
                          .U16(58)
                          .U8(0x51)
                          .U8(0)
                          .U16(4)
                          .U32(16384)
                          .UidItem(0x52, kClassUID)
                          .UidItem(0x55, "VelmoraVista")
                          .bytes();
  EXPECT_EQ(Slice(wire, 74, 1000), items) << "items: " << Hex(wire, 74);
}

TEST(AssociateRqBytes, UserInformationWithoutVersionNameHasNoNameSubItem) {
  AAssociateRQ rq = EchoProposal("");
  EXPECT_EQ(rq.UserInfo().Size(), 4u + 8u + (kClassUID.size() + 4));
  const Bytes wire = Written(rq);
  ASSERT_EQ(wire.size(), 74u + 25u + 50u + 46u);
  EXPECT_EQ(BigEndian32(wire, 2), 74u + 25u + 50u + 46u - 6u);
  EXPECT_EQ(Slice(wire, 149, 4), (Bytes{0x50, 0x00, 0x00, 42}));
  EXPECT_EQ(wire[wire.size() - kClassUID.size() - 4], 0x52) << "the class UID is the last item";
}

TEST(AssociateItemSizes, ApplicationContextAndTransferSyntaxItems) {
  AAssociateRQ rq;
  EXPECT_EQ(rq.ApplicationContext().Text(), uid::kApplicationContext);
  EXPECT_EQ(rq.ApplicationContext().Size(), 25u);
  UIDitem ts(kItemTransferSyntax);
  ts.SetText(uid::kImplicitVRLittleEndian);
  EXPECT_EQ(ts.Size(), 21u);
  EXPECT_EQ(ts.Length(), 17u);
}

TEST(AssociateItemSizes, OddUidLengthStaysOddOnTheWire) {
  UIDitem item(0x40);
  item.SetText("1.2.3");
  EXPECT_EQ(Written(item), (Bytes{0x40, 0x00, 0x00, 0x05, '1', '.', '2', '.', '3'}));
}

TEST(AssociateItemSizes, UidTextsOver64CharactersAreRefused) {
  UIDitem item(0x40);
  EXPECT_TRUE(item.SetText(std::string(64, '1')));
  EXPECT_FALSE(item.SetText(std::string(65, '1')));
  EXPECT_EQ(item.Text().size(), 64u);
}

TEST(AssociateAcBytes, AcceptedAndRefusedContexts) {
  AAssociateAC ac;
  ac.SetCalledApTitle("STORESCP");
  ac.SetCallingApTitle("ECHOSCU");
  PresentationContextAccept accepted(1);
  accepted.SetResult(0);
  accepted.SetTransferSyntax(uid::kImplicitVRLittleEndian);
  PresentationContextAccept refused(3);
  refused.SetResult(4);
  refused.SetAbstractSyntax("1.2.840.10008.5.1.4.1.1.2");
  ac.AddPresentationContext(accepted);
  ac.AddPresentationContext(refused);
  ac.UserInfo().maximumLength.maximumLength = 16384;
  ac.UserInfo().SetImplementationClassUID(kClassUID);
  const Bytes wire = Written(ac);
  ASSERT_EQ(wire.size(), 74u + 25u + 29u + 12u + 46u) << Hex(wire);
  EXPECT_EQ(wire[0], 0x02);
  EXPECT_EQ(BigEndian32(wire, 2), wire.size() - 6);
  const Bytes contexts = WireBuilder()
                             .U8(0x21)
                             .U8(0)
                             .U16(25)
                             .U8(1)
                             .U8(0)
                             .U8(0)
                             .U8(0)
                             .UidItem(0x40, "1.2.840.10008.1.2")
                             .U8(0x21)
                             .U8(0)
                             .U16(8)
                             .U8(3)
                             .U8(0)
                             .U8(4)
                             .U8(0)
                             .U8(0x40)
                             .U8(0)
                             .U16(0)
                             .bytes();
  EXPECT_EQ(Slice(wire, 99, contexts.size()), contexts) << Hex(wire, 99, contexts.size());
}

// An A-ASSOCIATE-AC body (after the type byte) around the given items.
Bytes AcBody(const Bytes& items, int lengthAdjust = 0) {
  return WireBuilder()
      .U8(0)
      .U32(static_cast<uint32_t>(68 + static_cast<int>(items.size()) + lengthAdjust))
      .U16(1)
      .U16(0)
      .Title("STORESCP        ")
      .Title("NORVANE")
      .Zeros(32)
      .Append(items)
      .bytes();
}

Bytes AcceptItem(uint8_t id, uint8_t result, std::string_view ts) {
  return WireBuilder()
      .U8(0x21)
      .U8(0)
      .U16(static_cast<uint16_t>(8 + ts.size()))
      .U8(id)
      .U8(0)
      .U8(result)
      .U8(0)
      .UidItem(0x40, ts)
      .bytes();
}

Bytes OwnUserInformation() {
  return WireBuilder()
      .U8(0x50)
      .U8(0)
      .U16(static_cast<uint16_t>(8 + 4 + kClassUID.size()))
      .U8(0x51)
      .U8(0)
      .U16(4)
      .U32(32768)
      .UidItem(0x52, kClassUID)
      .bytes();
}

TEST(AssociateReaders, AcIsReadWithTitlesContextsAndUserInformation) {
  Wire wire;
  const Bytes items = WireBuilder()
                          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
                          .Append(AcceptItem(1, 0, "1.2.840.10008.1.2"))
                          .Append(AcceptItem(3, 3, ""))
                          .Append(OwnUserInformation())
                          .bytes();
  ASSERT_TRUE(wire.pair.Send(WireBuilder().U8(0x02).Append(AcBody(items)).bytes()));
  AAssociateAC ac;
  ASSERT_TRUE(ac.Read(wire.buffer));
  EXPECT_EQ(ac.CalledApTitle(), "STORESCP        ") << "trailing blanks are part of it";
  EXPECT_EQ(ac.CallingApTitle(), "NORVANE") << "zero bytes end it";
  ASSERT_EQ(ac.PresentationContexts().size(), 2u);
  EXPECT_EQ(ac.PresentationContexts()[0].PresentationContextID(), 1);
  EXPECT_EQ(ac.PresentationContexts()[0].Result(), 0);
  EXPECT_EQ(ac.PresentationContexts()[0].TransferSyntax().Text(), uid::kImplicitVRLittleEndian);
  EXPECT_EQ(ac.PresentationContexts()[1].Result(), 3);
  EXPECT_EQ(ac.UserInfo().maximumLength.maximumLength, 32768u);
  EXPECT_EQ(ac.UserInfo().ImplementationClassUID().Text(), kClassUID);
  EXPECT_EQ(wire.buffer.Available(), 0u);
}

TEST(AssociateReaders, AcWithUnknownItemKeepsEarlierContextsAndSkipsTheRest) {
  Wire wire;
  const Bytes items = WireBuilder()
                          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
                          .Append(AcceptItem(1, 0, "1.2.840.10008.1.2"))
                          .UidItem(0x77, "whatever this is")
                          .Append(AcceptItem(3, 0, "1.2.840.10008.1.2.1"))
                          .Append(OwnUserInformation())
                          .bytes();
  ASSERT_TRUE(wire.pair.Send(WireBuilder().Append(AcBody(items)).U8(0xEE).bytes()));
  AAssociateAC ac;
  EXPECT_TRUE(ac.ReadDynamic(wire.buffer));
  ASSERT_EQ(ac.PresentationContexts().size(), 1u);
  EXPECT_EQ(ac.PresentationContexts()[0].PresentationContextID(), 1);
  EXPECT_EQ(ac.UserInfo().ImplementationClassUID().Text(), "") << "read after the unknown item";
  uint8_t next = 0;
  ASSERT_TRUE(wire.buffer.ReadByte(next));
  EXPECT_EQ(next, 0xEE) << "the rest of the PDU was skipped exactly";
}

TEST(AssociateReaders, AcWithoutTransferSyntaxSubItemReadsAsEmpty) {
  Wire wire;
  const Bytes items = WireBuilder().U8(0x21).U8(0).U16(4).U8(5).U8(0).U8(4).U8(0).bytes();
  ASSERT_TRUE(wire.pair.Send(AcBody(items)));
  AAssociateAC ac;
  ASSERT_TRUE(ac.ReadDynamic(wire.buffer));
  ASSERT_EQ(ac.PresentationContexts().size(), 1u);
  EXPECT_EQ(ac.PresentationContexts()[0].TransferSyntax().Text(), "");
}

struct BadPdu {
  const char* what;
  Bytes body;
};

TEST(AssociateReaders, LengthsThatDoNotFitFailTheRead) {
  const Bytes context = AcceptItem(1, 0, "1.2.840.10008.1.2");
  const std::vector<BadPdu> cases = {
      {"PDU length below the fixed part",
       WireBuilder().U8(0).U32(67).U16(1).U16(0).Zeros(200).bytes()},
      {"PDU length one short of the items", AcBody(context, -1)},
      {"PDU length beyond the items by a partial header",
       WireBuilder()
           .Append(AcBody(WireBuilder().Append(context).U8(0x10).U8(0).bytes(), 0))
           .bytes()},
      {"item length beyond the PDU",
       AcBody(WireBuilder().U8(0x21).U8(0).U16(0xFFFF).U8(1).Zeros(3).bytes())},
      {"item length below its fixed part",
       AcBody(WireBuilder().U8(0x21).U8(0).U16(2).U8(1).U8(0).bytes())},
      {"sub-item overruns its item",
       AcBody(WireBuilder().U8(0x21).U8(0).U16(8).U8(1).Zeros(3).UidItem(0x40, "1.2").bytes())},
      {"UID text over 64 characters",
       AcBody(WireBuilder().UidItem(0x10, std::string(65, '1')).bytes())},
      {"maximum length sub-item of length 2",
       AcBody(WireBuilder().U8(0x50).U8(0).U16(6).U8(0x51).U8(0).U16(2).U16(0).bytes())},
      {"user information longer than the PDU",
       AcBody(WireBuilder().U8(0x50).U8(0).U16(100).Zeros(10).bytes())},
  };
  for (const BadPdu& bad : cases) {
    Wire wire;
    ASSERT_TRUE(wire.pair.Send(bad.body));
    wire.pair.ClosePeer();
    AAssociateAC ac;
    EXPECT_FALSE(ac.ReadDynamic(wire.buffer)) << bad.what << ": " << Hex(bad.body);
  }
}

TEST(AssociateReaders, PeerClosingMidPduFailsTheRead) {
  Wire wire;
  const Bytes full = AcBody(AcceptItem(1, 0, "1.2.840.10008.1.2"));
  for (size_t cut : {size_t{3}, size_t{40}, full.size() - 1}) {
    Wire w;
    ASSERT_TRUE(w.pair.Send(Slice(full, 0, cut)));
    w.pair.ClosePeer();
    AAssociateAC ac;
    EXPECT_FALSE(ac.ReadDynamic(w.buffer)) << "cut after " << cut << " bytes";
  }
}

Bytes RqBody(const Bytes& items) {
  return WireBuilder()
      .U8(0)
      .U32(static_cast<uint32_t>(68 + items.size()))
      .U16(1)
      .U16(0)
      .Title("NORVANE")
      .Title("ECHOSCU         ")
      .Zeros(32)
      .Append(items)
      .bytes();
}

Bytes ProposedItem(uint8_t id, std::string_view abstractSyntax,
                   const std::vector<std::string_view>& transferSyntaxes) {
  WireBuilder sub;
  sub.UidItem(0x30, abstractSyntax);
  for (std::string_view ts : transferSyntaxes)
    sub.UidItem(0x40, ts);
  return WireBuilder()
      .U8(0x20)
      .U8(0)
      .U16(static_cast<uint16_t>(4 + sub.size()))
      .U8(id)
      .Zeros(3)
      .Append(sub.bytes())
      .bytes();
}

TEST(AssociateReaders, RqContextsKeepTheirTransferSyntaxesInOrder) {
  Wire wire;
  const Bytes items = WireBuilder()
                          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
                          .Append(ProposedItem(1, "1.2.840.10008.5.1.4.1.1.2",
                                               {"1.2.840.10008.1.2.4.70",
                                                std::string_view("1.2.840.10008.1.2\0", 18)}))
                          .Append(ProposedItem(3, "1.2.840.10008.1.1", {"1.2.840.10008.1.2"}))
                          .bytes();
  ASSERT_TRUE(wire.pair.Send(WireBuilder().U8(0x01).Append(RqBody(items)).bytes()));
  AAssociateRQ rq;
  ASSERT_TRUE(rq.Read(wire.buffer));
  ASSERT_EQ(rq.PresentationContexts().size(), 2u);
  const PresentationContext& ct = rq.PresentationContexts()[0];
  EXPECT_EQ(ct.PresentationContextID(), 1);
  EXPECT_EQ(ct.AbstractSyntax().Text(), "1.2.840.10008.5.1.4.1.1.2");
  ASSERT_EQ(ct.TransferSyntaxes().size(), 2u);
  EXPECT_EQ(ct.TransferSyntaxes()[0].Text(), uid::kJPEGLossless);
  EXPECT_EQ(ct.TransferSyntaxes()[1].Text(), uid::kImplicitVRLittleEndian)
      << "a NUL pad is not part of the compared text";
  EXPECT_EQ(ct.TransferSyntaxes()[1].Length(), 18u);
  EXPECT_EQ(rq.PresentationContexts()[1].PresentationContextID(), 3);
}

TEST(AssociateReaders, RqContextWithoutAbstractSyntaxFails) {
  Wire wire;
  ASSERT_TRUE(wire.pair.Send(RqBody(WireBuilder().U8(0x20).U8(0).U16(4).U8(1).Zeros(3).bytes())));
  AAssociateRQ rq;
  EXPECT_FALSE(rq.ReadDynamic(wire.buffer));
}

TEST(AssociateReaders, RqWithMoreThan128ContextsFails) {
  WireBuilder items;
  for (int i = 0; i < 129; ++i) {
    items.Append(ProposedItem(static_cast<uint8_t>(2 * i + 1), "1.2", {"1.2"}));
  }
  Wire wire;
  std::thread sender([&] { wire.pair.Send(RqBody(items.bytes())); });
  AAssociateRQ rq;
  EXPECT_FALSE(rq.ReadDynamic(wire.buffer));
  wire.pair.ClosePeer();
  sender.join();
}

TEST(AssociateReaders, UserInformationSkipsFromAnUnknownSubItemOn) {
  Wire wire;
  const Bytes info = WireBuilder()
                         .U8(0x50)
                         .U8(0)
                         .U16(8 + 9 + 8 + 19)
                         .U8(0x51)
                         .U8(0)
                         .U16(4)
                         .U32(65536)
                         .UidItem(0x52, "1.2.3")
                         .U8(0x53)
                         .U8(0)
                         .U16(4)
                         .U32(0)
                         .UidItem(0x55, "OFFIS_DCMTK_367")
                         .bytes();
  ASSERT_TRUE(wire.pair.Send(RqBody(info)));
  AAssociateRQ rq;
  ASSERT_TRUE(rq.ReadDynamic(wire.buffer));
  EXPECT_EQ(rq.UserInfo().maximumLength.maximumLength, 65536u);
  EXPECT_EQ(rq.UserInfo().ImplementationClassUID().Text(), "1.2.3");
  EXPECT_EQ(rq.UserInfo().SkippedBytes(), 8 + 19);
  EXPECT_EQ(rq.UserInfo().ImplementationVersionName().Text(), "");
}

TEST(AssociateReaders, RejectIsReadWithoutChecks) {
  Wire wire;
  ASSERT_TRUE(wire.pair.Send({0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x01, 0x07}));
  AAssociateRJ rj;
  EXPECT_EQ(rj.Result(), 1);
  EXPECT_EQ(rj.Source(), 3);
  ASSERT_TRUE(rj.ReadDynamic(wire.buffer));
  EXPECT_EQ(rj.Result(), 1);
  EXPECT_EQ(rj.Source(), 1);
  EXPECT_EQ(rj.Reason(), 7);
}

}  // namespace
}  // namespace norvane
