#include "net/tls_layer.hpp"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <memory>

#include "net/buffer.hpp"
#include "net/socket.hpp"

namespace norvane {
namespace {

// OpenSSL reads and writes the socket's handle without ever blocking: a wait is the
// socket's (AwaitReady), and no write raises SIGPIPE.
Socket& SocketOf(BIO* bio) {
  return *static_cast<Socket*>(BIO_get_data(bio));
}

int HandleOf(BIO* bio) {
  return SocketOf(bio).Handle();
}

int BioWrite(BIO* bio, const char* data, int length) {
  BIO_clear_retry_flags(bio);
  for (;;) {
    const ssize_t n =
        ::send(HandleOf(bio), data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) BIO_set_retry_write(bio);
    return -1;
  }
}

int BioRead(BIO* bio, char* buffer, int size) {
  BIO_clear_retry_flags(bio);
  for (;;) {
    const ssize_t n = ::recv(HandleOf(bio), buffer, static_cast<size_t>(size), MSG_DONTWAIT);
    if (n > 0) SocketOf(bio).AcknowledgeReceived();
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) BIO_set_retry_read(bio);
    return -1;
  }
}

long BioControl(BIO*, int command, long, void*) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

const BIO_METHOD* SocketMethod() {
  static const BIO_METHOD* const method = [] {
    BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "norvane socket");
    if (made == nullptr) return made;
    BIO_meth_set_write(made, BioWrite);
    BIO_meth_set_read(made, BioRead);
    BIO_meth_set_ctrl(made, BioControl);
    BIO_meth_set_create(made, BioCreate);
    return made;
  }();
  return method;
}

// Only names are checked against the certificate: an address is taken as given.
bool IsAddress(const std::string& host) {
  in_addr v4{};
  in6_addr v6{};
  return ::inet_pton(AF_INET, host.c_str(), &v4) == 1 ||
         ::inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

// Called on a requester when the acceptor asks for a certificate.
int NoteCertificateRequest(SSL*, void* requested) {
  *static_cast<bool*>(requested) = true;
  return 1;
}

std::string CertificateProblem(long verifyResult, const std::string& expectedHost) {
  switch (verifyResult) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "the peer's certificate has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "the peer's certificate is not yet valid";
    case X509_V_ERR_HOSTNAME_MISMATCH:
      return "host name mismatch: the peer's certificate is not for '" + expectedHost + "'";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
      return "the peer's certificate is not trusted: it is self-signed and not among the "
             "trusted certificates";
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      return "the peer's certificate is not trusted: its issuer (CA) is unknown";
    default:
      break;
  }
  return std::string("the peer's certificate was refused: ") +
         X509_verify_cert_error_string(verifyResult);
}

constexpr const char* kNothingInCommon =
    "no TLS protocol version or cipher suite in common with the peer";
constexpr const char* kNotTls =
    "the peer does not speak TLS (it sent plain TCP data, not a TLS handshake)";

bool MeansNotTls(int reason) {
  switch (reason) {
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_UNKNOWN_PROTOCOL:
    case SSL_R_HTTP_REQUEST:
    case SSL_R_HTTPS_PROXY_REQUEST:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
    case SSL_R_RECORD_LENGTH_MISMATCH:
    case SSL_R_UNEXPECTED_MESSAGE:
    case SSL_R_UNEXPECTED_RECORD:
    case SSL_R_LENGTH_TOO_SHORT:
      return true;
    default:
      return false;
  }
}

bool MeansNothingInCommon(int reason) {
  switch (reason) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_NO_CIPHERS_AVAILABLE:
    case SSL_R_VERSION_TOO_LOW:
    case SSL_R_VERSION_TOO_HIGH:
    case SSL_R_NO_SUITABLE_SIGNATURE_ALGORITHM:
      return true;
    default:
      return false;
  }
}

}  // namespace

TlsLayer::TlsLayer(Socket& socket, const TlsContext& context)
    : socket_(socket),
      ssl_(SSL_new(context.Handle())),
      requester_(context.Role() == TlsRole::kRequester),
      verifyPeer_(context.Settings().verifyPeer),
      haveCertificate_(context.HasCertificate()),
      hostName_(context.Settings().hostName) {
  const BIO_METHOD* method = SocketMethod();
  BIO* bio = ssl_ != nullptr && method != nullptr ? BIO_new(method) : nullptr;
  if (bio == nullptr) {
    SSL_free(ssl_);
    ssl_ = nullptr;
    return;
  }
  BIO_set_data(bio, &socket_);
  SSL_set_bio(ssl_, bio, bio);
  if (requester_) SSL_set_cert_cb(ssl_, NoteCertificateRequest, &certificateRequested_);
}

TlsLayer::~TlsLayer() {
  SSL_free(ssl_);
}

ServiceResult TlsLayer::Handshake(std::string_view host) {
  if (ssl_ == nullptr) {
    return ServiceResult::Failed(ServiceFailure::kLocal, "no TLS session could be made");
  }
  if (requester_) {
    SSL_set_connect_state(ssl_);
    const std::string name = hostName_.empty() ? std::string(host) : hostName_;
    if (!name.empty() && !IsAddress(name)) {
      SSL_set_tlsext_host_name(ssl_, name.c_str());
      if (verifyPeer_) {
        expectedHost_ = name;
        SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(ssl_, name.c_str());
      }
    }
  } else {
    SSL_set_accept_state(ssl_);
  }
  for (;;) {
    if (!socket_.Connected()) {
      return ServiceResult::Failed(ServiceFailure::kConnection,
                                   "the connection closed during the TLS handshake");
    }
    ERR_clear_error();
    const int done = SSL_do_handshake(ssl_);
    if (done == 1) return ServiceResult::Success();
    const int error = SSL_get_error(ssl_, done);
    if (AwaitAsAsked(error)) continue;
    if (socket_.TimedOut()) {
      return ServiceResult::Failed(ServiceFailure::kTimeout, "the TLS handshake did not finish");
    }
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
      return ServiceResult::Failed(ServiceFailure::kConnection,
                                   "the connection failed during the TLS handshake");
    }
    return ServiceResult::Failed(ServiceFailure::kConnection, Diagnosis(error));
  }
}

bool TlsLayer::AwaitAsAsked(int sslError) {
  if (sslError != SSL_ERROR_WANT_READ && sslError != SSL_ERROR_WANT_WRITE) return false;
  return socket_.AwaitReady(sslError == SSL_ERROR_WANT_READ);
}

std::string TlsLayer::Diagnosis(int sslError) const {
  const unsigned long error = ERR_peek_last_error();
  const int reason = ERR_GET_LIB(error) == ERR_LIB_SSL ? ERR_GET_REASON(error) : 0;
  if (reason == SSL_R_CERTIFICATE_VERIFY_FAILED) {
    return CertificateProblem(SSL_get_verify_result(ssl_), expectedHost_);
  }
  if (reason == SSL_R_PEER_DID_NOT_RETURN_A_CERTIFICATE) {
    return "the requester sent no certificate, and this side requires one";
  }
  if (reason > SSL_AD_REASON_OFFSET) {
    const int alert = reason - SSL_AD_REASON_OFFSET;
    if (alert == SSL_AD_CERTIFICATE_REQUIRED ||
        (alert == SSL_AD_HANDSHAKE_FAILURE && certificateRequested_ && !haveCertificate_)) {
      return "the peer requires a client certificate, and none was given";
    }
    if (alert == SSL_AD_PROTOCOL_VERSION || alert == SSL_AD_HANDSHAKE_FAILURE ||
        alert == SSL_AD_INSUFFICIENT_SECURITY) {
      return kNothingInCommon;
    }
    const std::string name = SSL_alert_desc_string_long(alert);
    if (alert == SSL_AD_UNKNOWN_CA || alert == SSL_AD_BAD_CERTIFICATE ||
        alert == SSL_AD_CERTIFICATE_UNKNOWN || alert == SSL_AD_CERTIFICATE_EXPIRED ||
        alert == SSL_AD_UNSUPPORTED_CERTIFICATE) {
      return "the peer refused our certificate (alert: " + name + ")";
    }
    return "the peer ended the handshake (alert: " + name + ")";
  }
  if (MeansNothingInCommon(reason)) return kNothingInCommon;
  if (MeansNotTls(reason)) return kNotTls;
  if (sslError == SSL_ERROR_SYSCALL || sslError == SSL_ERROR_ZERO_RETURN ||
      reason == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
    // A TLS 1.3 acceptor judges our certificate after our side of the handshake is done;
    // one that resets the connection then leaves no alert to read.
    if (SSL_is_init_finished(ssl_) == 1) {
      return requester_ ? "the peer closed the connection right after the TLS handshake (it "
                          "may require a client certificate, or refuse ours)"
                        : "the requester closed the connection after the TLS handshake";
    }
    return requester_ ? "the peer closed the connection during the TLS handshake (does it "
                        "speak plain TCP only?)"
                      : "the requester closed the connection during the TLS handshake";
  }
  const char* text = reason != 0 ? ERR_reason_error_string(error) : nullptr;
  return text != nullptr ? text : "error " + std::to_string(sslError);
}

bool TlsLayer::Send(const uint8_t* data, size_t length) {
  size_t sent = 0;
  while (sent < length) {
    if (!socket_.Connected() || ssl_ == nullptr) return false;
    size_t written = 0;
    ERR_clear_error();
    const int done = SSL_write_ex(ssl_, data + sent, length - sent, &written);
    if (done == 1) {
      sent += written;
      continue;
    }
    const int error = SSL_get_error(ssl_, done);
    if (AwaitAsAsked(error)) continue;
    if (!socket_.TimedOut()) {
      failure_ = Diagnosis(error);
      socket_.Close();
    }
    return false;
  }
  return true;
}

int TlsLayer::Receive(uint8_t* buffer, size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) size = static_cast<size_t>(INT_MAX);
  for (;;) {
    if (!socket_.Connected() || ssl_ == nullptr) return -1;
    size_t received = 0;
    ERR_clear_error();
    const int done = SSL_read_ex(ssl_, buffer, size, &received);
    if (done == 1) return static_cast<int>(received);
    const int error = SSL_get_error(ssl_, done);
    if (AwaitAsAsked(error)) continue;
    // A passed deadline leaves the connection to its owner, which may still abort; the
    // receive time-out, the peer's close and every failure end it, as on plain TCP.
    if (socket_.DeadlinePassed()) return -1;
    const unsigned long reason = ERR_GET_REASON(ERR_peek_last_error());
    if (error == SSL_ERROR_SSL && reason != SSL_R_UNEXPECTED_EOF_WHILE_READING) {
      failure_ = Diagnosis(error);
    }
    socket_.Close();
    return -1;
  }
}

bool TlsLayer::Readable() {
  if (!socket_.Connected() || ssl_ == nullptr) return true;
  if (SSL_pending(ssl_) > 0) return true;
  if (!socket_.Readable()) return false;
  // What arrived may be only part of a record, or no application data at all.
  uint8_t byte;
  size_t peeked = 0;
  ERR_clear_error();
  const int done = SSL_peek_ex(ssl_, &byte, 1, &peeked);
  if (done == 1) return true;
  const int error = SSL_get_error(ssl_, done);
  return error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE;
}

void TlsLayer::Shutdown() {
  // One try at a close_notify; the peer need not answer it.
  if (socket_.Connected() && ssl_ != nullptr) (void)SSL_shutdown(ssl_);
  socket_.Shutdown();
}

std::string TlsLayer::Version() const {
  return ssl_ != nullptr ? SSL_get_version(ssl_) : "";
}

ServiceResult SecureConnection(Buffer& buffer, const TlsContext& context, std::string_view host) {
  auto layer = std::make_unique<TlsLayer>(buffer.socket(), context);
  ServiceResult handshake = layer->Handshake(host);
  if (handshake) buffer.SetLayer(std::move(layer));
  return handshake;
}

}  // namespace norvane
