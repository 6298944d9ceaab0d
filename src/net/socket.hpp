#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "net/address_resolution.hpp"

namespace norvane {

// The blocking TCP endpoint under every association (IPv4): connects to a remote node,
// listens and accepts, sends, and receives with a time-out. Failures are results; the
// socket writes no log lines of its own, only the traffic dump at log level above 2.
class Socket {
 public:
  static constexpr std::chrono::seconds kReceiveTimeout{300};
  static constexpr int kListenBacklog = 10;

  Socket();
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // True when the whole block was handed to the connection.
  virtual bool SendBinary(const uint8_t* data, size_t length);
  // Bytes received (1 or more), or -1 when not connected, on time-out, when the peer
  // closed the connection (these two close the socket) or on a receive error.
  virtual int ReadBinary(uint8_t* buffer, size_t size);
  virtual ~Socket();
  // Connects to host:port. A host starting with a non-zero number is a dotted-decimal
  // address; otherwise a name. A port with a non-zero leading number is that number;
  // otherwise a service name.
  virtual bool Open(std::string_view host, std::string_view port);

  // Listens on all local addresses; the port text is resolved as for Open.
  bool Listen(std::string_view port);
  // Listens on a port number; 0 picks a free port (see LocalPort). `loopbackOnly` binds
  // 127.0.0.1 instead of every local address; `backlog` connections may wait to be accepted.
  bool ListenOnPort(uint16_t port, bool loopbackOnly = false, int backlog = kListenBacklog);
  // Port of the listening socket (or of the connection's local end); 0 when none.
  uint16_t LocalPort() const;
  // Blocks until a connection arrives; it becomes this socket's connection. Transient
  // accept errors are waited out. A failure, or StopListening, closes the listener.
  bool Accept();
  // May be called from any thread: makes a blocked or later Accept fail, which then
  // closes the listener and releases its port.
  void StopListening();
  // Closes the listener and the connection; always true.
  bool Close();

  // Takes over a connection accepted elsewhere (the acceptor of an association).
  void AdoptConnection(int fd);
  // Hands the connection's handle to its new owner without closing it; -1 when none.
  int ReleaseConnection();

  bool Connected() const { return connected_; }
  bool Listening() const { return listening_; }
  // errno of the last failed connect, bind or resolution; 0 after success.
  int LastError() const { return lastError_; }
  const sockaddr_in& Address() const { return address_; }

  // The receive time-out is fixed at 300 s in use; tests shorten it.
  void SetReceiveTimeoutForTesting(std::chrono::milliseconds timeout) { timeout_ = timeout; }
  std::chrono::milliseconds ReceiveTimeout() const { return timeout_; }

  // Number of Socket objects alive in the process.
  static int LiveCount();

 private:
  bool ListenOnAddress(uint32_t hostOrderAddress, uint16_t port, int backlog);
  void CloseData();
  void CloseListen();
  // Waits for `events` on the connection up to the time-out; false on time-out or error.
  bool WaitFor(short events);

  int lastError_ = 0;
  int dataSocket_ = -1;
  bool connected_ = false;
  bool listening_ = false;
  std::chrono::milliseconds timeout_ = kReceiveTimeout;
  sockaddr_in address_{};

  // The listener may be stopped from another thread while Accept blocks; the handle is
  // only closed under the mutex, and StopListening only shuts it down.
  mutable std::mutex listenMutex_;
  int listenSocket_ = -1;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace norvane
