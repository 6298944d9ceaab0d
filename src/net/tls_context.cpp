#include "net/tls_context.hpp"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <utility>

namespace norvane {
namespace {

// The TLS 1.2 suites of each profile; TLS 1.3 keeps OpenSSL's own (all of them AEAD).
constexpr const char* kRecommendedSuites =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "DHE-RSA-AES128-GCM-SHA256:DHE-RSA-AES256-GCM-SHA384";
constexpr const char* kFallbackSuites =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "DHE-RSA-AES128-GCM-SHA256:DHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-RSA-AES128-SHA:ECDHE-RSA-AES256-SHA:AES128-SHA:AES256-SHA";
constexpr const char* kExtendedSuites =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384";

struct ProfileRules {
  int minimumVersion;
  const char* suites;
};

ProfileRules RulesOf(TlsProfile profile) {
  switch (profile) {
    case TlsProfile::kBcp195:
      return {TLS1_VERSION, kFallbackSuites};
    case TlsProfile::kBcp195Extended:
      return {TLS1_2_VERSION, kExtendedSuites};
    case TlsProfile::kBcp195NonDowngrading:
      break;
  }
  return {TLS1_2_VERSION, kRecommendedSuites};
}

// The newest OpenSSL error of this thread in words; the queue is emptied.
std::string OpenSslReason() {
  unsigned long last = 0;
  while (const unsigned long error = ERR_get_error())
    last = error;
  if (last == 0) return "unknown error";
  const char* reason = ERR_reason_error_string(last);
  return reason != nullptr ? reason : "error " + std::to_string(ERR_GET_REASON(last));
}

TlsContextMade Refused(std::string reason) {
  TlsContextMade made;
  made.Set(ServiceResult::Failed(ServiceFailure::kLocal, std::move(reason)));
  return made;
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

}  // namespace

TlsContext::TlsContext(Key, ssl_ctx_st* context, TlsRole role, TlsSettings settings)
    : context_(context), role_(role), settings_(std::move(settings)) {}

TlsContext::~TlsContext() {
  SSL_CTX_free(context_);
}

TlsContextMade TlsContext::Make(const TlsSettings& settings, TlsRole role) {
  const bool acceptor = role == TlsRole::kAcceptor;
  if (acceptor && (settings.certificateFile.empty() || settings.keyFile.empty())) {
    return Refused("a TLS acceptor needs its own certificate and private key");
  }
  if (settings.certificateFile.empty() != settings.keyFile.empty()) {
    return Refused("a TLS certificate needs its private key, and a key its certificate");
  }
  ERR_clear_error();
  SSL_CTX* raw = SSL_CTX_new(acceptor ? TLS_server_method() : TLS_client_method());
  if (raw == nullptr) return Refused("no TLS context: " + OpenSslReason());
  // Owned from here on, so that every early return frees it.
  std::shared_ptr<const TlsContext> context =
      std::make_shared<TlsContext>(Key{}, raw, role, settings);

  const ProfileRules rules = RulesOf(settings.profile);
  if (SSL_CTX_set_min_proto_version(raw, rules.minimumVersion) != 1 ||
      SSL_CTX_set_cipher_list(raw, rules.suites) != 1) {
    return Refused("the TLS profile " + std::string(TlsProfileName(settings.profile)) +
                   " cannot be set: " + OpenSslReason());
  }
  SSL_CTX_set_mode(raw, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  // Nothing resumes a session: tickets would only be traffic.
  SSL_CTX_set_num_tickets(raw, 0);
  SSL_CTX_set_session_cache_mode(raw, SSL_SESS_CACHE_OFF);

  if (!settings.certificateFile.empty()) {
    if (SSL_CTX_use_certificate_chain_file(raw, settings.certificateFile.c_str()) != 1) {
      return Refused("the TLS certificate " + Quoted(settings.certificateFile) +
                     " cannot be read: " + OpenSslReason());
    }
    if (SSL_CTX_use_PrivateKey_file(raw, settings.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
      return Refused("the TLS private key " + Quoted(settings.keyFile) +
                     " cannot be read (it must be PEM and unencrypted): " + OpenSslReason());
    }
    if (SSL_CTX_check_private_key(raw) != 1) {
      return Refused("the TLS private key " + Quoted(settings.keyFile) +
                     " does not belong to the certificate " + Quoted(settings.certificateFile));
    }
  }

  const bool loadTrust = settings.verifyPeer || !settings.caFile.empty();
  if (loadTrust) {
    const bool loaded = settings.caFile.empty() ? SSL_CTX_set_default_verify_paths(raw) == 1
                                                : SSL_CTX_load_verify_locations(
                                                      raw, settings.caFile.c_str(), nullptr) == 1;
    if (!loaded) {
      return Refused("the trusted certificates " + Quoted(settings.caFile) +
                     " cannot be read: " + OpenSslReason());
    }
  }
  int verify = SSL_VERIFY_NONE;
  if (!acceptor && settings.verifyPeer) verify = SSL_VERIFY_PEER;
  if (acceptor && settings.verifyPeer &&
      (settings.requireClientCertificate || !settings.caFile.empty())) {
    verify = SSL_VERIFY_PEER;
    if (settings.requireClientCertificate) verify |= SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
  }
  SSL_CTX_set_verify(raw, verify, nullptr);
  if (acceptor && !settings.caFile.empty()) {
    // The requester is told which authorities its certificate may come from.
    SSL_CTX_set_client_CA_list(raw, SSL_load_client_CA_file(settings.caFile.c_str()));
  }
  ERR_clear_error();
  TlsContextMade made;
  made.context = std::move(context);
  return made;
}

}  // namespace norvane
