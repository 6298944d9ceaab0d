#pragma once

#include <functional>

#include "scp/store_scp_settings.hpp"

namespace norvane {

// Conducts one association on an accepted connection as storage and verification SCP, and
// returns when it has ended; the connection is closed by then. C-ECHO requests are
// answered with a C-ECHO-RSP. Each C-STORE request's data set is stored (StoreThread)
// before its C-STORE-RSP goes out, with status success, out of resources or cannot
// understand as the store ended; a request without an Affected SOP Class UID cannot be
// answered and its object is not stored. A C-STORE request that announces no data set,
// and any other command, gets no response: the SCP reads the data set that the command
// announces, if any, then releases the association. A peer's release, abort or lost
// connection ends the association; an object whose data set did not arrive whole is
// never stored. A data set where a command is due is aborted at its first fragment.
//
// `activity(true)` is called whenever the association starts waiting for its peer and
// whenever the peer makes progress (a message completed, or each further 1 KiB of one);
// `activity(false)` when the SCP's own work on a message begins. The caller's watchdog
// uses it to cut off idle peers.
using AssociationActivity = std::function<void(bool awaitingPeer)>;
void ServeAssociation(int connection, const StoreSCPSettings& settings,
                      const AssociationActivity& activity);

}  // namespace norvane
