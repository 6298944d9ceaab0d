#include "support/tls_certificates.hpp"

#include <fstream>
#include <initializer_list>

namespace norvane::testing {
namespace {

bool Run(std::initializer_list<std::string> argv) {
  return RunProgram(std::vector<std::string>(argv), std::chrono::seconds(60)).exitCode == 0;
}

}  // namespace

TlsCertificates::TlsCertificates() {
  const auto at = [this](const std::string& name) { return dir_ / name; };
  std::ofstream(at("local.ext")) << "subjectAltName=DNS:localhost,IP:127.0.0.1\n";
  std::ofstream(at("other.ext")) << "subjectAltName=DNS:elsewhere.example\n";
  const auto request = [&](const std::string& name, const std::string& subject) {
    return Run({"openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", at(name + ".key"),
                "-out", at(name + ".csr"), "-subj", subject});
  };
  const auto sign = [&](const std::string& csr, const std::string& out, const std::string& days,
                        const std::string& extensions) {
    return Run({"openssl", "x509", "-req", "-in", at(csr + ".csr"), "-CA", Ca(), "-CAkey",
                at("ca.key"), "-CAcreateserial", "-out", at(out), "-days", days, "-extfile",
                at(extensions)});
  };
  made_ = Run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", at("ca.key"),
               "-out", Ca(), "-days", "30", "-subj", "/CN=Norvane Test CA"}) &&
          Run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
               SelfSignedKey(), "-out", SelfSignedCert(), "-days", "30", "-subj", "/CN=localhost",
               "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"}) &&
          request("srv", "/CN=localhost") && request("cli", "/CN=norvane-client") &&
          sign("srv", "srv.pem", "30", "local.ext") && sign("cli", "cli.pem", "30", "local.ext") &&
          sign("srv", "expired.pem", "-1", "local.ext") &&
          sign("srv", "otherhost.pem", "30", "other.ext");
}

}  // namespace norvane::testing
