#include "scp/destination_peer.hpp"

namespace norvane {

AssociationParameters DestinationPeer(const StoreSCPSettings& settings,
                                      const MoveDestination& destination) {
  AssociationParameters peer;
  peer.host = destination.host;
  peer.port = destination.port;
  peer.callingAETitle = settings.aeTitle;
  peer.calledAETitle = destination.aeTitle;
  peer.timeouts.connect = settings.artimTimeout;
  peer.timeouts.acse = settings.artimTimeout;
  peer.timeouts.dimse = settings.idleTimeout;
  // The SCP's own certificate and trusted certificates serve its sub-associations too.
  if (destination.tls) {
    peer.tls = settings.tls;
    peer.tls.enabled = true;
  }
  return peer;
}

}  // namespace norvane
