#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "net/address_resolution.hpp"
#include "net/transport.hpp"

namespace norvane {

// Why the last Open failed.
enum class ConnectFailure : uint8_t {
  kNone,
  kPort,     // the port text is no port number and no known service name
  kHost,     // the host is not found (or the text is empty or too long)
  kRefused,  // nothing listens there
  kTimeout,  // the connect time-out passed first
  kNetwork,  // no route, or another error of the connect (LastError says which)
};

// How an Open went: kNone on success, else why it failed and the errno behind it.
struct [[nodiscard]] ConnectOutcome {
  ConnectFailure failure = ConnectFailure::kNone;
  int error = 0;
  explicit operator bool() const { return failure == ConnectFailure::kNone; }
};

// The blocking TCP endpoint under every association (IPv4): connects to a remote node,
// listens and accepts, sends, and receives with time limits. Failures are results; the
// socket writes no log lines of its own, only the traffic dump at log level above 2.
//
// Two limits bound a wait for the peer. The receive time-out bounds each single wait (for
// data to read, or for room to send); when it passes while receiving, the socket closes.
// A deadline, set by the owner for a whole exchange, bounds every wait until it is
// cleared; when it passes, the receive or send fails and the socket stays open, so that
// its owner can still abort the association. A peer that trickles bytes cannot extend a
// deadline.
class Socket : public Transport {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kReceiveTimeout{300};
  static constexpr int kListenBacklog = 10;

  Socket();
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // True when the whole block was handed to the connection.
  virtual bool SendBinary(const uint8_t* data, size_t length);
  // Bytes received (1 or more), or -1 when not connected, on time-out, when the peer
  // closed or reset the connection (these close the socket) or when a deadline passed.
  virtual int ReadBinary(uint8_t* buffer, size_t size);
  ~Socket() override;

  // The plain TCP stream.
  bool Send(const uint8_t* data, size_t length) override { return SendBinary(data, length); }
  int Receive(uint8_t* buffer, size_t size) override { return ReadBinary(buffer, size); }
  bool Readable() override;
  void Shutdown() override { CloseData(); }

  // Waits, within the receive time-out and the deadline, until the connection can be read
  // (`forReading`) or written; false when a limit passed (TimedOut, DeadlinePassed tell
  // which) or the connection failed. For a layer over the connection that drives its own
  // reads and writes.
  bool AwaitReady(bool forReading);
  // The connection's handle, for such a layer; -1 when none.
  int Handle() const { return dataSocket_; }
  // Acknowledges what has arrived at once, for a layer that reads the handle itself: a
  // peer with Nagle's algorithm on would otherwise wait for a delayed acknowledgement.
  void AcknowledgeReceived() const;
  // Connects to host:port within the connect time-out. A host starting with a non-zero
  // number is a dotted-decimal address; otherwise a name. A port with a non-zero leading
  // number is that number; otherwise a service name.
  virtual ConnectOutcome Open(std::string_view host, std::string_view port);

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
  // Ends the connection in order: sends our end of it, reads and drops what the peer still
  // sends until it closes or `limit` passes, then closes as Close does. Close resets the
  // connection, and a reset may discard what the peer has not read yet (a TLS alert); this
  // lets it read everything first.
  void CloseAfterPeer(std::chrono::milliseconds limit);

  // Takes over a connection accepted elsewhere (the acceptor of an association).
  void AdoptConnection(int fd);
  // Hands the connection's handle to its new owner without closing it; -1 when none.
  int ReleaseConnection();

  bool Connected() const { return connected_; }
  bool Listening() const { return listening_; }
  // errno of the last failed listen or bind; 0 after success.
  int LastError() const { return lastError_; }
  const sockaddr_in& Address() const { return address_; }

  // How long Open may take; zero (the default) leaves it to the system.
  void SetConnectTimeout(std::chrono::milliseconds timeout) { connectTimeout_ = timeout; }
  // The limit of each single wait; 300 s after construction, zero for none.
  void SetReceiveTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
  std::chrono::milliseconds ReceiveTimeout() const { return timeout_; }

  // Every receive and send fails once `deadline` has passed, until ClearDeadline.
  void SetDeadline(Clock::time_point deadline);
  void ClearDeadline();
  // The last receive or send failed because the deadline had passed.
  bool DeadlinePassed() const { return deadlinePassed_; }
  // The last receive or send failed because a limit passed: the deadline or the receive
  // time-out.
  bool TimedOut() const { return timedOut_; }

  // Number of Socket objects alive in the process.
  static int LiveCount();

 private:
  bool ListenOnAddress(uint32_t hostOrderAddress, uint16_t port, int backlog);
  void CloseData();
  void CloseListen();
  enum class Wait : uint8_t { kReady, kTimeout, kDeadline, kError };
  // Waits for `events` on the connection up to the receive time-out and the deadline.
  Wait WaitFor(short events);
  // The deadline has passed: marks the socket timed out (not closed).
  bool DeadlineReached();
  // Connects the new handle to address_ within the connect time-out.
  ConnectOutcome ConnectHandle(int fd);

  int lastError_ = 0;
  int dataSocket_ = -1;
  bool connected_ = false;
  bool listening_ = false;
  std::chrono::milliseconds timeout_ = kReceiveTimeout;
  std::chrono::milliseconds connectTimeout_{0};
  std::optional<Clock::time_point> deadline_;
  bool deadlinePassed_ = false;
  bool timedOut_ = false;
  sockaddr_in address_{};

  // The listener may be stopped from another thread while Accept blocks; the handle is
  // only closed under the mutex, and StopListening only shuts it down.
  mutable std::mutex listenMutex_;
  int listenSocket_ = -1;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace norvane
