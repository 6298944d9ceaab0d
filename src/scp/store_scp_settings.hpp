#pragma once

#include <functional>
#include <string>

#include "scp/store_thread.hpp"

namespace norvane {

// One C-STORE request as the storage SCP handled it.
struct StoreReport {
  StoreWorkOutcome outcome;
  bool answered = false;       // the C-STORE-RSP was sent
  std::string callingApTitle;  // of the association, blanks trimmed
};

// Told about every received object, on the thread that serves the association, after the
// response went out. It must not stop the SCP it is called from.
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
  StoreObserver observer;
};

}  // namespace norvane
