#include "net/socket.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "log/log.hpp"
#include "support/peers.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Bytes;

TEST(SocketResolution, PortTextWithLeadingNumberIsTheNumber) {
  EXPECT_EQ(ResolvePortText("104"), 104);
  EXPECT_EQ(ResolvePortText("11112abc"), 11112);
  EXPECT_EQ(ResolvePortText(" 4242"), 4242);
}

TEST(SocketResolution, PortTextZeroOrNameIsAServiceName) {
  const servent* echo = ::getservbyname("echo", nullptr);
  if (echo == nullptr) GTEST_SKIP() << "no service database entry for echo";
  EXPECT_EQ(ResolvePortText("echo"), ntohs(static_cast<uint16_t>(echo->s_port)));
  EXPECT_EQ(ResolvePortText("0"), std::nullopt) << "no service is named 0";
  EXPECT_EQ(ResolvePortText("no-such-service-here"), std::nullopt);
}

TEST(SocketResolution, PortNumbersOutsideTheTcpRangeFail) {
  EXPECT_EQ(ResolvePortText("70000"), std::nullopt);
  EXPECT_EQ(ResolvePortText("-5"), std::nullopt);
}

TEST(SocketResolution, HostWithLeadingNumberIsDottedDecimal) {
  const std::optional<in_addr> address = ResolveHostText("192.168.0.10");
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(ntohl(address->s_addr), 0xC0A8000Au);
  // Taken as a number, so no name lookup: a name like this does not resolve.
  EXPECT_EQ(ResolveHostText("1host.invalid"), std::nullopt);
}

TEST(SocketResolution, NamesAreLookedUp) {
  const std::optional<in_addr> address = ResolveHostText("localhost");
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(ntohl(address->s_addr) >> 24, 127u);
}

TEST(SocketResolution, EmptyAndOverlongHostsFail) {
  EXPECT_EQ(ResolveHostText(""), std::nullopt);
  EXPECT_EQ(ResolveHostText(std::string(128, '1')), std::nullopt);
}

TEST(SocketConnection, OpenToAPortWithoutListenerFailsFast) {
  const uint16_t port = testing::FreePort();
  Socket socket;
  const Clock::time_point start = Clock::now();
  const ConnectOutcome refused = socket.Open("127.0.0.1", std::to_string(port));
  EXPECT_FALSE(refused);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(refused.error, ECONNREFUSED);
  EXPECT_EQ(refused.failure, ConnectFailure::kRefused);
  EXPECT_FALSE(socket.Connected());
}

TEST(SocketConnection, ListenAcceptOpenAndExchangeBytes) {
  Socket listener;
  ASSERT_TRUE(listener.ListenOnPort(0, true));
  const uint16_t port = listener.LocalPort();
  ASSERT_NE(port, 0);
  EXPECT_TRUE(listener.Listening());

  Socket client;
  std::thread connector([&] { EXPECT_TRUE(client.Open("127.0.0.1", std::to_string(port))); });
  ASSERT_TRUE(listener.Accept());
  connector.join();
  EXPECT_TRUE(listener.Connected());

  const uint8_t hello[] = {'D', 'I', 'C', 'M'};
  ASSERT_TRUE(client.SendBinary(hello, sizeof hello));
  uint8_t got[16];
  ASSERT_EQ(listener.ReadBinary(got, sizeof got), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(got), 4), "DICM");

  client.Close();
  EXPECT_EQ(listener.ReadBinary(got, sizeof got), -1) << "the peer closed";
  EXPECT_FALSE(listener.Connected());
}

// A peer with Nagle's algorithm on waits for our acknowledgement before its next small
// segment: every read must leave the connection acknowledging at once, even after the
// request-response rounds that make Linux delay its acknowledgements.
TEST(SocketConnection, EveryReadLeavesTheConnectionAcknowledgingAtOnce) {
#ifndef TCP_QUICKACK
  GTEST_SKIP() << "no TCP_QUICKACK on this system";
#else
  Socket listener;
  ASSERT_TRUE(listener.ListenOnPort(0, true));
  Socket client;
  std::thread connector(
      [&] { EXPECT_TRUE(client.Open("127.0.0.1", std::to_string(listener.LocalPort()))); });
  ASSERT_TRUE(listener.Accept());
  connector.join();
  const uint8_t request[] = {1, 2, 3, 4};
  uint8_t got[16];
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(client.SendBinary(request, sizeof request));
    ASSERT_EQ(listener.ReadBinary(got, sizeof got), 4);
    int quick = 0;
    socklen_t size = sizeof quick;
    ASSERT_EQ(::getsockopt(listener.Handle(), IPPROTO_TCP, TCP_QUICKACK, &quick, &size), 0);
    EXPECT_EQ(quick, 1);
    // The answer at once: the pattern after which the kernel would delay.
    ASSERT_TRUE(listener.SendBinary(request, sizeof request));
    ASSERT_EQ(client.ReadBinary(got, sizeof got), 4);
  }
#endif
}

TEST(SocketConnection, ListenOnPortTextZeroFails) {
  Socket listener;
  EXPECT_FALSE(listener.Listen("0"));
  EXPECT_FALSE(listener.Listening());
}

TEST(SocketConnection, ReceiveTimeOutClosesTheSocket) {
  testing::WirePair pair;
  Socket socket;
  socket.AdoptConnection(pair.TakeOurs());
  socket.SetReceiveTimeout(std::chrono::milliseconds(150));
  uint8_t byte;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(socket.ReadBinary(&byte, 1), -1);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(140));
  EXPECT_FALSE(socket.Connected());
  EXPECT_EQ(socket.ReadBinary(&byte, 1), -1) << "later reads fail at once";
  EXPECT_FALSE(socket.SendBinary(&byte, 1));
}

TEST(SocketConnection, FullListenQueueEndsInTheConnectTimeOut) {
  // A listener that never accepts, its queue filled: the system drops further connection
  // requests, and a connect without a limit of its own would wait minutes.
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::vector<int> queued;
  for (int i = 0; i < 4; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    queued.push_back(fd);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  Socket socket;
  socket.SetConnectTimeout(std::chrono::milliseconds(300));
  const Clock::time_point start = Clock::now();
  const ConnectOutcome outcome = socket.Open("127.0.0.1", std::to_string(ntohs(address.sin_port)));
  EXPECT_FALSE(outcome);
  const auto waited = Clock::now() - start;
  EXPECT_EQ(outcome.failure, ConnectFailure::kTimeout);
  EXPECT_GE(waited, std::chrono::milliseconds(290));
  EXPECT_LT(waited, std::chrono::seconds(2));
  EXPECT_FALSE(socket.Connected());
  for (const int fd : queued)
    ::close(fd);
  ::close(listener);
}

TEST(SocketConnection, ADeadlineEndsATricklingReceiveAndLeavesTheSocketOpen) {
  testing::WirePair pair;
  Socket socket;
  socket.AdoptConnection(pair.TakeOurs());
  std::atomic<bool> stop{false};
  std::thread trickle([&] {
    while (!stop && pair.Send({0x42}))
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  });
  socket.SetDeadline(Clock::now() + std::chrono::milliseconds(300));
  const Clock::time_point start = Clock::now();
  uint8_t byte;
  int received = 0;
  while (socket.ReadBinary(&byte, 1) == 1)
    ++received;
  const auto waited = Clock::now() - start;
  stop = true;
  trickle.join();
  EXPECT_TRUE(socket.DeadlinePassed());
  EXPECT_TRUE(socket.TimedOut());
  EXPECT_TRUE(socket.Connected()) << "its owner may still send an abort";
  EXPECT_GE(received, 3);
  EXPECT_GE(waited, std::chrono::milliseconds(290));
  EXPECT_LT(waited, std::chrono::milliseconds(1000));
  socket.ClearDeadline();
  socket.SetReceiveTimeout(std::chrono::seconds(2));
  ASSERT_TRUE(pair.Send({0x43}));
  EXPECT_EQ(socket.ReadBinary(&byte, 1), 1) << "without the deadline, reading goes on";
}

TEST(SocketConnection, DefaultReceiveTimeOutIs300Seconds) {
  Socket socket;
  EXPECT_EQ(socket.ReceiveTimeout(), std::chrono::seconds(300));
}

TEST(SocketConnection, SendToAClosedPeerFailsWithoutSignal) {
  testing::WirePair pair;
  Socket socket;
  socket.AdoptConnection(pair.TakeOurs());
  pair.ClosePeer();
  const Bytes block(100, 1);
  EXPECT_FALSE(socket.SendBinary(block.data(), block.size()));
}

TEST(SocketConnection, ReleasedConnectionStaysOpenForItsNewOwner) {
  testing::WirePair pair;
  Socket socket;
  socket.AdoptConnection(pair.TakeOurs());
  const int fd = socket.ReleaseConnection();
  EXPECT_FALSE(socket.Connected());
  Socket owner;
  owner.AdoptConnection(fd);
  ASSERT_TRUE(pair.Send({42}));
  uint8_t byte = 0;
  EXPECT_EQ(owner.ReadBinary(&byte, 1), 1);
  EXPECT_EQ(byte, 42);
}

TEST(SocketListener, StopListeningEndsABlockedAcceptAndReleasesThePort) {
  Socket listener;
  ASSERT_TRUE(listener.ListenOnPort(0, true));
  const uint16_t port = listener.LocalPort();
  bool accepted = true;
  std::thread acceptor([&] { accepted = listener.Accept(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  listener.StopListening();
  acceptor.join();
  EXPECT_FALSE(accepted);
  EXPECT_FALSE(listener.Listening());
  Socket again;
  EXPECT_TRUE(again.ListenOnPort(port, true)) << "port " << port << " still taken";
}

TEST(SocketListener, AcceptWithoutListeningFails) {
  Socket socket;
  EXPECT_FALSE(socket.Accept());
}

TEST(SocketListener, LiveCountFollowsObjects) {
  const int before = Socket::LiveCount();
  {
    Socket a;
    Socket b;
    EXPECT_EQ(Socket::LiveCount(), before + 2);
  }
  EXPECT_EQ(Socket::LiveCount(), before);
}

class SocketTraffic : public ::testing::Test {
 protected:
  void TearDown() override { SetLOG("", 0); }
  testing::TempDir dir_;
};

TEST_F(SocketTraffic, SentAndReceivedBlocksAreDumpedAboveLevel2) {
  SetLOG(dir_ / "dump.log", 3);
  testing::WirePair pair;
  Socket socket;
  socket.AdoptConnection(pair.TakeOurs());
  const uint8_t out[] = {0x01, 0x41, 0x7B};
  ASSERT_TRUE(socket.SendBinary(out, sizeof out));
  ASSERT_TRUE(pair.Send({0x42, 0x43}));
  uint8_t in[8];
  ASSERT_EQ(socket.ReadBinary(in, sizeof in), 2);
  EXPECT_EQ(testing::ReadFileText(dir_ / "dump.log"),
            "     3 >> 01 41 7B \r\n.A.\r\n\r\n     2 << 42 43 \r\nBC\r\n\r\n");
}

TEST_F(SocketTraffic, NothingIsDumpedAtLevel2) {
  SetLOG(dir_ / "dump.log", 2);
  testing::WirePair pair;
  Socket socket;
  socket.AdoptConnection(pair.TakeOurs());
  const uint8_t out[] = {0x01};
  ASSERT_TRUE(socket.SendBinary(out, sizeof out));
  EXPECT_EQ(testing::ReadFileText(dir_ / "dump.log"), "");
}

}  // namespace
}  // namespace norvane
