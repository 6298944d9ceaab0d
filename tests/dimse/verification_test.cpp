#include "dimse/verification.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/message_fixture.hpp"
#include "dimse/dimse_command.hpp"
#include "scp/association_service.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

using testing::AcceptedAssociation;
using testing::Bytes;
using testing::Hex;
using testing::MessageBuilder;
using testing::PDataPdu;
using testing::Pdv;
using testing::ReadPdu;
using testing::ScriptedAcceptor;
using testing::Slice;
using testing::Text;
using testing::US;

const Bytes kReleaseRQ = {0x05, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00};
const Bytes kReleaseRP = {0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00};

// What a peer saw of one verification.
struct EchoExchange {
  Bytes request;
  Bytes command;
  Bytes release;
};

// A peer that accepts Verification, answers the echo with `answer(messageID)` and then
// answers a release.
std::unique_ptr<ScriptedAcceptor> EchoPeer(EchoExchange& seen,
                                           std::function<Bytes(uint16_t)> answer) {
  return std::make_unique<ScriptedAcceptor>([&seen, answer](int fd) {
    seen.request = ReadPdu(fd);
    testing::SendAll(fd, testing::AcceptingAnswer(uid::kImplicitVRLittleEndian, "PEER            ",
                                                  "KAVORN          "));
    seen.command = ReadPdu(fd);
    // The Message ID value: after the PDU and PDV headers (12 bytes), the group length,
    // SOP class and command field elements (12 + 26 + 10) and its own header (8).
    const uint16_t messageID =
        seen.command.size() >= 70
            ? static_cast<uint16_t>(seen.command[12 + 56] | (seen.command[12 + 57] << 8))
            : 0;
    testing::SendAll(fd, answer(messageID));
    seen.release = testing::ReadExactly(fd, 10);
    if (!seen.release.empty()) testing::SendAll(fd, kReleaseRP);
  });
}

Bytes Answer(uint16_t messageID, uint16_t status) {
  return PDataPdu({Pdv(1, 0x03, testing::EchoResponseCommand(messageID, status))});
}

Bytes EchoRequestCommand(uint16_t messageID) {
  return MessageBuilder()
      .Implicit(0x0000, 0x0000, MessageBuilder().U32(56).bytes())
      .Implicit(0x0000, 0x0002, Text(std::string("1.2.840.10008.1.1") + '\0'))
      .Implicit(0x0000, 0x0100, US(0x0030))
      .Implicit(0x0000, 0x0110, US(messageID))
      .Implicit(0x0000, 0x0800, US(0x0101))
      .bytes();
}

class Echo : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(dir_ / "echo.log", 0); }
  void TearDown() override { SetLOG("", 0); }
  std::vector<std::string> Log() const { return testing::LogTexts(dir_ / "echo.log"); }
  testing::TempDir dir_;
};

TEST_F(Echo, SendsOneContextAnEightyBytePduWithMessageID3AndReleases) {
  EchoExchange seen;
  auto peer = EchoPeer(seen, [](uint16_t id) { return Answer(id, 0x0000); });
  const ServiceResult result = EchoSCU(testing::LoopbackPeer(peer->Port(), "PEER"));
  peer->Join();
  EXPECT_TRUE(result.Ok()) << result.reason;
  EXPECT_EQ(result.status, 0x0000);
  EXPECT_EQ(Slice(seen.request, 26, 16), Text("KAVORN          "))
      << "an empty calling title goes out as the default: " << Hex(seen.request, 26, 16);
  EXPECT_EQ(Slice(seen.request, 10, 16), Text("PEER            "))
      << "titles are padded with spaces: " << Hex(seen.request, 10, 16);

  // The proposal: application context, then exactly one context for Verification.
  const Bytes context =
      testing::ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian});
  const size_t contextAt = 74 + 4 + testing::kApplicationContextUid.size();
  EXPECT_EQ(Slice(seen.request, contextAt, context.size()), context) << Hex(seen.request);
  EXPECT_EQ(seen.request[contextAt + context.size()], 0x50) << "user information follows";

  ASSERT_EQ(seen.command.size(), 80u) << Hex(seen.command);
  const Bytes header = {0x04, 0x00, 0x00, 0x00, 0x00, 74, 0x00, 0x00, 0x00, 70, 0x01, 0x03};
  EXPECT_EQ(Slice(seen.command, 0, 12), header) << Hex(seen.command, 0, 12);
  const Bytes command = Slice(seen.command, 12, 68);
  EXPECT_EQ(command, EchoRequestCommand(3)) << Hex(command);
  EXPECT_EQ(seen.release, kReleaseRQ) << Hex(seen.release);
  EXPECT_EQ(Log(), std::vector<std::string>{}) << "trace is off at log level 0";
}

TEST_F(Echo, EachFailureSaysWhereTheVerificationStopped) {
  const Bytes abort = {0x07, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00};
  struct Case {
    const char* what;
    std::function<Bytes(uint16_t)> answer;  // none: nothing listens
    ServiceFailure failure;
    std::optional<uint16_t> status;
    Bytes release;  // what the peer read after its answer
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"failure status",
       [](uint16_t id) { return Answer(id, 0x0110); },
       ServiceFailure::kStatus,
       0x0110,
       kReleaseRQ,
       {}},
      {"response of another command",
       [](uint16_t id) {
         Bytes command = testing::EchoResponseCommand(id, 0x0000);
         command[12 + 26 + 8] = 0x01;  // the Command Field of a C-STORE-RSP instead
         return PDataPdu({Pdv(1, 0x03, command)});
       },
       ServiceFailure::kUnexpectedResponse,
       std::nullopt,
       kReleaseRQ,
       {}},
      {"abort instead of a response",
       [abort](uint16_t) { return abort; },
       ServiceFailure::kAborted,
       std::nullopt,
       {},
       {"ERROR, ABORT-RQ"}},
      {"refused connection", nullptr, ServiceFailure::kConnection, std::nullopt, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLOG(dir_ / "echo.log", 0);
    std::filesystem::remove(dir_ / "echo.log");
    EchoExchange seen;
    std::unique_ptr<ScriptedAcceptor> peer;
    if (c.answer) peer = EchoPeer(seen, c.answer);
    const std::string port = peer ? peer->Port() : std::to_string(testing::FreePort());
    const ServiceResult result = EchoSCU(testing::LoopbackPeer(port, "PEER", "ME"));
    if (peer) peer->Join();
    EXPECT_EQ(result.failure, c.failure) << result.reason;
    EXPECT_EQ(result.status, c.status);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(seen.release, c.release) << "released after every answer; not after an abort";
    EXPECT_EQ(Log(), c.log);
  }
}

TEST_F(Echo, PeerSilentAfterTheRequestEndsInTheDimseTimeOutAndAnAbort) {
  EchoExchange seen;
  auto peer = EchoPeer(seen, [](uint16_t) { return Bytes{}; });
  AssociationParameters parameters = testing::LoopbackPeer(peer->Port(), "PEER");
  parameters.timeouts.dimse = std::chrono::milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  const ServiceResult result = EchoSCU(parameters);
  const auto waited = std::chrono::steady_clock::now() - start;
  peer->Join();
  EXPECT_EQ(result.failure, ServiceFailure::kTimeout);
  EXPECT_EQ(result.reason, "no C-ECHO-RSP: no whole message within 300 ms (DIMSE time-out)");
  EXPECT_GE(waited, std::chrono::milliseconds(290));
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
  EXPECT_EQ(seen.release, (Bytes{0x07, 0, 0, 0, 0, 4, 0, 0, 0x02, 0x00})) << Hex(seen.release);
}

TEST_F(Echo, LogLevelAboveOneTracesBothMessagesWithTrimmedTitles) {
  SetLOG(dir_ / "echo.log", 2);
  EchoExchange seen;
  auto peer = EchoPeer(seen, [](uint16_t id) { return Answer(id, 0x0000); });
  EXPECT_TRUE(EchoSCU(testing::LoopbackPeer(peer->Port(), "PEER")));
  peer->Join();
  const std::vector<std::string> log = Log();
  const auto sent = std::find(log.begin(), log.end(), "KAVORN >> PEER");
  ASSERT_NE(sent, log.end()) << ::testing::PrintToString(log);
  const auto received = std::find(sent, log.end(), "KAVORN << PEER");
  ASSERT_NE(received, log.end()) << ::testing::PrintToString(log);
  // Five elements and an empty line sent; six elements and an empty line received.
  ASSERT_EQ(received - sent, 7) << ::testing::PrintToString(log);
  ASSERT_GE(log.end() - received, 8) << ::testing::PrintToString(log);
  for (int i = 1; i <= 5; ++i)
    EXPECT_EQ(sent[i].rfind("(0000,", 0), 0u) << sent[i];
  EXPECT_EQ(sent[6], "");
  EXPECT_EQ(sent[2].rfind("(0000,0002), 18,\tUI", 0), 0u) << sent[2];
  for (int i = 1; i <= 6; ++i)
    EXPECT_EQ(received[i].rfind("(0000,", 0), 0u) << received[i];
  EXPECT_EQ(received[7], "");
}

// What the SCP's services answer to messages sent on an association they accepted with
// Verification as context 1: every PDU after the A-ASSOCIATE-AC, until the peer released.
Bytes ServedAnswers(const std::vector<Bytes>& messages) {
  testing::WirePair pair;
  std::thread scp([fd = pair.TakeOurs()] {
    StoreSCPSettings settings;
    ServeAssociation(fd, settings, ScpServices(settings), [](bool) {});
  });
  const Bytes items =
      testing::WireBuilder()
          .UidItem(0x10, testing::kApplicationContextUid)
          .Append(testing::ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian}))
          .Append(testing::UserInformationItem(16384, "1.2.3.4", "PEER"))
          .bytes();
  pair.Send(testing::AssociatePdu(0x01, "NORVANESCP", "ECHOSCU", items));
  ReadPdu(pair.peer());
  Bytes answers;
  for (const Bytes& message : messages) {
    pair.Send(PDataPdu({Pdv(1, 0x03, message)}));
    const Bytes answer = ReadPdu(pair.peer());
    answers.insert(answers.end(), answer.begin(), answer.end());
  }
  pair.Send(kReleaseRQ);
  EXPECT_EQ(ReadPdu(pair.peer()), kReleaseRP);
  scp.join();
  return answers;
}

TEST(VerificationService, AnswersMessageID7WithStatusSuccessAndAComputedGroupLength) {
  const Bytes wire = ServedAnswers({EchoRequestCommand(7)});
  // L = 18 (17 characters and a zero pad); the group length is L + 48.
  const Bytes expected =
      MessageBuilder()
          .Implicit(0x0000, 0x0000, MessageBuilder().U32(18 + 48).bytes())
          .Implicit(0x0000, 0x0002, Text(std::string("1.2.840.10008.1.1") + '\0'))
          .Implicit(0x0000, 0x0100, US(0x8030))
          .Implicit(0x0000, 0x0120, US(7))
          .Implicit(0x0000, 0x0800, US(0x0101))
          .Implicit(0x0000, 0x0900, US(0x0000))
          .bytes();
  EXPECT_EQ(wire, PDataPdu({Pdv(1, 0x03, expected)})) << Hex(wire);
}

TEST(VerificationService, RequestWithoutSOPClassIsRefusedWithAReason) {
  const Bytes request = MessageBuilder()
                            .Implicit(0x0000, 0x0000, MessageBuilder().U32(30).bytes())
                            .Implicit(0x0000, 0x0100, US(0x0030))
                            .Implicit(0x0000, 0x0110, US(7))
                            .Implicit(0x0000, 0x0800, US(0x0101))
                            .bytes();
  const Bytes wire = ServedAnswers({request});
  const std::string comment = "a C-ECHO-RQ without its Affected SOP Class UID";
  const Bytes expected = MessageBuilder()
                             .Implicit(0x0000, 0x0000, MessageBuilder().U32(40 + 8 + 46).bytes())
                             .Implicit(0x0000, 0x0100, US(0x8030))
                             .Implicit(0x0000, 0x0120, US(7))
                             .Implicit(0x0000, 0x0800, US(0x0101))
                             .Implicit(0x0000, 0x0900, US(0xC000))
                             .Implicit(0x0000, 0x0902, Text(comment))
                             .bytes();
  EXPECT_EQ(wire, PDataPdu({Pdv(1, 0x03, expected)})) << Hex(wire);
}

}  // namespace
}  // namespace norvane
