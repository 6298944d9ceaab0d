#pragma once

#include "net/tls_context.hpp"
#include "scp/service_handler.hpp"
#include "scp/service_registry.hpp"
#include "scp/store_scp_settings.hpp"

namespace norvane {

// Conducts one association on an accepted connection with the registered services, and
// returns when it has ended; the connection is closed by then. The association is accepted
// as the services' policy decides; each request goes to the handler of its context's SOP
// class and command. A request that no handler serves, or that lacks a field its kind
// requires, is answered with a failure status and an Error Comment saying why (0xC000 for
// the C-services; for the N-services 0x0211, unrecognized operation, or 0x0110, processing
// failure, for a request without a field it requires) after its data set, if any, is read past; a
// command that is no request of a known kind ends the association with an A-ABORT. A
// C-CANCEL-RQ outside an operation is ignored. A peer's release, abort or lost connection
// ends the association; a data set where a command is due is aborted at its first
// fragment.
//
// `activity(true)` is called whenever the association starts waiting for its peer and
// whenever the peer makes progress (a message completed, or each further 1 KiB of one);
// `activity(false)` when the SCP's own work on a message begins. The caller's watchdog
// uses it to cut off idle peers.
//
// With `tls`, the connection is secured first, within the ARTIM time-out; a failed
// handshake is logged with its reason and the connection closed.
void ServeAssociation(int connection, const StoreSCPSettings& settings,
                      const ServiceRegistry& services, const AssociationActivity& activity,
                      const TlsContext* tls = nullptr);

}  // namespace norvane
