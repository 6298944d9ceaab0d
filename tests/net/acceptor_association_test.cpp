#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/log.hpp"
#include "net/acceptor_association.hpp"
#include "net/uids.hpp"
#include "scp/service_registry.hpp"
#include "support/peers.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using testing::AcceptContextItem;
using testing::AssociatePdu;
using testing::Bytes;
using testing::Hex;
using testing::ProposedContextItem;
using testing::Slice;
using testing::UserInformationItem;
using testing::WireBuilder;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kMR = "1.2.840.10008.5.1.4.1.1.4";
constexpr std::string_view kRTImage = "1.2.840.10008.5.1.4.1.1.481.1";

// Log texts without the date and time in front.
std::vector<std::string> LogTexts(const std::string& path) {
  std::vector<std::string> texts;
  const std::string log = testing::ReadFileText(path);
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    const size_t comma = line.find(", ");
    texts.push_back(comma == std::string::npos ? line : line.substr(comma + 2));
    at = end + 1;
  }
  return texts;
}

class Acceptor : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(dir_ / "assoc.log", 0); }
  void TearDown() override { SetLOG("", 0); }

  // Sends the request from the peer's end, runs the acceptor with the SCP's services and
  // collects its answer.
  bool Accept(const Bytes& request) { return Accept(request, services_.Policy()); }
  bool Accept(const Bytes& request, const AcceptorPolicy& policy) {
    pair_.Send(request);
    service_.SetReceiveTimeout(std::chrono::seconds(5));
    const bool result = service_.Accept(pair_.TakeOurs(), policy).Ok();
    answer_ = pair_.Drain(std::chrono::milliseconds(50));
    return result;
  }

  // The A-ASSOCIATE-AC the peer received, read back.
  AAssociateAC ReceivedAC() {
    Buffer buffer;
    buffer.SetInByteOrder(Buffer::kBigEndian);
    buffer.AppendIncoming(answer_);
    AAssociateAC ac;
    EXPECT_TRUE(ac.Read(buffer)) << Hex(answer_);
    EXPECT_EQ(ac.PduType(), 0x02);
    return ac;
  }

  std::vector<std::string> Log() const { return LogTexts(dir_ / "assoc.log"); }

  testing::TempDir dir_;
  const ServiceRegistry services_ = ScpServices(StoreSCPSettings{});
  AcceptorAssociation service_;
  // Declared after the service so that the peer's end closes first.
  testing::WirePair pair_;
  Bytes answer_;
};

Bytes Request(const Bytes& contexts) {
  const Bytes items = WireBuilder()
                          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
                          .Append(contexts)
                          .Append(UserInformationItem(65536, "1.2.3.4", "PEERNAME"))
                          .bytes();
  return AssociatePdu(0x01, "ANY-SCP         ", "ECHOSCU         ", items);
}

TEST_F(Acceptor, CtWithJpegLosslessAndImplicitIsAcceptedWithJpegLossless) {
  ASSERT_TRUE(Accept(
      Request(ProposedContextItem(1, kCT, {uid::kImplicitVRLittleEndian, uid::kJPEGLossless}))));
  const AAssociateAC ac = ReceivedAC();
  ASSERT_EQ(ac.PresentationContexts().size(), 1u);
  EXPECT_EQ(ac.PresentationContexts()[0].Result(), 0);
  EXPECT_EQ(ac.PresentationContexts()[0].TransferSyntax().Text(), uid::kJPEGLossless);
  EXPECT_EQ(service_.GetTransferSyntax(1), std::string(uid::kJPEGLossless));
  EXPECT_TRUE(service_.Connected());
  EXPECT_EQ(service_.PeerMaximumLength(), 65536u);
}

TEST_F(Acceptor, TransferSyntaxChoicePerSopClass) {
  const Bytes contexts =
      WireBuilder()
          .Append(ProposedContextItem(1, uid::kSecondaryCaptureImageStorage,
                                      {uid::kImplicitVRLittleEndian, uid::kJPEGBaseline}))
          .Append(ProposedContextItem(3, kCT, {uid::kImplicitVRLittleEndian, uid::kJPEGBaseline}))
          .Append(ProposedContextItem(5, uid::kUltrasoundMultiframeImageStorage,
                                      {uid::kJPEGLossless, uid::kJPEGBaseline}))
          .Append(ProposedContextItem(7, kMR, {uid::kExplicitVRLittleEndian, uid::kJPEGBaseline}))
          .Append(ProposedContextItem(9, kMR, {uid::kExplicitVRBigEndian, uid::kJPEGBaseline}))
          .Append(ProposedContextItem(11, uid::kVerification,
                                      {uid::kExplicitVRLittleEndian, uid::kImplicitVRLittleEndian}))
          .bytes();
  ASSERT_TRUE(Accept(Request(contexts)));
  const AAssociateAC ac = ReceivedAC();
  ASSERT_EQ(ac.PresentationContexts().size(), 6u);
  const std::string_view expected[] = {uid::kJPEGBaseline, uid::kImplicitVRLittleEndian,
                                       uid::kJPEGBaseline, uid::kExplicitVRLittleEndian,
                                       uid::kJPEGBaseline, uid::kImplicitVRLittleEndian};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(ac.PresentationContexts()[i].PresentationContextID(), 2 * i + 1);
    EXPECT_EQ(ac.PresentationContexts()[i].Result(), 0);
    EXPECT_EQ(ac.PresentationContexts()[i].TransferSyntax().Text(), expected[i]) << "context " << i;
  }
  for (const NegotiatedContext& context : service_.Contexts()) EXPECT_TRUE(context.Accepted());
}

TEST_F(Acceptor, ServedClassWithoutAnAcceptableSyntaxGetsResult4AndFails) {
  EXPECT_FALSE(
      Accept(Request(ProposedContextItem(1, kCT, {uid::kExplicitVRBigEndian, "1.2.3.4.5"}))));
  EXPECT_FALSE(service_.Connected());
  // 74 fixed bytes and the 25-byte application context come before the context item.
  const Bytes refused = {0x21, 0x00, 0x00, 0x08, 0x01, 0x00, 0x04, 0x00, 0x40, 0x00, 0x00, 0x00};
  ASSERT_GE(answer_.size(), 111u);
  EXPECT_EQ(Slice(answer_, 99, 12), refused) << Hex(answer_, 99, 12);
  const AAssociateAC ac = ReceivedAC();
  // Nothing was accepted, so the requester's own user information comes back.
  EXPECT_EQ(ac.UserInfo().ImplementationClassUID().Text(), "1.2.3.4");
  EXPECT_EQ(ac.UserInfo().ImplementationVersionName().Text(), "PEERNAME");
  EXPECT_EQ(ac.UserInfo().maximumLength.maximumLength, 65536u);
}

TEST_F(Acceptor, UnservedAbstractSyntaxGetsResult3AndServedOneWithoutSyntaxResult4) {
  constexpr std::string_view kUnknownSyntax = "1.2.826.0.1.3680043.2.4821.77.1";
  const Bytes contexts =
      WireBuilder()
          .Append(ProposedContextItem(1, kRTImage, {uid::kImplicitVRLittleEndian}))
          .Append(ProposedContextItem(3, "1.2.826.0.1.3680043.2.4821.77", {kUnknownSyntax}))
          .Append(ProposedContextItem(5, kCT, {kUnknownSyntax}))
          .Append(ProposedContextItem(7, uid::kVerification, {uid::kImplicitVRLittleEndian}))
          .bytes();
  ASSERT_TRUE(Accept(Request(contexts)));
  const AAssociateAC ac = ReceivedAC();
  ASSERT_EQ(ac.PresentationContexts().size(), 4u);
  const int results[] = {3, 3, 4, 0};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ac.PresentationContexts()[i].Result(), results[i]) << "context " << 2 * i + 1;
  }
  // Result byte of the first context item: 74 fixed bytes and the application context first.
  EXPECT_EQ(Slice(answer_, 99, 8), (Bytes{0x21, 0x00, 0x00, 0x08, 0x01, 0x00, 0x03, 0x00}))
      << Hex(answer_, 99, 8);
  EXPECT_EQ(ac.PresentationContexts()[0].TransferSyntax().Text(), "");
  EXPECT_EQ(service_.Contexts()[2].result, 4);
  EXPECT_EQ(service_.GetTransferSyntax(1), std::nullopt);
  EXPECT_EQ(service_.GetTransferSyntax(5), std::nullopt);
  // Something was accepted, so the user information is this system's own.
  EXPECT_EQ(ac.UserInfo().maximumLength.maximumLength, 16384u);
  EXPECT_EQ(ac.UserInfo().ImplementationClassUID().Text(), uid::kImplementationClass);
  EXPECT_EQ(ac.UserInfo().ImplementationVersionName().Text(), "VelmoraVista");
}

TEST_F(Acceptor, AnswerEchoesTitlesAndApplicationContext) {
  ASSERT_TRUE(
      Accept(Request(ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian}))));
  EXPECT_EQ(Slice(answer_, 10, 16), WireBuilder().Text("ANY-SCP         ").bytes());
  EXPECT_EQ(Slice(answer_, 26, 16), WireBuilder().Text("ECHOSCU         ").bytes());
  EXPECT_EQ(Slice(answer_, 74, 25), WireBuilder().UidItem(0x10, "1.2.840.10008.3.1.1.1").bytes());
}

TEST_F(Acceptor, TraceOfAnAcceptedAssociation) {
  service_.SetTrace(true);
  ASSERT_TRUE(
      Accept(Request(ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian}))));
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Called Ap. Title: ANY-SCP         ",
                       "Calling Ap. Title: ECHOSCU         ",
                       "Offered Presentation Context, Abstract Syntax: 1.2.840.10008.1.1",
                       "Offered Presentation Context, Transfer Syntax: 1.2.840.10008.1.2",
                   }));
}

TEST_F(Acceptor, NoTraceLinesWhenTraceIsOff) {
  EXPECT_FALSE(Accept(Request(ProposedContextItem(1, kRTImage, {uid::kImplicitVRLittleEndian}))));
  EXPECT_TRUE(Log().empty());
}

TEST_F(Acceptor, TraceOfAnAssociationWithNothingAccepted) {
  service_.SetTrace(true);
  EXPECT_FALSE(Accept(Request(ProposedContextItem(1, kRTImage, {uid::kImplicitVRLittleEndian}))));
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Called Ap. Title: ANY-SCP         ",
                       "Calling Ap. Title: ECHOSCU         ",
                       "ERROR, InterogateAAsociateRQ Failed!",
                   }));
}

TEST_F(Acceptor, UnreadableRequestIsAnsweredWithAnAbort) {
  service_.SetTrace(true);
  const Bytes overrun = WireBuilder().U8(0x20).U8(0).U16(0x0100).U8(1).Zeros(3).bytes();
  EXPECT_FALSE(Accept(AssociatePdu(0x01, "ANY-SCP", "ECHOSCU", overrun)));
  EXPECT_FALSE(service_.Connected());
  EXPECT_EQ(answer_, (Bytes{0x07, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x06}))
      << Hex(answer_);
  EXPECT_EQ(Log(), (std::vector<std::string>{"ERROR, assocRQ.Read Failed!"}));
}

TEST_F(Acceptor, PeerClosingMidRequestFailsWithoutAnswer) {
  const Bytes request =
      Request(ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian}));
  pair_.Send(Slice(request, 0, 90));
  const int peer = pair_.peer();
  ::shutdown(peer, SHUT_WR);
  EXPECT_FALSE(service_.Accept(pair_.TakeOurs(), services_.Policy()));
  EXPECT_FALSE(service_.Connected());
  EXPECT_TRUE(pair_.Drain(std::chrono::milliseconds(50)).empty());
}

// The context look-up of the DIMSE senders, on contexts an acceptor that serves every class
// took.
class ContextLookup : public Acceptor {
 protected:
  bool AcceptAll(const std::vector<std::pair<uint8_t, std::string_view>>& proposed) {
    WireBuilder contexts;
    for (const auto& [id, abstractSyntax] : proposed) {
      contexts.Append(ProposedContextItem(id, abstractSyntax, {uid::kImplicitVRLittleEndian}));
    }
    AcceptorPolicy everything;
    everything.servesAbstractSyntax = [](std::string_view) { return true; };
    everything.chooseTransferSyntax = [](std::string_view, const std::vector<UIDitem>&) {
      return uid::kImplicitVRLittleEndian;
    };
    return Accept(Request(contexts.bytes()), everything);
  }
};

TEST_F(ContextLookup, PrintMetaClassesStandForTheirMembers) {
  ASSERT_TRUE(AcceptAll({{1, uid::kBasicGrayscalePrintManagementMeta}}));
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicFilmBox), 1);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kPrinter), 1);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicFilmSession), 1);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicGrayscaleImageBox), 1);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicColorImageBox), 0);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicGrayscalePrintManagementMeta), 1);
}

TEST_F(ContextLookup, ColourMetaContextMatchesOnlyItsMembers) {
  ASSERT_TRUE(AcceptAll({{3, uid::kBasicColorPrintManagementMeta}}));
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicColorImageBox), 3);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicFilmSession), 3);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicGrayscaleImageBox), 0);
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicColorPrintManagementMeta), 0);
}

TEST_F(ContextLookup, LastMetaMatchOrFirstExactMatchWins) {
  ASSERT_TRUE(AcceptAll({{1, uid::kBasicGrayscalePrintManagementMeta},
                         {3, uid::kBasicColorPrintManagementMeta},
                         {5, kCT},
                         {7, kCT}}));
  EXPECT_EQ(service_.GetPresentationContextID(uid::kBasicFilmBox), 3);
  EXPECT_EQ(service_.GetPresentationContextID(kCT), 5);
  EXPECT_EQ(service_.GetPresentationContextID(kMR), 0);
  EXPECT_EQ(service_.GetTransferSyntax(9), std::nullopt);
}

TEST_F(ContextLookup, TraceNamesTheClassAndEveryContextWalked) {
  ASSERT_TRUE(AcceptAll({{1, kCT}, {3, kMR}}));
  service_.SetTrace(true);
  EXPECT_EQ(service_.GetPresentationContextID(kCT), 1);
  EXPECT_EQ(service_.GetPresentationContextID(kMR), 3);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "SOP Class UID: 1.2.840.10008.5.1.4.1.1.2",
                       "GetPresentationContextID: 1.2.840.10008.5.1.4.1.1.2",
                       "SOP Class UID: 1.2.840.10008.5.1.4.1.1.4",
                       "GetPresentationContextID: 1.2.840.10008.5.1.4.1.1.2",
                       "GetPresentationContextID: 1.2.840.10008.5.1.4.1.1.4",
                   }));
}

}  // namespace
}  // namespace norvane
