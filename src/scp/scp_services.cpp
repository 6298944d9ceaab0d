#include <memory>

#include "scp/mpps_service.hpp"
#include "scp/query_service.hpp"
#include "scp/retrieve_service.hpp"
#include "scp/service_registry.hpp"
#include "scp/storage_commitment_service.hpp"
#include "scp/storage_service.hpp"
#include "scp/verification_service.hpp"

namespace norvane {

ServiceRegistry ScpServices(const StoreSCPSettings& settings) {
  ServiceRegistry services;
  services.Register(std::make_shared<VerificationService>());
  services.Register(std::make_shared<StorageService>(settings.acceptAllStorage));
  services.Register(std::make_shared<QueryService>());
  services.Register(std::make_shared<MoveService>());
  services.Register(std::make_shared<GetService>());
  services.Register(std::make_shared<MppsService>());
  services.Register(std::make_shared<StorageCommitmentService>());
  if (!settings.worklistFolder.empty()) {
    services.Register(std::make_shared<WorklistService>(settings.worklistFolder));
  }
  return services;
}

}  // namespace norvane
