#include "scp/store_scp.hpp"

#include "scp/staging_file.hpp"

namespace norvane {

StoreSCPStart StartStoreSCP(StoreSCPSettings settings) {
  StoreSCPStart start;
  RemoveStagingLeftovers(settings.folder);
  auto server = std::make_unique<ServerThread>(std::move(settings));
  const ServiceResult tls = server->LoadTls();
  if (!tls) {
    start.problem = tls.reason;
    return start;
  }
  if (!server->Listen()) {
    start.error = server->ListenError();
    return start;
  }
  server->Start();
  start.server = std::move(server);
  return start;
}

}  // namespace norvane
