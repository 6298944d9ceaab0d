#pragma once

#include "net/tls_settings.hpp"

namespace norvane::api {

// The TLS settings C callers set for every association the C calls open (SetTLS);
// plain TCP until then.
TlsSettings CurrentTls();

}  // namespace norvane::api
