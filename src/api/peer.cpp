#include "api/peer.hpp"

#include <cstring>

#include "api/boundary.hpp"
#include "api/network_timeouts.hpp"
#include "api/tls_parameters.hpp"
#include "net/pdu_service.hpp"

namespace norvane::api {

AssociationParameters PeerOf(const char* host, const char* port, char* callingApTitle,
                             const char* calledApTitle) {
  if (callingApTitle != nullptr && callingApTitle[0] == '\0') {
    std::memcpy(callingApTitle, kDefaultCallingApTitle.data(), kDefaultCallingApTitle.size());
    callingApTitle[kDefaultCallingApTitle.size()] = '\0';
  }
  AssociationParameters peer;
  peer.host = Text(host);
  peer.port = Text(port);
  peer.callingAETitle =
      callingApTitle != nullptr ? std::string(callingApTitle) : std::string(kDefaultCallingApTitle);
  peer.calledAETitle = Text(calledApTitle);
  peer.timeouts = CurrentTimeouts();
  peer.tls = CurrentTls();
  return peer;
}

}  // namespace norvane::api
