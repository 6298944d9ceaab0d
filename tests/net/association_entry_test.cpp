#include "net/association_entry.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_fixture.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;

using Syntaxes = std::vector<std::string>;

const std::string kImplicit(uid::kImplicitVRLittleEndian);
const std::string kExplicit(uid::kExplicitVRLittleEndian);
const std::string kLossless(uid::kJPEGLossless);

// The transfer syntaxes proposed in the single presentation context.
Syntaxes Proposed(PDU_Service& pdu) {
  Syntaxes texts;
  const auto& contexts = pdu.assocRQ().PresentationContexts();
  EXPECT_EQ(contexts.size(), 1u);
  if (contexts.empty()) return texts;
  EXPECT_EQ(contexts[0].PresentationContextID(), 1);
  for (const UIDitem& item : contexts[0].TransferSyntaxes())
    texts.emplace_back(item.Text());
  return texts;
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
    std::unique_ptr<PDU_Service> pdu = NewPDU();
    std::string calling = "ME";
    const ServiceResult opened =
        OpenAssoc(*pdu, "127.0.0.1", ClosedPort(), calling, "PEER", uid::kVerification, c.given);
    EXPECT_EQ(opened.failure, ServiceFailure::kConnection) << opened.reason;
    EXPECT_EQ(Proposed(*pdu), c.proposed);
    EXPECT_EQ(pdu->assocRQ().CallingApTitle(), "ME");
    EXPECT_FALSE(pdu->Connected());
    EXPECT_TRUE(CloseAssoc(*pdu)) << "closing after a failed open is safe";
    DeletePDU(std::move(pdu));
  }
}

TEST(OpenAssoc, OverlongUidIsRefusedBeforeConnecting) {
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  std::string calling = "ME";
  const ServiceResult opened =
      OpenAssoc(*pdu, "127.0.0.1", ClosedPort(), calling, "PEER", std::string(65, '1'));
  EXPECT_EQ(opened.failure, ServiceFailure::kLocal) << "not even a connection was tried";
}

TEST(OpenAssoc, EmptyCallingTitleBecomesTheDefaultAndIsWrittenBack) {
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  EXPECT_FALSE(pdu->Trace());
  std::string calling;
  EXPECT_FALSE(OpenAssoc(*pdu, "127.0.0.1", ClosedPort(), calling, "PEER", uid::kVerification));
  EXPECT_EQ(calling, "KAVORN          ");
  EXPECT_EQ(pdu->assocRQ().CallingApTitle(), "KAVORN          ");
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
    std::unique_ptr<PDU_Service> pdu = NewPDU();
    std::string calling;
    EXPECT_FALSE(OpenAssoc_Ex(*pdu, "127.0.0.1", ClosedPort(), calling, "PEER",
                              testing::kCTImageStorageUid, c.file, c.preferred));
    EXPECT_EQ(Proposed(*pdu), c.proposed);
    EXPECT_EQ(calling, "KAVORN          ");
  }
}

TEST(DeletePDU, NullHandleIsIgnoredAndAnOpenAssociationIsReleasedFirst) {
  DeletePDU(nullptr);

  Bytes release;
  testing::ScriptedAcceptor peer([&](int fd) {
    testing::ReadPdu(fd);
    testing::SendAll(fd, testing::AcceptingAnswer(uid::kImplicitVRLittleEndian));
    release = testing::ReadExactly(fd, 10);
    testing::SendAll(fd, {0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00});
  });
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  std::string calling = "NORVANE";
  ASSERT_TRUE(OpenAssoc(*pdu, "127.0.0.1", peer.Port(), calling, "PEER", uid::kVerification));
  EXPECT_TRUE(pdu->Connected());
  DeletePDU(std::move(pdu));
  peer.Join();
  EXPECT_EQ(release, (Bytes{0x05, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}))
      << Hex(release);
}

}  // namespace
}  // namespace norvane
