// norvane over TLS against DCMTK's +tls tools, and norvane scp --tls serving them.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runs.hpp"
#include "support/peers.hpp"
#include "support/tls_certificates.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;
using testing::PeerProcess;
using testing::RunProgram;
using testing::RunResult;
using testing::TempDir;

size_t FilesUnder(const std::string& folder) {
  size_t n = 0;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored)) {
    if (entry.is_regular_file() && entry.path().extension() == ".dcm") ++n;
  }
  return n;
}

class TlsInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("openssl", "storescp", "storescu", "echoscu");
    ASSERT_TRUE(tls_.Made());
    port_ = std::to_string(testing::FreePort());
  }
  void Listening() {
    ASSERT_TRUE(testing::WaitForListener(static_cast<uint16_t>(std::stoi(port_)))) << peer_.Log();
  }
  // The client options of DCMTK with our client certificate.
  std::vector<std::string> DcmtkClient(const std::string& program) const {
    return {program, "+tls", tls_.ClientKey(), tls_.ClientCert(), "-pw", "+cf", tls_.Ca()};
  }
  std::vector<std::string> NorvaneClient(std::vector<std::string> args) const {
    args.insert(args.end(), {"--tls", "--tls-ca", tls_.Ca(), "--tls-cert", tls_.ClientCert(),
                             "--tls-key", tls_.ClientKey()});
    return args;
  }
  void StartNorvaneScp(bool requireClientCertificate) {
    std::vector<std::string> argv = {testing::NorvaneTool(),
                                     "scp",
                                     "--port",
                                     port_,
                                     "--loopback",
                                     "--folder",
                                     Received(),
                                     "-v",
                                     "--tls",
                                     "--tls-cert",
                                     tls_.ServerCert(),
                                     "--tls-key",
                                     tls_.ServerKey(),
                                     "--tls-ca",
                                     tls_.Ca()};
    if (requireClientCertificate) argv.push_back("--tls-require-client-cert");
    ASSERT_TRUE(peer_.Start(argv, dir_ / "scp.log"));
    Listening();
  }
  std::string Received() const { return dir_ / "in"; }

  testing::TlsCertificates tls_;
  TempDir dir_;
  PeerProcess peer_;
  std::string port_;
};

TEST_F(TlsInterop, NorvaneEchoAndStoreReachStorescpOverTls) {
  std::filesystem::create_directories(Received());
  ASSERT_TRUE(peer_.Start({"storescp", "+tls", tls_.ServerKey(), tls_.ServerCert(), "-pw", "+cf",
                           tls_.Ca(), "-rc", "-od", Received(), port_},
                          dir_ / "storescp.log"));
  // storescp serves one connection at a time: a bare TCP probe would hold its handshake.
  std::vector<std::string> probe = DcmtkClient("echoscu");
  probe.insert(probe.end(), {"127.0.0.1", port_});
  bool answered = false;
  for (int attempt = 0; attempt < 100 && !answered; ++attempt) {
    answered = RunProgram(probe).exitCode == 0;
    if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(answered) << peer_.Log();
  const RunResult echo = Norvane(NorvaneClient({"echo", "localhost", port_}));
  EXPECT_EQ(echo.exitCode, 0) << echo.output << peer_.Log();
  EXPECT_TRUE(Contains(echo.output, "ECHO OK")) << echo.output;

  const RunResult store =
      Norvane(NorvaneClient({"store", "localhost", port_, testing::PydicomFile("CT_small.dcm")}));
  EXPECT_EQ(store.exitCode, 0) << store.output << peer_.Log();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Received()),
                          std::filesystem::directory_iterator{}),
            1)
      << "storescp keeps the object under a name of its own";

  // storescp -rc refuses a requester without a certificate.
  const RunResult anonymous = Norvane({"echo", "localhost", port_, "--tls", "--tls-ca", tls_.Ca()});
  EXPECT_EQ(anonymous.exitCode, 1) << anonymous.output;
  // DCMTK resets the connection after its alert, which may then be lost.
  EXPECT_TRUE(Contains(anonymous.output, "client certificate")) << anonymous.output;
}

TEST_F(TlsInterop, NorvaneScpServesEchoscuAndStorescuAndRefusesTheUncertified) {
  StartNorvaneScp(true);
  std::vector<std::string> echo = DcmtkClient("echoscu");
  echo.insert(echo.end(), {"127.0.0.1", port_});
  const RunResult echoed = RunProgram(echo);
  EXPECT_EQ(echoed.exitCode, 0) << echoed.output << peer_.Log();

  // Anonymous TLS (+tla) and plain TCP are both refused; the SCP serves on.
  const RunResult anonymous = RunProgram({"echoscu", "+tla", "+cf", tls_.Ca(), "127.0.0.1", port_});
  EXPECT_NE(anonymous.exitCode, 0) << anonymous.output;
  const RunResult plain = RunProgram({"echoscu", "127.0.0.1", port_});
  EXPECT_NE(plain.exitCode, 0) << plain.output;

  std::vector<std::string> store = DcmtkClient("storescu");
  store.insert(store.end(), {"127.0.0.1", port_, testing::PydicomFile("CT_small.dcm")});
  const RunResult stored = RunProgram(store);
  EXPECT_EQ(stored.exitCode, 0) << stored.output << peer_.Log();
  EXPECT_EQ(FilesUnder(Received()), 1U);
  const std::string log = peer_.Log();
  EXPECT_TRUE(Contains(log, "TLS handshake refused: the requester sent no certificate")) << log;
  EXPECT_TRUE(Contains(log, "TLS handshake refused: the peer does not speak TLS")) << log;
}

TEST_F(TlsInterop, NorvaneFindAndMoveOverTlsToNorvaneScp) {
  StartNorvaneScp(false);
  const RunResult store =
      Norvane(NorvaneClient({"store", "localhost", port_, testing::PydicomFile("CT_small.dcm")}));
  ASSERT_EQ(store.exitCode, 0) << store.output << peer_.Log();
  const RunResult find =
      Norvane(NorvaneClient({"find", "localhost", port_, "--level", "STUDY", "--json"}));
  EXPECT_EQ(find.exitCode, 0) << find.output << peer_.Log();
  EXPECT_TRUE(Contains(find.output, "1.3.6.1.4.1.5962.1.2.1.20040119072730.12322")) << find.output;

  // A second TLS SCP as the C-MOVE destination, requiring a client certificate: the
  // archive's sub-association is secured with the archive's own certificate.
  TempDir destination;
  const std::string destinationPort = std::to_string(testing::FreePort());
  PeerProcess viewer;
  ASSERT_TRUE(viewer.Start(
      {testing::NorvaneTool(), "scp", "--port", destinationPort, "--loopback", "--folder",
       destination / "in", "-v", "--tls", "--tls-cert", tls_.ServerCert(), "--tls-key",
       tls_.ServerKey(), "--tls-require-client-cert", "--tls-ca", tls_.Ca()},
      destination / "scp.log"));
  ASSERT_TRUE(testing::WaitForListener(static_cast<uint16_t>(std::stoi(destinationPort))));
  peer_.Stop();
  const std::string sourcePort = std::to_string(testing::FreePort());
  ASSERT_TRUE(peer_.Start(
      {testing::NorvaneTool(), "scp", "--port", sourcePort, "--loopback", "--folder", Received(),
       "-v", "--tls", "--tls-cert", tls_.ClientCert(), "--tls-key", tls_.ClientKey(), "--tls-ca",
       tls_.Ca(), "--dest", "VIEWER=localhost:" + destinationPort + ":tls"},
      dir_ / "scp2.log"));
  ASSERT_TRUE(testing::WaitForListener(static_cast<uint16_t>(std::stoi(sourcePort))));
  // The archive's certificate is a client's: its name is not checked here.
  const RunResult move =
      Norvane(NorvaneClient({"move", "127.0.0.1", sourcePort, "--dest", "VIEWER", "-k",
                             "StudyInstanceUID=1.3.6.1.4.1.5962.1.2.1.20040119072730.12322"}));
  EXPECT_EQ(move.exitCode, 0) << move.output << peer_.Log() << viewer.Log();
  EXPECT_TRUE(Contains(move.output, "MOVE OK: 1 completed")) << move.output;
  EXPECT_EQ(FilesUnder(destination / "in"), 1U) << viewer.Log();
}

}  // namespace
}  // namespace norvane
