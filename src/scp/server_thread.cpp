#include "scp/server_thread.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

#include "net/address_resolution.hpp"
#include "platform/folders.hpp"
#include "scp/store_association.hpp"

namespace norvane {
namespace {

constexpr std::chrono::milliseconds kFirstListenRetryPause{100};
constexpr std::chrono::seconds kListenRetryPause{1};
constexpr long kMaxPortNumber = 65535;

// A port text as a number: decimal digits (0 asks for any free port), else a service name.
std::optional<uint16_t> PortNumber(const std::string& text) {
  if (!text.empty() && text.size() <= 5 &&
      text.find_first_not_of("0123456789") == std::string::npos) {
    const long number = std::stol(text);
    if (number > kMaxPortNumber) return std::nullopt;
    return static_cast<uint16_t>(number);
  }
  return ResolvePortText(text);
}

}  // namespace

ServerThread::ServerThread(StoreSCPSettings settings) : settings_(std::move(settings)) {
  settings_.folder = WithTrailingSeparator(settings_.folder);
}

ServerThread::~ServerThread() {
  Stop();
}

bool ServerThread::Listen() {
  const std::optional<uint16_t> port = PortNumber(settings_.port);
  if (!port) {
    listenError_ = EINVAL;
    return false;
  }
  if (!listener_.ListenOnPort(*port, settings_.loopbackOnly)) {
    listenError_ = listener_.LastError();
    return false;
  }
  listenError_ = 0;
  port_ = listener_.LocalPort();
  return true;
}

void ServerThread::Start() {
  worker_ = std::thread([this] { Serve(); });
}

bool ServerThread::ListenAgain() {
  std::unique_lock lock(mutex_);
  // A pause first, so that a listener failing at once again does not spin.
  stopped_.wait_for(lock, kFirstListenRetryPause, [this] { return stopping_; });
  while (!stopping_) {
    // Under the lock: Stop cannot slip in between this check and the new listener.
    if (listener_.ListenOnPort(port_, settings_.loopbackOnly)) return true;
    stopped_.wait_for(lock, kListenRetryPause, [this] { return stopping_; });
  }
  return false;
}

void ServerThread::Serve() {
  {
    std::lock_guard lock(mutex_);
    serving_ = true;
  }
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    if (!listener_.Listening() && !ListenAgain()) break;
    // A failed accept has closed the listener; the next round opens it again.
    if (!listener_.Accept()) continue;
    Conduct(listener_.ReleaseConnection());
  }
  listener_.Close();
  std::lock_guard lock(mutex_);
  serving_ = false;
}

void ServerThread::Conduct(int connection) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) {
      ::close(connection);
      return;
    }
    activeConnection_ = ::dup(connection);
  }
  ServeAssociation(connection, settings_);
  std::lock_guard lock(mutex_);
  if (activeConnection_ >= 0) ::close(activeConnection_);
  activeConnection_ = -1;
}

void ServerThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    listener_.StopListening();
    // Shutting down the reading side wakes the association without a FIN of ours, so the
    // abortive close that follows leaves no TIME_WAIT on the port.
    if (activeConnection_ >= 0) ::shutdown(activeConnection_, SHUT_RD);
  }
  stopped_.notify_all();
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
  // A listener that no thread serves is closed here; a serving thread closes its own.
  std::lock_guard lock(mutex_);
  if (!serving_) listener_.Close();
}

}  // namespace norvane
