#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "net/service_result.hpp"
#include "net/socket.hpp"
#include "net/tls_context.hpp"
#include "scp/service_registry.hpp"
#include "scp/store_scp_settings.hpp"

namespace norvane {

// The listening worker of a storage SCP: accepts connections and conducts each association
// with the registered services (ServeAssociation) on a thread of its own, up to
// settings.maxAssociations at once. While the pool is full no connection is accepted: further
// callers wait in the listen backlog, which is as long as the pool. A watchdog cuts off a
// connection that has not delivered its A-ASSOCIATE-RQ within the ARTIM time, and an association
// that stays idle longer than the idle time, so that silent or trickling peers free their place. It
// keeps serving through failed accepts: transient errors are waited out by the socket, and a
// listener that fails for good is opened again on the same port. Only Stop ends it.
class ServerThread {
 public:
  // Serves the services the settings ask for (ScpServices).
  explicit ServerThread(StoreSCPSettings settings);
  // Serves these services.
  ServerThread(StoreSCPSettings settings, ServiceRegistry services);
  ~ServerThread();
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  // Listens on the port of the settings; false when it cannot (see ListenError).
  bool Listen();
  // errno of the failed listen, or EINVAL for a port text that names no port.
  int ListenError() const { return listenError_; }

  // Loads the certificate, key and trusted certificates of the settings' TLS, when it is
  // on (kLocal says which file and why not). Until it succeeds, a server with TLS on
  // closes every connection unserved: it never falls back to plain TCP.
  ServiceResult LoadTls();
  // Runs Serve on a thread that this object owns.
  void Start();
  // Serves connections on the calling thread until Stop; returns when every association
  // it started has ended.
  void Serve();
  // Ends serving: no connection is accepted any more, the associations in progress are cut
  // off (an object being stored is still finished), and the port is released. Returns
  // when the owned thread has ended. May be called from any thread but the serving ones,
  // and more than once.
  void Stop();

  // The port listened on (the one picked when the settings asked for port 0).
  uint16_t Port() const { return port_; }
  const std::string& Folder() const { return settings_.folder; }

 private:
  using Clock = std::chrono::steady_clock;

  // One association of the pool.
  struct Association {
    // A duplicate of the connection, so that Stop and the watchdog can shut it down without
    // racing the association's own close of the original handle.
    int watchHandle = -1;
    // When the watchdog cuts the connection off, unless the association shows activity.
    Clock::time_point deadline;
    bool cutOff = false;
    bool finished = false;
    std::thread thread;
  };

  // Opens the listener again after it failed, pausing between attempts; false on Stop.
  bool ListenAgain();
  // Waits until the pool has room; false on Stop.
  bool WaitForRoom();
  void Launch(int connection);
  void Conduct(int connection, Association& association);
  // Joins the threads of ended associations. Called with the lock held.
  void ReapFinished();
  // Cuts off the connections whose deadline has passed, until Stop.
  void Watch();

  StoreSCPSettings settings_;
  ServiceRegistry services_;
  std::shared_ptr<const TlsContext> tls_;
  Socket listener_;
  uint16_t port_ = 0;
  int listenError_ = 0;

  std::mutex mutex_;
  // Signalled on Stop, when an association ends and when a deadline is set.
  std::condition_variable changed_;
  bool stopping_ = false;
  bool serving_ = false;
  std::list<Association> associations_;
  std::thread worker_;
};

}  // namespace norvane
