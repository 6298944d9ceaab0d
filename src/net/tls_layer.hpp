#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/service_result.hpp"
#include "net/tls_context.hpp"
#include "net/transport.hpp"

struct ssl_st;

namespace norvane {

class Buffer;
class Socket;

// TLS over an association's TCP connection. OpenSSL works non-blocking on the socket's
// handle, and every wait is the socket's own (AwaitReady), so its receive time-out and
// deadlines hold for the handshake and for each record as they do for plain TCP.
class TlsLayer final : public Transport {
 public:
  TlsLayer(Socket& socket, const TlsContext& context);
  ~TlsLayer() override;
  TlsLayer(const TlsLayer&) = delete;
  TlsLayer& operator=(const TlsLayer&) = delete;

  // The handshake of the context's role. A requester checks the acceptor's certificate
  // for `host` (or the settings' host name) when that is a name, not an address. kTimeout
  // when a limit of the socket passed; kConnection with the reason in words ("the peer's
  // certificate has expired") when the handshake failed; kLocal when no TLS session could be made.
  // The connection is left to its owner to close.
  ServiceResult Handshake(std::string_view host);

  bool Send(const uint8_t* data, size_t length) override;
  int Receive(uint8_t* buffer, size_t size) override;
  // Application data is waiting (OpenSSL holds some, or a whole record has arrived), or
  // the stream has ended.
  bool Readable() override;
  void Shutdown() override;

  // Why the stream failed at the TLS level after the handshake (an alert of the peer, a
  // broken record), in words; empty when it did not. A TLS 1.3 acceptor refuses a missing
  // or untrusted client certificate only after the requester's handshake has finished.
  const std::string& Failure() const { return failure_; }
  // The negotiated protocol version ("TLSv1.3"), for reports.
  std::string Version() const;

 private:
  // Waits as OpenSSL asks after `sslError`; false when it was no wait or a limit passed.
  bool AwaitAsAsked(int sslError);
  // The failure of the last OpenSSL call, in words.
  std::string Diagnosis(int sslError) const;

  Socket& socket_;
  // The session keeps its context alive.
  ssl_st* ssl_ = nullptr;
  bool requester_;
  bool verifyPeer_;
  bool haveCertificate_;
  std::string hostName_;
  std::string expectedHost_;
  bool certificateRequested_ = false;
  std::string failure_;
};

// Performs the handshake of `context`'s role on the buffer's connection and, on success,
// puts the TLS layer between the buffer and the socket (TlsLayer::Handshake's results).
ServiceResult SecureConnection(Buffer& buffer, const TlsContext& context, std::string_view host);

}  // namespace norvane
