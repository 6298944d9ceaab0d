#pragma once

#include "net/association_parameters.hpp"
#include "scp/store_scp_settings.hpp"

namespace norvane {

// A --dest node as the SCP calls it (C-MOVE sub-operations, storage commitment reports):
// with the SCP's AE title, and within the SCP's own limits, the association within the
// ARTIM time-out and each response within the idle one.
AssociationParameters DestinationPeer(const StoreSCPSettings& settings,
                                      const MoveDestination& destination);

}  // namespace norvane
