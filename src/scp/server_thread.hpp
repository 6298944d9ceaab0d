#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "net/socket.hpp"
#include "scp/store_scp_settings.hpp"

namespace norvane {

// The listening worker of a storage SCP: accepts one connection at a time and conducts its
// association (ServeAssociation) before it accepts the next. It keeps serving through
// failed accepts: transient errors are waited out by the socket, and a listener that
// fails for good is opened again on the same port. Only Stop ends it.
class ServerThread {
 public:
  explicit ServerThread(StoreSCPSettings settings);
  ~ServerThread();
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  // Listens on the port of the settings; false when it cannot (see ListenError).
  bool Listen();
  // errno of the failed listen, or EINVAL for a port text that names no port.
  int ListenError() const { return listenError_; }

  // Runs Serve on a thread that this object owns.
  void Start();
  // Serves connections on the calling thread until Stop.
  void Serve();
  // Ends serving: no connection is accepted any more, an association in progress is cut
  // off (an object being stored is still finished), and the port is released. Returns
  // when the owned thread has ended. May be called from any thread but the serving one,
  // and more than once.
  void Stop();

  // The port listened on (the one picked when the settings asked for port 0).
  uint16_t Port() const { return port_; }
  const std::string& Folder() const { return settings_.folder; }

 private:
  // Opens the listener again after it failed, pausing between attempts; false on Stop.
  bool ListenAgain();
  void Conduct(int connection);

  StoreSCPSettings settings_;
  Socket listener_;
  uint16_t port_ = 0;
  int listenError_ = 0;

  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  bool serving_ = false;
  // A duplicate of the connection in progress, so that Stop can shut it down without
  // racing the association's own close of the original handle.
  int activeConnection_ = -1;
  std::thread worker_;
};

}  // namespace norvane
