#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "net/tls_settings.hpp"
#include "scp/move_destinations.hpp"
#include "scp/store_thread.hpp"

namespace norvane {

// One C-STORE request as the storage SCP handled it.
struct StoreReport {
  StoreWorkOutcome outcome;
  bool answered = false;       // the C-STORE-RSP was sent
  std::string callingApTitle;  // of the association, blanks trimmed
};

// Told about every received object, on the thread that serves the association, after the
// response went out; calls from different associations never overlap. It must not stop
// the SCP it is called from.
using StoreObserver = std::function<void(const StoreReport&)>;

// What a storage SCP listens on and where it stores.
struct StoreSCPSettings {
  // A port number, "0" for any free port (see ServerThread::Port), or a service name.
  std::string port = "104";
  // Storage folder and database root; a trailing '/' is added when missing.
  std::string folder = "./Database/";
  // Listen on 127.0.0.1 only instead of every local address.
  bool loopbackOnly = false;
  // Association trace lines in the log.
  bool trace = false;
  // Associations served at once; as many more connections may wait to be accepted.
  int maxAssociations = 16;
  // Time from a connection to its whole A-ASSOCIATE-RQ (the ARTIM timer); then the
  // connection is closed.
  std::chrono::milliseconds artimTimeout{std::chrono::seconds(30)};
  // Time an association may wait for its peer without progress: no message completed and
  // less than 1 KiB of one received. Then the connection is closed. A peer that trickles
  // a byte now and then is cut off as one that sends nothing.
  std::chrono::milliseconds idleTimeout{std::chrono::seconds(60)};
  // The largest message (a data set) taken from a peer, in bytes; a longer one ends its
  // association with an A-ABORT (kDefaultMaxObjectSize unless set).
  uint64_t maxObjectSize = kDefaultMaxObjectSize;
  StoreObserver observer;
  // Accept every storage SOP class the dictionary knows instead of the storage table.
  bool acceptAllStorage = false;
  // Folder of worklist files ("*.wl") the modality worklist is answered from; empty: the
  // worklist SOP class is not accepted.
  std::string worklistFolder;
  // Where C-MOVE may send, and the calling AE title of those associations.
  std::vector<MoveDestination> moveDestinations;
  std::string aeTitle = "NORVANE";
  // TLS on every accepted connection (its certificate and key are then required), and
  // the TLS of the C-MOVE sub-associations to destinations marked for TLS.
  TlsSettings tls;
};

}  // namespace norvane
