#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "dimse/dimse_exchange.hpp"
#include "net/acceptor_association.hpp"
#include "net/pdu_layout.hpp"
#include "net/requester_association.hpp"
#include "net/uids.hpp"
#include "scp/service_registry.hpp"
#include "support/peers.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::WireBuilder;

constexpr std::string_view kCTImageStorage = "1.2.840.10008.5.1.4.1.1.2";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class DcmtkPeer : public ::testing::Test {
 protected:
  void SetUp() override { NORVANE_REQUIRE_PROGRAMS("storescp", "echoscu"); }
  testing::TempDir dir_;
};

TEST_F(DcmtkPeer, StorescpSeesOurTitlesIdentityAndACleanRelease) {
  const uint16_t port = testing::FreePort();
  testing::PeerProcess storescp;
  const std::string log = dir_ / "storescp.log";
  ASSERT_TRUE(storescp.Start(
      {"storescp", "-d", "-aet", "STORESCP", "-od", dir_.path().string(), std::to_string(port)},
      log));
  ASSERT_TRUE(testing::WaitForEcho(port, "STORESCP")) << storescp.Log();

  RequesterAssociation service;
  ASSERT_TRUE(service.Propose(
      "NORVANESCU", "STORESCP",
      {{std::string(uid::kVerification), {std::string(uid::kImplicitVRLittleEndian)}}}));
  ASSERT_TRUE(service.Connect("127.0.0.1", std::to_string(port))) << storescp.Log();
  EXPECT_EQ(service.GetTransferSyntax(1), std::string(uid::kImplicitVRLittleEndian));
  EXPECT_EQ(service.PeerMaximumLength(), 16384u);
  EXPECT_EQ(service.Peer().implementationVersionName.rfind("OFFIS_DCMTK", 0), 0u)
      << service.Peer().implementationVersionName;
  EXPECT_TRUE(service.ReleaseAssociation());
  EXPECT_FALSE(service.Connected());

  // The echo probes above made associations of their own; ours is the last one.
  std::string text;
  for (int i = 0; i < 50; ++i) {
    text = storescp.Log();
    const size_t ours = text.find("Calling Application Name:    NORVANESCU");
    if (ours != std::string::npos && text.find("Association Release", ours) != std::string::npos) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const size_t ours = text.find("Calling Application Name:    NORVANESCU");
  ASSERT_NE(ours, std::string::npos) << text;
  const std::string association = text.substr(text.rfind("BEGIN A-ASSOCIATE-RQ", ours));
  EXPECT_TRUE(Contains(association, "Called Application Name:     STORESCP")) << association;
  EXPECT_TRUE(
      Contains(association, "Their Implementation Class UID:    1.2.826.0.1.3680043.2.4821.999"))
      << association;
  EXPECT_TRUE(Contains(association, "Their Implementation Version Name: VelmoraVista"))
      << association;
  EXPECT_TRUE(Contains(association, "Their Max PDU Receive Size:  16384")) << association;
  EXPECT_TRUE(Contains(association, "Context ID:        1 (Accepted)")) << association;
  EXPECT_TRUE(Contains(association, "I: Association Release")) << association;
  EXPECT_FALSE(Contains(association, "Abort")) << association;
  EXPECT_FALSE(Contains(association, "E: ")) << association;
}

TEST_F(DcmtkPeer, EchoscuIsAcceptedByOurAcceptor) {
  Socket listener;
  ASSERT_TRUE(listener.ListenOnPort(0, true));
  const uint16_t port = listener.LocalPort();

  const ServiceRegistry services = ScpServices(StoreSCPSettings{});
  bool accepted = false;
  bool echoAnswered = false;
  bool released = false;
  std::thread acceptor([&] {
    if (!listener.Accept()) return;
    AcceptorAssociation service;
    service.SetReceiveTimeout(std::chrono::seconds(20));
    accepted = service.Accept(listener.ReleaseConnection(), services.Policy()).Ok();
    if (!accepted) return;
    // The C-ECHO-RQ arrives as P-DATA-TF; it is answered on its context.
    const ReceivedCommand request = ReceiveCommand(service);
    echoAnswered =
        request && SendCommand(service, request.contextID, ResponseTo(request.command, 0));
    TagList next;
    const MessageRead end = service.ReadMessage(next);
    released = end.failure == ServiceFailure::kNoResponse && !service.Connected();
  });

  const testing::RunResult echo = testing::RunProgram(
      {"echoscu", "-d", "-aet", "ECHOSCU", "-aec", "NORVANESCP", "127.0.0.1", std::to_string(port)},
      std::chrono::seconds(60));
  listener.StopListening();
  acceptor.join();

  EXPECT_TRUE(accepted);
  EXPECT_TRUE(echoAnswered);
  EXPECT_TRUE(released);
  EXPECT_EQ(echo.exitCode, 0) << echo.output;
  const std::string& out = echo.output;
  EXPECT_TRUE(Contains(out, "BEGIN A-ASSOCIATE-AC")) << out;
  EXPECT_TRUE(Contains(out, "Their Implementation Class UID:    1.2.826.0.1.3680043.2.4821.999"))
      << out;
  EXPECT_TRUE(Contains(out, "Their Implementation Version Name: VelmoraVista")) << out;
  EXPECT_TRUE(Contains(out, "Context ID:        1 (Accepted)")) << out;
  EXPECT_TRUE(Contains(out, "Accepted Transfer Syntax: =LittleEndianImplicit")) << out;
  EXPECT_TRUE(Contains(out, "Received Echo Response (Success)")) << out;
}

TEST_F(DcmtkPeer, StorescuProposalGetsJpegLosslessForCtAndResult3ForTheUnserved) {
  NORVANE_REQUIRE_PROGRAMS("storescu");
  Socket listener;
  ASSERT_TRUE(listener.ListenOnPort(0, true));
  const uint16_t port = listener.LocalPort();

  const ServiceRegistry services = ScpServices(StoreSCPSettings{});
  bool accepted = false;
  size_t proposed = 0;
  std::optional<std::string> ctSyntax;
  std::thread acceptor([&] {
    if (!listener.Accept()) return;
    AcceptorAssociation service;
    service.SetReceiveTimeout(std::chrono::seconds(20));
    accepted = service.Accept(listener.ReleaseConnection(), services.Policy()).Ok();
    proposed = service.Contexts().size();
    ctSyntax = service.GetTransferSyntax(service.GetPresentationContextID(kCTImageStorage));
    // Only the negotiation is under test here: wait for storescu's next message, so that
    // closing does not reset the connection before the answer was read.
    TagList next;
    (void)service.ReadMessage(next);
    service.AbortAssociation();
  });

  const testing::RunResult store =
      testing::RunProgram({"storescu", "-d", "-xs", "-aet", "STORESCU", "-aec", "NORVANESCP",
                           "127.0.0.1", std::to_string(port), testing::PydicomFile("CT_small.dcm")},
                          std::chrono::seconds(60));
  listener.StopListening();
  acceptor.join();

  EXPECT_TRUE(accepted) << store.output;
  EXPECT_GT(proposed, 50u) << "storescu proposes every storage class it knows";
  EXPECT_EQ(ctSyntax, std::string(uid::kJPEGLossless));
  const std::string& out = store.output;
  const size_t ac = out.find("BEGIN A-ASSOCIATE-AC");
  ASSERT_NE(ac, std::string::npos) << out;
  const size_t ct = out.find("Abstract Syntax: =CTImageStorage", ac);
  ASSERT_NE(ct, std::string::npos) << out.substr(ac);
  const size_t next = out.find("Context ID:", ct);
  const std::string ctPart = out.substr(ct, next - ct);
  EXPECT_TRUE(Contains(
      ctPart, "Accepted Transfer Syntax: =JPEGLossless:Non-hierarchical-1stOrderPrediction"))
      << ctPart;
  EXPECT_TRUE(Contains(out.substr(ac), "(Abstract Syntax Not Supported)")) << out.substr(ac);
  EXPECT_FALSE(Contains(out.substr(ac), "(Transfer Syntaxes Not Supported)")) << out.substr(ac);
}

}  // namespace
}  // namespace norvane
