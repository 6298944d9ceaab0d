#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

// The secure transport profiles of BCP 195, as DCMTK names them: "bcp195" (TLS 1.2 and
// newer preferred, older versions and the fallback cipher suites still allowed),
// "bcp195-nd" (non-downgrading: TLS 1.2 at least, the recommended suites only) and
// "bcp195-ex" (extended: TLS 1.2 at least, only the ECDHE suites with AES-GCM).
enum class TlsProfile : uint8_t { kBcp195, kBcp195NonDowngrading, kBcp195Extended };

// The profile a name stands for; nullopt for another name.
std::optional<TlsProfile> TlsProfileNamed(std::string_view name);
std::string_view TlsProfileName(TlsProfile profile);

// How an association secures its connection. Off by default: plain TCP.
struct TlsSettings {
  bool enabled = false;
  TlsProfile profile = TlsProfile::kBcp195NonDowngrading;
  // Trusted certificates (PEM); empty: the system's trusted certificates.
  std::string caFile;
  // Our own certificate and its private key (PEM, the key unencrypted). A requester needs
  // them only for peers that ask for one; an acceptor always.
  std::string certificateFile;
  std::string keyFile;
  // Verify the peer's certificate (a requester: the acceptor's; an acceptor: the
  // requester's, when it sends one or when one is required).
  bool verifyPeer = true;
  // The name the acceptor's certificate must carry; empty: the host connected to, when it
  // is a name and not an address.
  std::string hostName;
  // An acceptor refuses requesters that present no certificate.
  bool requireClientCertificate = false;
};

}  // namespace norvane
