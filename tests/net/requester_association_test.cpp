#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "log/log.hpp"
#include "net/requester_association.hpp"
#include "net/uids.hpp"
#include "support/peers.hpp"
#include "support/scripted_peer.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using Clock = std::chrono::steady_clock;
using testing::AcceptContextItem;
using testing::AssociatePdu;
using testing::Bytes;
using testing::Hex;
using testing::ReadPdu;
using testing::ScriptedAcceptor;
using testing::Slice;
using testing::UserInformationItem;
using testing::WireBuilder;

const Bytes kReleaseRP = {0x06, 0, 0, 0, 0, 4, 0, 0, 0, 0};
const std::vector<ContextProposal> kEcho = {
    {std::string(uid::kVerification), {std::string(uid::kImplicitVRLittleEndian)}}};

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

Bytes AcceptAnswer(uint8_t result, uint32_t maximumLength = 8192, uint8_t contextID = 1,
                   std::string_view syntax = "1.2.840.10008.1.2") {
  const Bytes items = WireBuilder()
                          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
                          .Append(AcceptContextItem(contextID, result, syntax))
                          .Append(UserInformationItem(maximumLength, "1.2.3.4", "PEER"))
                          .bytes();
  return AssociatePdu(0x02, "ARCHIVE", "KAVORN          ", items);
}

class Requester : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLOG(dir_ / "assoc.log", 0);
    ASSERT_TRUE(service_.Propose("", "ARCHIVE", kEcho));
  }
  void TearDown() override { SetLOG("", 0); }
  std::vector<std::string> Log() const { return LogTexts(dir_ / "assoc.log"); }

  testing::TempDir dir_;
  RequesterAssociation service_;
};

TEST_F(Requester, ProposalsThatCannotBeMadeAreRefused) {
  RequesterAssociation other;
  EXPECT_EQ(other.Propose("ME", "YOU", {{std::string(65, '1'), {}}}).failure,
            ServiceFailure::kLocal);
  EXPECT_EQ(other.Propose("ME", "YOU", {}).failure, ServiceFailure::kLocal);
  EXPECT_EQ(other.Propose("ME", "YOU", std::vector<ContextProposal>(129, kEcho[0])).failure,
            ServiceFailure::kLocal);
}

TEST_F(Requester, EstablishesTracesAndReleases) {
  Bytes request;
  Bytes release;
  ScriptedAcceptor peer([&](int fd) {
    request = ReadPdu(fd);
    testing::SendAll(fd, AcceptAnswer(0));
    release = testing::ReadExactly(fd, 10);
    testing::SendAll(fd, kReleaseRP);
  });
  service_.SetTrace(true);
  ASSERT_TRUE(service_.Connect("127.0.0.1", peer.Port()));
  EXPECT_TRUE(service_.Connected());
  EXPECT_EQ(service_.GetTransferSyntax(1), std::string(uid::kImplicitVRLittleEndian));
  EXPECT_EQ(service_.PeerMaximumLength(), 8192u);
  EXPECT_EQ(service_.NextMessageID(), 3) << "the first message after one proposed context";
  EXPECT_EQ(service_.Peer().implementationVersionName, "PEER");
  EXPECT_TRUE(service_.ReleaseAssociation());
  EXPECT_FALSE(service_.Connected());
  peer.Join();

  // The default calling title, the called one, and context 1 for Verification.
  ASSERT_GT(request.size(), 74u);
  EXPECT_EQ(std::string(request.begin() + 10, request.begin() + 42),
            "ARCHIVE         KAVORN          ");
  const std::vector<testing::ProposedContext> contexts = testing::ProposedContexts(request);
  ASSERT_EQ(contexts.size(), 1u);
  EXPECT_EQ(contexts[0].id, 1);
  EXPECT_EQ(contexts[0].abstractSyntax, uid::kVerification);
  // The request carries this system's user information.
  const Bytes userInformation =
      UserInformationItem(16384, uid::kImplementationClass, "VelmoraVista");
  ASSERT_GT(request.size(), userInformation.size());
  EXPECT_EQ(Slice(request, request.size() - userInformation.size(), userInformation.size()),
            userInformation)
      << Hex(request);
  EXPECT_EQ(release, (Bytes{0x05, 0, 0, 0, 0, 4, 0, 0, 0, 0})) << Hex(release);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Connected to: 127.0.0.1:" + peer.Port(),
                       "Item Type: 2",
                       "Association Accept::ReadDynamic",
                       "Presentation Context Accept, Transfer Syntax: 1.2.840.10008.1.2",
                   }));
}

TEST_F(Requester, AnyOtherAnswerIsACorruptTransmission) {
  ScriptedAcceptor peer([&](int fd) {
    ReadPdu(fd);
    testing::SendAll(fd, {0x07, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00});
  });
  service_.SetTrace(true);
  const ServiceResult result = service_.Connect("127.0.0.1", peer.Port());
  EXPECT_EQ(result.failure, ServiceFailure::kAborted) << result.reason;
  EXPECT_EQ(result.reason,
            "the peer aborted the association (the service provider: reason not specified)");
  EXPECT_FALSE(service_.Connected());
  EXPECT_EQ(Log(), (std::vector<std::string>{"Connected to: 127.0.0.1:" + peer.Port(),
                                             "Item Type: 7", "Corrupt Transmission..."}));
}

TEST_F(Requester, EachFailedNegotiationSaysWhyClosesAndAnswersAsDue) {
  Bytes broken = AcceptAnswer(0);
  broken[99 + 3] = 0xF0;  // context item length far beyond the PDU
  const Bytes abort = {0x07, 0, 0, 0, 0, 4, 0, 0, 0x02, 0x06};
  const struct {
    const char* what;
    Bytes answer;  // sent after the request; then the peer reads what follows
    bool closeAtOnce;
    ServiceFailure failure;
    std::vector<std::string> log;
    std::optional<Bytes> after;  // what the peer read after its answer, when it waits
  } cases[] = {
      {"rejection",
       {0x03, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x01, 0x07},
       false,
       ServiceFailure::kRejected,
       {"Association Rejected..."},
       Bytes{}},
      {"a PDU of another type",
       {0x09, 0x00, 0x00, 0x00, 0x00, 0x00},
       false,
       ServiceFailure::kProtocol,
       {"Corrupt Transmission..."},
       Bytes{}},
      {"accept without accepted context: released",
       AcceptAnswer(3),
       false,
       ServiceFailure::kNoPresentationContext,
       {},
       Bytes{0x05, 0, 0, 0, 0, 4, 0, 0, 0, 0}},
      {"broken accept: aborted", broken, false, ServiceFailure::kProtocol, {}, abort},
      {"accept of a context never proposed: aborted",
       AcceptAnswer(0, 8192, 3),
       false,
       ServiceFailure::kProtocol,
       {},
       abort},
      {"accept with a transfer syntax never proposed: aborted",
       AcceptAnswer(0, 8192, 1, "1.2.840.10008.1.2.1"),
       false,
       ServiceFailure::kProtocol,
       {},
       abort},
      {"closing without an answer", {}, true, ServiceFailure::kNoResponse, {}, std::nullopt},
      {"closing mid accept",
       Slice(AcceptAnswer(0), 0, 120),
       true,
       ServiceFailure::kNoResponse,
       {},
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir_ / "assoc.log");
    Bytes after;
    ScriptedAcceptor peer([&](int fd) {
      ReadPdu(fd);
      testing::SendAll(fd, c.answer);
      if (c.failure == ServiceFailure::kNoPresentationContext) {
        after = testing::ReadExactly(fd, 10);
        testing::SendAll(fd, kReleaseRP);
      }
      if (!c.closeAtOnce) {
        const Bytes rest = testing::DrainFd(fd);
        after.insert(after.end(), rest.begin(), rest.end());
      }
    });
    RequesterAssociation service;
    ASSERT_TRUE(service.Propose("", "ARCHIVE", kEcho));
    const ServiceResult result = service.Connect("127.0.0.1", peer.Port());
    EXPECT_EQ(result.failure, c.failure) << result.reason;
    EXPECT_FALSE(result.reason.empty());
    if (std::string_view(c.what).find("never proposed") != std::string_view::npos) {
      EXPECT_EQ(result.reason.rfind("the peer's A-ASSOCIATE-AC breaks the protocol: it ", 0), 0u)
          << result.reason;
    }
    EXPECT_FALSE(service.Connected());
    peer.Join();
    EXPECT_EQ(Log(), c.log);
    if (c.after) {
      EXPECT_EQ(after, *c.after) << Hex(after);
    }
    if (c.failure == ServiceFailure::kRejected) {
      EXPECT_EQ(result.reason,
                "association rejected (permanent) by the service user: called AE title not "
                "recognized");
    }
  }
}

TEST_F(Requester, RefusedConnectionFailsFastAndLogsNothing) {
  const uint16_t port = testing::FreePort();
  service_.SetTrace(true);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(service_.Connect("127.0.0.1", std::to_string(port)).failure,
            ServiceFailure::kConnection);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(Log().empty());
}

TEST_F(Requester, SilentOrTricklingPeerEndsInTheAcseTimeOutAndIsAborted) {
  const Bytes answer = AcceptAnswer(0);
  for (const bool trickle : {false, true}) {
    SCOPED_TRACE(trickle ? "one byte of the answer every 100 ms" : "no answer");
    Bytes after;
    ScriptedAcceptor peer([&](int fd) {
      ReadPdu(fd);
      for (size_t i = 0; trickle && i < answer.size(); ++i) {
        if (!testing::SendAll(fd, {answer[i]})) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      after = testing::DrainFd(fd, std::chrono::milliseconds(1500));
    });
    RequesterAssociation service;
    ASSERT_TRUE(service.Propose("", "ARCHIVE", kEcho));
    service.SetTimeouts(
        {std::chrono::seconds(5), std::chrono::milliseconds(400), std::chrono::seconds(5)});
    const Clock::time_point start = Clock::now();
    const ServiceResult result = service.Connect("127.0.0.1", peer.Port());
    const auto waited = Clock::now() - start;
    EXPECT_EQ(result.failure, ServiceFailure::kTimeout);
    EXPECT_NE(result.reason.find("within 400 ms (ACSE time-out)"), std::string::npos)
        << result.reason;
    EXPECT_GE(waited, std::chrono::milliseconds(390));
    EXPECT_LT(waited, std::chrono::milliseconds(1500));
    EXPECT_FALSE(service.Connected());
    peer.Join();
    const Bytes abort = {0x07, 0, 0, 0, 0, 4, 0, 0, 0x02, 0x00};
    EXPECT_EQ(after, abort) << Hex(after);
  }
}

TEST_F(Requester, ConnectFailuresSayWhy) {
  const struct {
    const char* host;
    std::string port;
    ServiceFailure failure;
    std::string reason;
  } cases[] = {
      {"127.0.0.1", std::to_string(testing::FreePort()), ServiceFailure::kConnection,
       "connection refused by 127.0.0.1:"},
      {"no-such-host.invalid", "104", ServiceFailure::kConnection,
       "host not found: 'no-such-host.invalid'"},
      {"127.0.0.1", "no-such-service", ServiceFailure::kConnection,
       "the port 'no-such-service' is neither a number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    RequesterAssociation service;
    ASSERT_TRUE(service.Propose("", "ARCHIVE", kEcho));
    const ServiceResult result = service.Connect(c.host, c.port);
    EXPECT_EQ(result.failure, c.failure);
    EXPECT_EQ(result.reason.rfind(c.reason, 0), 0u) << result.reason;
  }
}

TEST_F(Requester, DestructionReleasesAnOpenAssociation) {
  Bytes release;
  ScriptedAcceptor peer([&](int fd) {
    ReadPdu(fd);
    testing::SendAll(fd, AcceptAnswer(0));
    release = testing::ReadExactly(fd, 10);
    testing::SendAll(fd, kReleaseRP);
  });
  {
    RequesterAssociation service;
    ASSERT_TRUE(service.Propose("NORVANE", "ARCHIVE", kEcho));
    ASSERT_TRUE(service.Connect("127.0.0.1", peer.Port()));
  }
  peer.Join();
  EXPECT_EQ(release, (Bytes{0x05, 0, 0, 0, 0, 4, 0, 0, 0, 0})) << Hex(release);
}

TEST_F(Requester, AbortSendsTheAbortAndCloses) {
  Bytes after;
  ScriptedAcceptor peer([&](int fd) {
    ReadPdu(fd);
    testing::SendAll(fd, AcceptAnswer(0));
    after = testing::DrainFd(fd);
  });
  ASSERT_TRUE(service_.Connect("127.0.0.1", peer.Port()));
  service_.AbortAssociation(kAbortSourceServiceProvider, kAbortReasonUnexpectedPdu);
  EXPECT_FALSE(service_.Connected());
  peer.Join();
  EXPECT_EQ(after, (Bytes{0x07, 0, 0, 0, 0, 4, 0, 0, 0x02, 0x02})) << Hex(after);
  EXPECT_EQ(service_.ReleaseAssociation().failure, ServiceFailure::kNoResponse)
      << "nothing is sent on a closed association";
}

// Associations opened from eight threads at once, each proposing several contexts, to an
// acceptor that records every A-ASSOCIATE-RQ: the IDs of each request are 1, 3, 5, ...
TEST(RequesterAssociations, ConcurrentRequestsEachNumberTheirOwnContexts) {
  constexpr int kThreads = 8;
  constexpr int kEach = 1000;
  constexpr size_t kContexts = 16;
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 64), 0);
  // Several threads accept: the one that loses a race must not block in accept.
  ::fcntl(listener, F_SETFL, O_NONBLOCK);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string port = std::to_string(ntohs(address.sin_port));
  std::mutex mutex;
  std::vector<std::vector<uint8_t>> ids;
  std::atomic<bool> stop{false};
  std::vector<std::thread> acceptors;
  for (int t = 0; t < kThreads; ++t) {
    acceptors.emplace_back([&] {
      while (!stop) {
        pollfd waiting{listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) != 1) continue;
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection < 0) continue;
        const Bytes request = ReadPdu(connection);
        std::vector<uint8_t> seen;
        for (const testing::ProposedContext& c : testing::ProposedContexts(request)) {
          seen.push_back(c.id);
        }
        testing::SendAll(connection, AcceptAnswer(0));
        testing::ReadExactly(connection, 10);
        testing::SendAll(connection, kReleaseRP);
        ::close(connection);
        std::lock_guard lock(mutex);
        ids.push_back(std::move(seen));
      }
    });
  }
  std::vector<ContextProposal> contexts(kContexts, kEcho[0]);
  std::vector<std::thread> requesters;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    requesters.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        RequesterAssociation association;
        if (!association.Propose("", "ARCHIVE", contexts) ||
            !association.Connect("127.0.0.1", port) || !association.ReleaseAssociation()) {
          ++failures;
        }
      }
    });
  }
  for (std::thread& t : requesters)
    t.join();
  stop = true;
  for (std::thread& t : acceptors)
    t.join();
  ::close(listener);
  EXPECT_EQ(failures, 0);
  ASSERT_EQ(ids.size(), size_t{kThreads * kEach});
  std::vector<uint8_t> expected;
  for (size_t i = 0; i < kContexts; ++i)
    expected.push_back(static_cast<uint8_t>(2 * i + 1));
  size_t wrong = 0;
  for (const std::vector<uint8_t>& request : ids)
    wrong += request != expected;
  EXPECT_EQ(wrong, 0u) << "requests whose context IDs were not 1, 3, 5, ...";
}

}  // namespace
}  // namespace norvane
