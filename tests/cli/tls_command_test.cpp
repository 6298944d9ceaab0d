#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "net/socket.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"
#include "support/tls_certificates.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;
using testing::NorvaneStreams;
using testing::PeerProcess;
using testing::RunResult;
using testing::StreamsResult;
using testing::TempDir;
using testing::TlsCertificates;

// What answers the TLS client of a case.
enum class Server : uint8_t {
  kTlsScp,        // norvane scp --tls
  kPlainScp,      // norvane scp without TLS
  kSilent,        // a port that takes the connection and never says a word
  kOldCipherOnly  // openssl s_server with TLS 1.2 and a cipher suite outside BCP 195
};
enum class ServerCertificate : uint8_t { kSigned, kExpired, kOtherHost, kSelfSigned };

// "@ca", "@cli.pem", ... in the client's options stand for the certificate files.
struct HandshakeFailure {
  const char* name;
  Server server;
  ServerCertificate certificate;
  bool requireClientCertificate;
  const char* host;
  std::vector<std::string> clientOptions;
  const char* reason;     // on the client's standard error
  const char* serverLog;  // in the SCP's log; null: not checked
};

class TlsFailures : public ::testing::TestWithParam<HandshakeFailure> {
 protected:
  static void SetUpTestSuite() { certificates_ = std::make_unique<TlsCertificates>(); }
  static void TearDownTestSuite() { certificates_.reset(); }
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("openssl");
    ASSERT_TRUE(certificates_->Made()) << "openssl could not make the test certificates";
  }

  static std::string File(const std::string& placeholder) {
    const TlsCertificates& c = *certificates_;
    if (placeholder == "@ca") return c.Ca();
    if (placeholder == "@cli.pem") return c.ClientCert();
    if (placeholder == "@cli.key") return c.ClientKey();
    if (placeholder == "@self.pem") return c.SelfSignedCert();
    if (placeholder == "@self.key") return c.SelfSignedKey();
    return placeholder;
  }

  static std::string ServerCert(ServerCertificate which) {
    const TlsCertificates& c = *certificates_;
    switch (which) {
      case ServerCertificate::kExpired:
        return c.ExpiredCert();
      case ServerCertificate::kOtherHost:
        return c.OtherHostCert();
      case ServerCertificate::kSelfSigned:
        return c.SelfSignedCert();
      case ServerCertificate::kSigned:
        break;
    }
    return c.ServerCert();
  }

  static std::string ServerKey(ServerCertificate which) {
    return which == ServerCertificate::kSelfSigned ? certificates_->SelfSignedKey()
                                                   : certificates_->ServerKey();
  }

  static std::unique_ptr<TlsCertificates> certificates_;
};

std::unique_ptr<TlsCertificates> TlsFailures::certificates_;

TEST_P(TlsFailures, EndWithExitStatus1AndTheReasonOnStandardError) {
  const HandshakeFailure& c = GetParam();
  TempDir dir;
  const uint16_t port = testing::FreePort();
  const std::string portText = std::to_string(port);
  PeerProcess server;
  Socket silent;
  std::vector<std::string> serverArgs;
  switch (c.server) {
    case Server::kTlsScp:
    case Server::kPlainScp:
      serverArgs = {testing::NorvaneTool(), "scp",      "--port",   portText,
                    "--loopback",           "--folder", dir / "in", "-v"};
      if (c.server == Server::kTlsScp) {
        serverArgs.insert(serverArgs.end(),
                          {"--tls", "--tls-cert", ServerCert(c.certificate), "--tls-key",
                           ServerKey(c.certificate), "--tls-ca", certificates_->Ca()});
      }
      if (c.requireClientCertificate) serverArgs.push_back("--tls-require-client-cert");
      break;
    case Server::kOldCipherOnly:
      serverArgs = {"openssl",    "s_server",
                    "-accept",    "127.0.0.1:" + portText,
                    "-cert",      certificates_->ServerCert(),
                    "-key",       certificates_->ServerKey(),
                    "-tls1_2",    "-cipher",
                    "AES128-SHA", "-quiet"};
      break;
    case Server::kSilent:
      ASSERT_TRUE(silent.ListenOnPort(port, true));
      break;
  }
  if (!serverArgs.empty()) {
    ASSERT_TRUE(server.Start(serverArgs, dir / "server.log"));
    ASSERT_TRUE(testing::WaitForListener(port)) << server.Log();
  }

  std::vector<std::string> args = {"echo", c.host, portText, "--connect-timeout", "2"};
  for (const std::string& option : c.clientOptions)
    args.push_back(File(option));
  const StreamsResult echo = NorvaneStreams(args);
  EXPECT_EQ(echo.exitCode, 1) << echo.err;
  EXPECT_TRUE(Contains(echo.err, c.reason))
      << "expected '" << c.reason << "' on standard error, got:\n"
      << echo.err;
  EXPECT_TRUE(Contains(echo.out, "ECHO failed to connect to")) << echo.out;
  if (c.serverLog != nullptr) {
    const std::string log = testing::WaitForOutput(server, c.serverLog);
    EXPECT_TRUE(Contains(log, c.serverLog)) << log;
    EXPECT_TRUE(server.Running()) << "the SCP must serve on";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, TlsFailures,
    ::testing::Values(
        HandshakeFailure{"SelfSignedServer",
                         Server::kTlsScp,
                         ServerCertificate::kSelfSigned,
                         false,
                         "localhost",
                         {"--tls", "--tls-ca", "@ca"},
                         "the peer's certificate is not trusted: it is self-signed",
                         "TLS handshake refused: the peer refused our certificate"},
        HandshakeFailure{"UnknownCa",
                         Server::kTlsScp,
                         ServerCertificate::kSigned,
                         false,
                         "localhost",
                         {"--tls", "--tls-ca", "@self.pem"},
                         "the peer's certificate is not trusted: its issuer (CA) is unknown",
                         nullptr},
        HandshakeFailure{"Expired",
                         Server::kTlsScp,
                         ServerCertificate::kExpired,
                         false,
                         "localhost",
                         {"--tls", "--tls-ca", "@ca"},
                         "the peer's certificate has expired",
                         nullptr},
        HandshakeFailure{"HostNameMismatch",
                         Server::kTlsScp,
                         ServerCertificate::kOtherHost,
                         false,
                         "localhost",
                         {"--tls", "--tls-ca", "@ca"},
                         "host name mismatch: the peer's certificate is not for 'localhost'",
                         nullptr},
        HandshakeFailure{"ClientCertificateRequired",
                         Server::kTlsScp,
                         ServerCertificate::kSigned,
                         true,
                         "localhost",
                         {"--tls", "--tls-ca", "@ca"},
                         "the peer requires a client certificate, and none was given",
                         "TLS handshake refused: the requester sent no certificate"},
        HandshakeFailure{
            "ClientCertificateNotTrusted",
            Server::kTlsScp,
            ServerCertificate::kSigned,
            true,
            "localhost",
            {"--tls", "--tls-ca", "@ca", "--tls-cert", "@self.pem", "--tls-key", "@self.key"},
            "the peer refused our certificate",
            "TLS handshake refused: the peer's certificate is not trusted"},
        HandshakeFailure{"PlainScp",
                         Server::kPlainScp,
                         ServerCertificate::kSigned,
                         false,
                         "127.0.0.1",
                         {"--tls", "--tls-ca", "@ca"},
                         "(connect time-out; does it speak TLS on this port?)",
                         nullptr},
        HandshakeFailure{"PlainClientOfTlsScp",
                         Server::kTlsScp,
                         ServerCertificate::kSigned,
                         false,
                         "127.0.0.1",
                         {},
                         "A-ASSOCIATE-RQ",
                         "TLS handshake refused: the peer does not speak TLS"},
        HandshakeFailure{"NothingInCommon",
                         Server::kOldCipherOnly,
                         ServerCertificate::kSigned,
                         false,
                         "localhost",
                         {"--tls", "--tls-ca", "@ca"},
                         "no TLS protocol version or cipher suite in common",
                         nullptr},
        HandshakeFailure{"HandshakeTimeout",
                         Server::kSilent,
                         ServerCertificate::kSigned,
                         false,
                         "localhost",
                         {"--tls", "--tls-ca", "@ca"},
                         "no TLS handshake with localhost:",
                         nullptr}),
    [](const ::testing::TestParamInfo<HandshakeFailure>& info) { return info.param.name; });

class TlsCommand : public TlsFailures {};

TEST_F(TlsCommand, EchoSucceedsWithAVerifiedHostAndAClientCertificate) {
  TempDir dir;
  const std::string port = std::to_string(testing::FreePort());
  PeerProcess server;
  ASSERT_TRUE(server.Start(
      {testing::NorvaneTool(), "scp", "--port", port, "--loopback", "--folder", dir / "in", "--tls",
       "--tls-cert", certificates_->ServerCert(), "--tls-key", certificates_->ServerKey(),
       "--tls-ca", certificates_->Ca(), "--tls-require-client-cert"},
      dir / "server.log"));
  ASSERT_TRUE(testing::WaitForListener(static_cast<uint16_t>(std::stoi(port))));
  const RunResult echo =
      Norvane({"echo", "localhost", port, "--tls", "--tls-ca", certificates_->Ca(), "--tls-cert",
               certificates_->ClientCert(), "--tls-key", certificates_->ClientKey(), "--json"});
  EXPECT_EQ(echo.exitCode, 0) << echo.output;
  EXPECT_TRUE(Contains(echo.output, "\"profile\": \"bcp195-nd\"")) << echo.output;

  // The same from the TLS settings file that norvane config writes.
  TempDir work;
  for (const std::vector<std::string>& setting : {std::vector<std::string>{"tls", "on"},
                                                  {"tls-ca", certificates_->Ca()},
                                                  {"tls-cert", certificates_->ClientCert()},
                                                  {"tls-key", certificates_->ClientKey()}}) {
    ASSERT_EQ(
        testing::RunNorvaneIn(work.path(), {"config", "set", setting[0], setting[1]}).exitCode, 0);
  }
  const RunResult configured = testing::RunNorvaneIn(work.path(), {"echo", "localhost", port});
  EXPECT_EQ(configured.exitCode, 0) << configured.output;
}

TEST_F(TlsCommand, ScpCutsOffHalfHandshakesAndGarbageAndServesOn) {
  TempDir dir;
  const uint16_t port = testing::FreePort();
  const std::string portText = std::to_string(port);
  PeerProcess server;
  ASSERT_TRUE(
      server.Start({testing::NorvaneTool(), "scp", "--port", portText, "--loopback", "--folder",
                    dir / "in", "--artim-timeout", "1", "-v", "--tls", "--tls-cert",
                    certificates_->ServerCert(), "--tls-key", certificates_->ServerKey()},
                   dir / "server.log"));
  ASSERT_TRUE(testing::WaitForListener(port));
  // A ClientHello's record header and the start of its body, then nothing more; and bytes
  // that are no TLS at all.
  const std::vector<uint8_t> halfHello = {0x16, 0x03, 0x01, 0x02, 0x00, 0x01, 0x00,
                                          0x01, 0xFC, 0x03, 0x03, 0x11, 0x22, 0x33};
  const std::vector<uint8_t> garbage(300, 0xA5);
  Socket stalled;
  Socket junk;
  ASSERT_TRUE(stalled.Open("127.0.0.1", portText));
  ASSERT_TRUE(junk.Open("127.0.0.1", portText));
  ASSERT_TRUE(stalled.SendBinary(halfHello.data(), halfHello.size()));
  ASSERT_TRUE(junk.SendBinary(garbage.data(), garbage.size()));

  const std::string log = testing::WaitForOutput(server, "no TLS handshake within 1 s");
  EXPECT_TRUE(Contains(log, "TLS handshake refused: no TLS handshake within 1 s")) << log;
  EXPECT_TRUE(Contains(log, "TLS handshake refused: the peer does not speak TLS")) << log;
  const RunResult store = Norvane({"store", "localhost", portText, "--tls", "--tls-ca",
                                   certificates_->Ca(), testing::PydicomFile("CT_small.dcm")});
  EXPECT_EQ(store.exitCode, 0) << store.output << server.Log();
  EXPECT_TRUE(server.Running());
}

TEST_F(TlsCommand, NoVerifyWarnsAndBadTlsCommandLinesExitWith2) {
  const StreamsResult unverified = NorvaneStreams(
      {"echo", "127.0.0.1", std::to_string(testing::FreePort()), "--tls", "--tls-no-verify"});
  EXPECT_TRUE(Contains(unverified.err, "warning: --tls-no-verify")) << unverified.err;
  const std::vector<std::vector<std::string>> bad = {
      {"echo", "--tls-ca", "x.pem"},
      {"echo", "--tls", "--tls-cert", "c.pem"},
      {"echo", "--tls", "--tls-profile", "tls13-only"},
      {"scp", "--tls"},
      {"scp", "--tls-require-client-cert"},
      {"scp", "--tls", "--tls-cert", "c.pem", "--tls-key", "k.pem", "--tls-require-client-cert",
       "--tls-no-verify"},
  };
  for (const std::vector<std::string>& args : bad) {
    const RunResult run = Norvane(args);
    EXPECT_EQ(run.exitCode, 2) << args.back() << ": " << run.output;
  }
  const RunResult missing = Norvane({"scp", "--port", "0", "--folder", "/tmp", "--tls",
                                     "--tls-cert", "/nonexistent.pem", "--tls-key", "k.pem"});
  EXPECT_EQ(missing.exitCode, 1) << missing.output;
  EXPECT_TRUE(Contains(missing.output, "the TLS certificate '/nonexistent.pem' cannot be read"))
      << missing.output;
}

TEST(TlsHelp, EveryNetworkSubcommandTellsOfTls) {
  for (const char* command :
       {"echo", "store", "send-series", "find", "move", "get", "worklist", "print", "probe"}) {
    const RunResult help = Norvane({command, "--help"});
    for (const char* option :
         {"--tls ", "--tls-ca FILE", "--tls-cert FILE", "--tls-no-verify", "--tls-profile NAME"}) {
      EXPECT_TRUE(Contains(help.output, option)) << command << " lacks " << option;
    }
  }
  const RunResult scp = Norvane({"scp", "--help"});
  for (const char* option : {"--tls ", "--tls-require-client-cert", "AET=HOST:PORT[:tls]"}) {
    EXPECT_TRUE(Contains(scp.output, option)) << "scp lacks " << option;
  }
}

}  // namespace
}  // namespace norvane
