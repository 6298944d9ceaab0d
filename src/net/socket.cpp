#include "net/socket.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>
#include <thread>

#include "log/log.hpp"

namespace norvane {
namespace {

std::atomic<int> liveSockets{0};

bool SetNoLinger(int fd) {
  linger option{};
  option.l_onoff = 1;
  option.l_linger = 0;
  return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &option, sizeof option) == 0;
}

bool SetNoDelay(int fd) {
  const int on = 1;
  return ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
}

// A peer with Nagle's algorithm on holds back its next small segment until the last one is
// acknowledged; a delayed acknowledgement would stall it for tens of milliseconds on every
// PDU it writes in two parts. Linux clears the option again as soon as it sees a
// request-response pattern, so it is set anew after every read.
void AcknowledgeAtOnce(int fd) {
#ifdef TCP_QUICKACK
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#else
  (void)fd;
#endif
}

// accept errors after which the listener is still good (accept(2) lists the network
// errors that are passed on from a connection that already failed).
bool IsTransientAcceptError(int error) {
  switch (error) {
    case EINTR:
    case EAGAIN:
    case ECONNABORTED:
    case EPROTO:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case ETIMEDOUT:
    case EPERM:
      return true;
    default:
      return false;
  }
}

// Out of descriptors or memory: worth a short pause, then another try.
bool IsResourceAcceptError(int error) {
  return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

// What poll takes to wait until `until`: 0 when it has passed, never more than INT_MAX.
int WaitMilliseconds(std::chrono::steady_clock::time_point until) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      until - std::chrono::steady_clock::now());
  // Rounded up, so that a wait does not end a fraction of a millisecond early.
  const int64_t ms = left.count() + 1;
  return static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(ms, INT_MAX)));
}

}  // namespace

Socket::Socket() {
  liveSockets.fetch_add(1, std::memory_order_relaxed);
}

Socket::~Socket() {
  CloseListen();
  CloseData();
  liveSockets.fetch_sub(1, std::memory_order_relaxed);
}

int Socket::LiveCount() {
  return liveSockets.load(std::memory_order_relaxed);
}

void Socket::CloseData() {
  if (dataSocket_ >= 0) {
    ::shutdown(dataSocket_, SHUT_RDWR);
    ::close(dataSocket_);
  }
  dataSocket_ = -1;
  connected_ = false;
}

void Socket::CloseListen() {
  std::lock_guard lock(listenMutex_);
  if (listenSocket_ >= 0) ::close(listenSocket_);
  listenSocket_ = -1;
  listening_ = false;
}

bool Socket::Close() {
  CloseListen();
  CloseData();
  return true;
}

void Socket::CloseAfterPeer(std::chrono::milliseconds limit) {
  if (dataSocket_ >= 0 && ::shutdown(dataSocket_, SHUT_WR) == 0) {
    const Clock::time_point until = Clock::now() + limit;
    uint8_t dropped[4096];
    for (;;) {
      pollfd entry{};
      entry.fd = dataSocket_;
      entry.events = POLLIN;
      const int ready = ::poll(&entry, 1, WaitMilliseconds(until));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0 || ::recv(dataSocket_, dropped, sizeof dropped, MSG_DONTWAIT) <= 0) break;
    }
  }
  Close();
}

ConnectOutcome Socket::Open(std::string_view host, std::string_view port) {
  CloseData();
  const std::optional<uint16_t> portNumber = ResolvePortText(port);
  if (!portNumber) return {ConnectFailure::kPort, 0};
  const std::optional<in_addr> hostAddress = ResolveHostText(host);
  if (!hostAddress) return {ConnectFailure::kHost, 0};

  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return {ConnectFailure::kNetwork, errno};
  SetNoLinger(fd);
  if (!SetNoDelay(fd)) {
    const int error = errno;
    ::close(fd);
    return {ConnectFailure::kNetwork, error};
  }
  address_ = sockaddr_in{};
  address_.sin_family = AF_INET;
  address_.sin_port = htons(*portNumber);
  address_.sin_addr = *hostAddress;
  const ConnectOutcome connected = ConnectHandle(fd);
  if (!connected) {
    ::close(fd);
    return connected;
  }
  dataSocket_ = fd;
  connected_ = true;
  return connected;
}

// Non-blocking, so that a peer whose listen queue is full (its SYNs dropped) or an address
// that never answers cannot hold the caller for the system's minutes of retries.
ConnectOutcome Socket::ConnectHandle(int fd) {
  const int flags = ::fcntl(fd, F_GETFL, 0);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
    return {ConnectFailure::kNetwork, errno};
  }
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
  } while (result != 0 && errno == EINTR);
  int error = result == 0 ? 0 : errno;
  if (error == EINPROGRESS) {
    const Clock::time_point deadline = Clock::now() + connectTimeout_;
    for (;;) {
      pollfd entry{};
      entry.fd = fd;
      entry.events = POLLOUT;
      const int ready =
          ::poll(&entry, 1, connectTimeout_.count() > 0 ? WaitMilliseconds(deadline) : -1);
      if (ready < 0 && errno == EINTR) continue;
      if (ready == 0) return {ConnectFailure::kTimeout, ETIMEDOUT};
      if (ready < 0) {
        error = errno;
        break;
      }
      socklen_t length = sizeof error;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      break;
    }
  }
  if (error == ECONNREFUSED) return {ConnectFailure::kRefused, error};
  if (error == ETIMEDOUT) return {ConnectFailure::kTimeout, error};
  if (error != 0) return {ConnectFailure::kNetwork, error};
  // Reads and writes wait with poll; the handle goes back to blocking as before.
  if (::fcntl(fd, F_SETFL, flags) != 0) return {ConnectFailure::kNetwork, errno};
  return {};
}

bool Socket::Listen(std::string_view port) {
  const std::optional<uint16_t> portNumber = ResolvePortText(port);
  if (!portNumber) {
    Close();
    return false;
  }
  return ListenOnAddress(INADDR_ANY, *portNumber, kListenBacklog);
}

bool Socket::ListenOnPort(uint16_t port, bool loopbackOnly, int backlog) {
  return ListenOnAddress(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY, port, backlog);
}

bool Socket::ListenOnAddress(uint32_t hostOrderAddress, uint16_t port, int backlog) {
  Close();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    lastError_ = errno;
    return false;
  }
  SetNoLinger(fd);
  // A listener restarted on its port must not wait for old connections to time out.
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  address_ = sockaddr_in{};
  address_.sin_family = AF_INET;
  address_.sin_port = htons(port);
  address_.sin_addr.s_addr = htonl(hostOrderAddress);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) != 0 ||
      ::listen(fd, backlog) != 0) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  lastError_ = 0;
  stopRequested_.store(false);
  std::lock_guard lock(listenMutex_);
  listenSocket_ = fd;
  listening_ = true;
  return true;
}

uint16_t Socket::LocalPort() const {
  std::lock_guard lock(listenMutex_);
  const int fd = listenSocket_ >= 0 ? listenSocket_ : dataSocket_;
  if (fd < 0) return 0;
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return ntohs(local.sin_port);
}

bool Socket::Accept() {
  int fd;
  {
    std::lock_guard lock(listenMutex_);
    if (!listening_ || listenSocket_ < 0) return false;
    fd = listenSocket_;
  }
  while (!stopRequested_.load()) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int connection = ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (connection >= 0) {
      if (stopRequested_.load()) {
        ::close(connection);
        break;
      }
      CloseData();
      SetNoLinger(connection);
      SetNoDelay(connection);
      address_ = peer;
      dataSocket_ = connection;
      connected_ = true;
      return true;
    }
    const int error = errno;
    if (IsTransientAcceptError(error)) continue;
    if (IsResourceAcceptError(error)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    lastError_ = error;
    break;
  }
  Close();
  return false;
}

void Socket::StopListening() {
  stopRequested_.store(true);
  std::lock_guard lock(listenMutex_);
  // Wakes a thread blocked in accept; the accepting thread closes the handle.
  if (listenSocket_ >= 0) ::shutdown(listenSocket_, SHUT_RDWR);
}

void Socket::AdoptConnection(int fd) {
  CloseData();
  if (fd < 0) return;
  // Best effort: the handle may not be TCP (a socket pair in tests).
  SetNoDelay(fd);
  dataSocket_ = fd;
  connected_ = true;
}

int Socket::ReleaseConnection() {
  const int fd = dataSocket_;
  dataSocket_ = -1;
  connected_ = false;
  return fd;
}

void Socket::SetDeadline(Clock::time_point deadline) {
  deadline_ = deadline;
  deadlinePassed_ = false;
}

void Socket::ClearDeadline() {
  deadline_.reset();
  deadlinePassed_ = false;
}

Socket::Wait Socket::WaitFor(short events) {
  const bool limited = timeout_.count() > 0;
  const Clock::time_point timeout = limited ? Clock::now() + timeout_ : Clock::time_point::max();
  for (;;) {
    // Checked before waiting: data that is always ready must not carry a read past it.
    if (deadline_ && Clock::now() >= *deadline_) return Wait::kDeadline;
    const bool deadlineFirst = deadline_ && *deadline_ <= timeout;
    const Clock::time_point until = deadlineFirst ? *deadline_ : timeout;
    pollfd entry{};
    entry.fd = dataSocket_;
    entry.events = events;
    const int ready =
        ::poll(&entry, 1, until == Clock::time_point::max() ? -1 : WaitMilliseconds(until));
    if (ready == 1) return Wait::kReady;
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Wait::kError;
    return deadlineFirst ? Wait::kDeadline : Wait::kTimeout;
  }
}

bool Socket::Readable() {
  if (!connected_) return true;
  pollfd entry{};
  entry.fd = dataSocket_;
  entry.events = POLLIN;
  int ready;
  do {
    ready = ::poll(&entry, 1, 0);
  } while (ready < 0 && errno == EINTR);
  return ready != 0;
}

bool Socket::AwaitReady(bool forReading) {
  if (!connected_) return false;
  timedOut_ = false;
  if (DeadlineReached()) return false;
  const Wait wait = WaitFor(forReading ? POLLIN : POLLOUT);
  if (wait == Wait::kDeadline) deadlinePassed_ = true;
  timedOut_ = wait == Wait::kDeadline || wait == Wait::kTimeout;
  return wait == Wait::kReady;
}

bool Socket::DeadlineReached() {
  if (!deadline_ || Clock::now() < *deadline_) return false;
  deadlinePassed_ = true;
  timedOut_ = true;
  return true;
}

// Sends at once and waits only when the connection takes no more (EAGAIN): a send that
// does not block costs one system call. The limits bound the waits; a passed deadline
// fails even a send that would not block.
void Socket::AcknowledgeReceived() const {
  AcknowledgeAtOnce(dataSocket_);
}

bool Socket::SendBinary(const uint8_t* data, size_t length) {
  if (!connected_) return false;
  timedOut_ = false;
  if (DeadlineReached()) return false;
  size_t sent = 0;
  // A stream socket may take a block in parts; the rest must follow or the stream breaks.
  while (sent < length) {
    const ssize_t n = ::send(dataSocket_, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const Wait wait = WaitFor(POLLOUT);
    if (wait == Wait::kDeadline) deadlinePassed_ = true;
    timedOut_ = wait == Wait::kDeadline || wait == Wait::kTimeout;
    if (wait != Wait::kReady) return false;
  }
  if (LogLevel() > 2) DumpTraffic(data, length, true);
  return true;
}

namespace {

// A peer that is sending sends its next PDU within microseconds: waiting that long awake
// costs less, on both sides, than going to sleep in poll and being woken for each PDU.
bool SpinFor(int fd) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
  uint8_t byte;
  do {
    if (::recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) >= 0) return true;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return true;
  } while (std::chrono::steady_clock::now() < until);
  return false;
}

}  // namespace

// Takes what has arrived without waiting; waits (within the limits) only when nothing has.
int Socket::ReadBinary(uint8_t* buffer, size_t size) {
  if (!connected_) return -1;
  if (size > static_cast<size_t>(INT_MAX)) size = static_cast<size_t>(INT_MAX);
  timedOut_ = false;
  // The owner decides how the association ends: it may still send an A-ABORT.
  if (DeadlineReached()) return -1;
  int flags = MSG_DONTWAIT;
  for (;;) {
    const ssize_t n = ::recv(dataSocket_, buffer, size, flags);
    if (n > 0) {
      AcknowledgeReceived();
      if (LogLevel() > 2) DumpTraffic(buffer, static_cast<size_t>(n), false);
      return static_cast<int>(n);
    }
    if (n == 0) {
      Close();
      return -1;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      // A reset connection is as gone as a closed one.
      Close();
      return -1;
    }
    if (flags == 0) return -1;
    if (SpinFor(dataSocket_)) continue;
    switch (WaitFor(POLLIN)) {
      case Wait::kReady:
        break;
      case Wait::kDeadline:
        deadlinePassed_ = true;
        timedOut_ = true;
        return -1;
      case Wait::kTimeout:
        timedOut_ = true;
        Close();
        return -1;
      case Wait::kError:
        Close();
        return -1;
    }
    // Ready: the next receive finds data (or the end of the connection).
    flags = 0;
  }
}

}  // namespace norvane
