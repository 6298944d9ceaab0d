// C-STORE on an association the caller opened, and the storage SCP.

#include <memory>
#include <string>
#include <thread>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/tag_lists.hpp"
#include "dimse/store_request.hpp"
#include "scp/server_thread.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::Guarded;
using norvane::api::Succeeded;
using norvane::api::Text;

extern "C" {

// The caller's data set is lent for the request and comes back unchanged.
uint8_t WriteStoreRQ(PDU_Service* association, TList* dataset, const char* sopClass,
                     const char* fileTransferSyntax, uint8_t convert) {
  if (association == nullptr) return Fail<uint8_t>(0, "no association handle (NULL)");
  if (dataset == nullptr) return Fail<uint8_t>(0, "no data set list (NULL)");
  return Guarded<uint8_t>(0, [&] {
    norvane::api::LentTags lent(*dataset);
    return Byte(Succeeded(norvane::SendStoreRQ(*association, lent.tags(), Text(sopClass),
                                               Text(fileTransferSyntax), convert != 0)));
  });
}

int32_t ReadStoreRSP(PDU_Service* association) {
  if (association == nullptr) return Fail<int32_t>(-1, "no association handle (NULL)");
  return Guarded<int32_t>(-1, [&] {
    const norvane::ServiceResult response = norvane::ReadStoreRSP(*association);
    if (!response.Ok()) norvane::api::SetLastError(response.reason);
    if (response.failure == norvane::ServiceFailure::kUnexpectedResponse) return -2;
    return response.status ? int32_t{*response.status} : -1;
  });
}

// A further storage SCP that serves until the process ends. An empty folder stands for
// the default "./Database/" (not the file system's root). A port that cannot be listened on
// starts nothing; the last error text, emptied first, then says so.
void StartStoreSCP(const char* folder, const char* port) {
  norvane::api::ClearLastError();
  Guarded([&] {
    norvane::StoreSCPSettings settings;
    if (!Text(folder).empty()) settings.folder = std::string(Text(folder));
    settings.port = std::string(Text(port));
    auto server = std::make_shared<norvane::ServerThread>(std::move(settings));
    if (!server->Listen()) {
      norvane::api::SetLastError("the storage SCP cannot listen on port " +
                                 std::string(Text(port)));
      return;
    }
    // The worker holds its server and lives as long as the process.
    std::thread([server] { server->Serve(); }).detach();
  });
}

}  // extern "C"
