#pragma once

#include <memory>
#include <string>

#include "net/service_result.hpp"
#include "net/tls_settings.hpp"

struct ssl_ctx_st;

namespace norvane {

enum class TlsRole : uint8_t { kRequester, kAcceptor };

class TlsContext;

// A context made from settings, or why it could not be made (kLocal: a file that cannot
// be read, a key that does not belong to its certificate, an acceptor without either).
struct [[nodiscard]] TlsContextMade : ServiceResult {
  std::shared_ptr<const TlsContext> context;
};

// The loaded certificates, key and profile of one side, shared by every connection that
// side secures (an SCP loads it once and serves all its associations with it).
class TlsContext {
 public:
  static TlsContextMade Make(const TlsSettings& settings, TlsRole role);
  // Only Make constructs one (the key is private to it).
  class Key {
    friend class TlsContext;
    Key() = default;
  };
  TlsContext(Key, ssl_ctx_st* context, TlsRole role, TlsSettings settings);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

  ssl_ctx_st* Handle() const { return context_; }
  TlsRole Role() const { return role_; }
  const TlsSettings& Settings() const { return settings_; }
  // Our own certificate was loaded.
  bool HasCertificate() const { return !settings_.certificateFile.empty(); }

 private:
  ssl_ctx_st* context_;
  TlsRole role_;
  TlsSettings settings_;
};

}  // namespace norvane
