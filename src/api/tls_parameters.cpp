#include "api/tls_parameters.hpp"

#include <mutex>
#include <string>

#include "api/boundary.hpp"
#include "net/tls_context.hpp"
#include "norvane.h"

namespace norvane::api {
namespace {

// Read by every network call, on any thread, and copied into its association.
std::mutex tlsLock;
TlsSettings tlsSetting;

}  // namespace

TlsSettings CurrentTls() {
  std::lock_guard lock(tlsLock);
  return tlsSetting;
}

}  // namespace norvane::api

extern "C" uint8_t SetTLS(uint8_t enabled, const char* profile, const char* caFile,
                          const char* certificateFile, const char* keyFile, uint8_t verifyPeer) {
  using namespace norvane::api;
  return Guarded<uint8_t>(0, [&]() -> uint8_t {
    norvane::TlsSettings settings;
    settings.enabled = enabled != 0;
    if (!Text(profile).empty()) {
      const auto named = norvane::TlsProfileNamed(Text(profile));
      if (!named) {
        return Fail<uint8_t>(0, "unknown TLS profile '" + std::string(Text(profile)) +
                                    "' (bcp195, bcp195-nd or bcp195-ex)");
      }
      settings.profile = *named;
    }
    settings.caFile = Text(caFile);
    settings.certificateFile = Text(certificateFile);
    settings.keyFile = Text(keyFile);
    settings.verifyPeer = verifyPeer != 0;
    if (settings.enabled) {
      // The files are read now, so that a bad one is reported here and not by every call.
      const norvane::TlsContextMade made =
          norvane::TlsContext::Make(settings, norvane::TlsRole::kRequester);
      if (!made) return Fail<uint8_t>(0, made.reason);
    }
    std::lock_guard lock(tlsLock);
    tlsSetting = std::move(settings);
    return 1;
  });
}
