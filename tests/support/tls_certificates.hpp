#pragma once

// Certificates for the TLS tests, made with the openssl command line in a folder of their
// own: a CA, a server and a client certificate signed by it (the server's for localhost and
// 127.0.0.1), one expired, one for another host name, and a self-signed one.

#include <string>

#include "support/peers.hpp"

namespace norvane::testing {

class TlsCertificates {
 public:
  // Makes them all; Made() says whether openssl did.
  TlsCertificates();
  bool Made() const { return made_; }

  std::string Ca() const { return dir_ / "ca.pem"; }
  std::string ServerCert() const { return dir_ / "srv.pem"; }
  std::string ServerKey() const { return dir_ / "srv.key"; }
  std::string ClientCert() const { return dir_ / "cli.pem"; }
  std::string ClientKey() const { return dir_ / "cli.key"; }
  // Signed by the CA with the server's key; expired yesterday.
  std::string ExpiredCert() const { return dir_ / "expired.pem"; }
  // Signed by the CA with the server's key, for "elsewhere.example" only.
  std::string OtherHostCert() const { return dir_ / "otherhost.pem"; }
  // Self-signed, with its own key.
  std::string SelfSignedCert() const { return dir_ / "self.pem"; }
  std::string SelfSignedKey() const { return dir_ / "self.key"; }

 private:
  TempDir dir_;
  bool made_ = false;
};

}  // namespace norvane::testing
