#include "net/association_entry.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "message_fixture.hpp"
#include "net/uids.hpp"
#include "support/scripted_peer.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;

using Syntaxes = std::vector<std::string>;

const std::string kImplicit(uid::kImplicitVRLittleEndian);
const std::string kExplicit(uid::kExplicitVRLittleEndian);
const std::string kLossless(uid::kJPEGLossless);

// What an open sends: the A-ASSOCIATE-RQ, read by a peer that then closes without answer.
struct Proposal {
  ServiceResult opened;
  std::string callingTitle;
  Syntaxes syntaxes;  // of the single presentation context, ID 1
};

Proposal Proposed(const std::function<ServiceResult(const AssociationParameters&)>& open,
                  AssociationParameters peer) {
  Bytes request;
  testing::ScriptedAcceptor acceptor([&](int fd) { request = testing::ReadPdu(fd); });
  peer.port = acceptor.Port();
  Proposal proposal;
  proposal.opened = open(peer);
  acceptor.Join();
  if (request.size() < 74) return proposal;
  proposal.callingTitle = std::string(request.begin() + 26, request.begin() + 42);
  const auto contexts = testing::ProposedContexts(request);
  EXPECT_EQ(contexts.size(), 1u);
  if (contexts.empty()) return proposal;
  EXPECT_EQ(contexts[0].id, 1);
  proposal.syntaxes = contexts[0].transferSyntaxes;
  return proposal;
}

std::string ClosedPort() {
  return std::to_string(testing::FreePort());
}

TEST(OpenAssoc, ProposesTheGivenSyntaxThenImplicitLittleEndianNeverTwice) {
  const struct {
    std::string_view given;
    Syntaxes proposed;
  } cases[] = {
      {"", {kImplicit}},
      {uid::kImplicitVRLittleEndian, {kImplicit}},
      {uid::kExplicitVRLittleEndian, {kExplicit, kImplicit}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.given));
    RequesterAssociation pdu;
    const Proposal proposal = Proposed(
        [&](const AssociationParameters& peer) {
          return OpenAssoc(pdu, peer, uid::kVerification, c.given);
        },
        testing::LoopbackPeer("", "PEER", "ME"));
    EXPECT_EQ(proposal.opened.failure, ServiceFailure::kNoResponse) << proposal.opened.reason;
    EXPECT_EQ(proposal.syntaxes, c.proposed);
    EXPECT_EQ(proposal.callingTitle, "ME              ");
    EXPECT_FALSE(pdu.Connected());
    EXPECT_TRUE(CloseAssoc(pdu)) << "closing after a failed open is safe";
  }
}

TEST(OpenAssoc, OverlongUidIsRefusedBeforeConnecting) {
  RequesterAssociation pdu;
  const ServiceResult opened =
      OpenAssoc(pdu, testing::LoopbackPeer(ClosedPort(), "PEER", "ME"), std::string(65, '1'));
  EXPECT_EQ(opened.failure, ServiceFailure::kLocal) << "not even a connection was tried";
}

TEST(OpenAssoc, EmptyCallingTitleBecomesTheDefaultAndTimeOutsAreTaken) {
  RequesterAssociation pdu;
  EXPECT_FALSE(pdu.Trace());
  AssociationParameters peer = testing::LoopbackPeer("", "PEER");
  peer.timeouts = {std::chrono::seconds(1), std::chrono::seconds(2), std::chrono::seconds(3)};
  const Proposal proposal = Proposed(
      [&](const AssociationParameters& p) { return OpenAssoc(pdu, p, uid::kVerification); }, peer);
  EXPECT_FALSE(proposal.opened);
  EXPECT_EQ(proposal.callingTitle, "KAVORN          ");
  EXPECT_EQ(pdu.Timeouts().acse, std::chrono::seconds(2));
  EXPECT_EQ(pdu.Timeouts().dimse, std::chrono::seconds(3));
}

TEST(OpenAssoc_Ex, PreferredThenFileSyntaxThenImplicitLittleEndian) {
  const struct {
    std::string_view file;
    std::string_view preferred;
    Syntaxes proposed;
  } cases[] = {
      {"", "", {kImplicit}},
      {uid::kExplicitVRLittleEndian, "", {kExplicit, kImplicit}},
      {"", uid::kJPEGLossless, {kLossless, kImplicit}},
      {uid::kExplicitVRLittleEndian, uid::kJPEGLossless, {kLossless, kExplicit, kImplicit}},
      {uid::kJPEGLossless, uid::kJPEGLossless, {kLossless, kImplicit}},
      {uid::kExplicitVRLittleEndian, uid::kImplicitVRLittleEndian, {kExplicit, kImplicit}},
      {uid::kImplicitVRLittleEndian, uid::kImplicitVRLittleEndian, {kImplicit}},
      {uid::kImplicitVRLittleEndian, uid::kExplicitVRLittleEndian, {kExplicit, kImplicit}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("file " + std::string(c.file) + ", preferred " + std::string(c.preferred));
    RequesterAssociation pdu;
    const Proposal proposal = Proposed(
        [&](const AssociationParameters& peer) {
          return OpenAssoc_Ex(pdu, peer, testing::kCTImageStorageUid, c.file, c.preferred);
        },
        testing::LoopbackPeer("", "PEER"));
    EXPECT_FALSE(proposal.opened);
    EXPECT_EQ(proposal.syntaxes, c.proposed);
    EXPECT_EQ(proposal.callingTitle, "KAVORN          ");
  }
}

TEST(OpenAssoc, DestroyingTheHandleReleasesAnOpenAssociationFirst) {
  Bytes release;
  testing::ScriptedAcceptor peer([&](int fd) {
    testing::ReadPdu(fd);
    testing::SendAll(fd, testing::AcceptingAnswer(uid::kImplicitVRLittleEndian));
    release = testing::ReadExactly(fd, 10);
    testing::SendAll(fd, {0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00});
  });
  auto pdu = std::make_unique<RequesterAssociation>();
  ASSERT_TRUE(
      OpenAssoc(*pdu, testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), uid::kVerification));
  EXPECT_TRUE(pdu->Connected());
  pdu.reset();
  peer.Join();
  EXPECT_EQ(release, (Bytes{0x05, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}))
      << Hex(release);
}

}  // namespace
}  // namespace norvane
