#include "net/socket.hpp"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

bool Socket::Open(std::string_view host, std::string_view port) {
  CloseData();
  const std::optional<uint16_t> portNumber = ResolvePortText(port);
  if (!portNumber) return false;
  const std::optional<in_addr> hostAddress = ResolveHostText(host);
  if (!hostAddress) return false;

  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    lastError_ = errno;
    return false;
  }
  SetNoLinger(fd);
  if (!SetNoDelay(fd)) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  address_ = sockaddr_in{};
  address_.sin_family = AF_INET;
  address_.sin_port = htons(*portNumber);
  address_.sin_addr = *hostAddress;
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    lastError_ = errno;
    ::close(fd);
    return false;
  }
  lastError_ = 0;
  dataSocket_ = fd;
  connected_ = true;
  return true;
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

bool Socket::WaitFor(short events) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + timeout_;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int waitMs =
        static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(left.count(), INT_MAX)));
    pollfd entry{};
    entry.fd = dataSocket_;
    entry.events = events;
    const int ready = ::poll(&entry, 1, waitMs);
    if (ready == 1) return true;
    if (ready < 0 && errno == EINTR) continue;
    return false;
  }
}

bool Socket::SendBinary(const uint8_t* data, size_t length) {
  if (!connected_) return false;
  size_t sent = 0;
  // A stream socket may take a block in parts; the rest must follow or the stream breaks.
  while (sent < length) {
    if (!WaitFor(POLLOUT)) return false;
    const ssize_t n = ::send(dataSocket_, data + sent, length - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  if (LogLevel() > 2) DumpTraffic(data, length, true);
  return true;
}

int Socket::ReadBinary(uint8_t* buffer, size_t size) {
  if (!connected_) return -1;
  if (size > static_cast<size_t>(INT_MAX)) size = static_cast<size_t>(INT_MAX);
  if (!WaitFor(POLLIN)) {
    Close();
    return -1;
  }
  ssize_t n;
  do {
    n = ::recv(dataSocket_, buffer, size, 0);
  } while (n < 0 && errno == EINTR);
  if (n == 0) {
    Close();
    return -1;
  }
  if (n < 0) return -1;
  if (LogLevel() > 2) DumpTraffic(buffer, static_cast<size_t>(n), false);
  return static_cast<int>(n);
}

}  // namespace norvane
