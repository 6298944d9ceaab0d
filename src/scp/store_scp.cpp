#include "scp/store_scp.hpp"

#include <thread>

#include "scp/staging_file.hpp"

namespace norvane {

StoreSCPStart StartStoreSCP(StoreSCPSettings settings) {
  StoreSCPStart start;
  RemoveStagingLeftovers(settings.folder);
  auto server = std::make_unique<ServerThread>(std::move(settings));
  if (!server->Listen()) {
    start.error = server->ListenError();
    return start;
  }
  server->Start();
  start.server = std::move(server);
  return start;
}

void StartStoreSCP(std::string_view folder, std::string_view port) {
  StoreSCPSettings settings;
  settings.folder = std::string(folder);
  settings.port = std::string(port);
  RemoveStagingLeftovers(settings.folder);
  auto server = std::make_shared<ServerThread>(std::move(settings));
  if (!server->Listen()) return;
  // The worker owns its listener and lives as long as the process.
  std::thread([server] { server->Serve(); }).detach();
}

}  // namespace norvane
