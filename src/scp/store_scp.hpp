#pragma once

#include <memory>
#include <string>

#include "scp/server_thread.hpp"
#include "scp/store_scp_settings.hpp"

namespace norvane {

// A storage SCP that was started, or why it was not.
struct StoreSCPStart {
  std::unique_ptr<ServerThread> server;  // serving; null when the port cannot be listened on
  int error = 0;                         // errno of the failed listen
  std::string problem;                   // why TLS cannot be served, in words

  explicit operator bool() const { return server != nullptr; }
};

// Listens on the port of the settings and serves on a thread of its own until the returned
// server is stopped or destroyed. With TLS on, its files are loaded first (`problem`). The port is
// listened on when this returns. Passing files that a crashed server left in the storage folder are
// removed first (both starts).
StoreSCPStart StartStoreSCP(StoreSCPSettings settings);

}  // namespace norvane
