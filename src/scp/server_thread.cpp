#include "scp/server_thread.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <system_error>

#include "net/address_resolution.hpp"
#include "platform/folders.hpp"
#include "scp/association_service.hpp"

namespace norvane {
namespace {

constexpr std::chrono::milliseconds kFirstListenRetryPause{100};
constexpr std::chrono::seconds kListenRetryPause{1};
// The watchdog looks again at least this often, whatever the deadlines.
constexpr std::chrono::seconds kWatchPeriod{1};
constexpr long kMaxPortNumber = 65535;
// Connections beyond the pool wait in the kernel's queue for a free place; a short queue
// would have the kernel reset them when many requesters come at once.
constexpr int kWaitingConnections = SOMAXCONN;

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

// Associations run on threads of their own; their reports reach the observer one at a time.
StoreObserver Serialised(StoreObserver observer) {
  if (!observer) return observer;
  return [observer = std::move(observer),
          lock = std::make_shared<std::mutex>()](const StoreReport& report) {
    std::lock_guard guard(*lock);
    observer(report);
  };
}

// Shutting down the reading side wakes the association without a FIN of ours, so the
// abortive close that follows leaves no TIME_WAIT on the port.
void CutOff(int watchHandle) {
  if (watchHandle >= 0) ::shutdown(watchHandle, SHUT_RD);
}

}  // namespace

ServerThread::ServerThread(StoreSCPSettings settings)
    : ServerThread(settings, ScpServices(settings)) {}

ServerThread::ServerThread(StoreSCPSettings settings, ServiceRegistry services)
    : settings_(std::move(settings)), services_(std::move(services)) {
  settings_.folder = WithTrailingSeparator(settings_.folder);
  settings_.maxAssociations = std::max(settings_.maxAssociations, 1);
  settings_.observer = Serialised(std::move(settings_.observer));
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
  if (!listener_.ListenOnPort(*port, settings_.loopbackOnly, kWaitingConnections)) {
    listenError_ = listener_.LastError();
    return false;
  }
  listenError_ = 0;
  port_ = listener_.LocalPort();
  // The services learn where they listen (a C-MOVE to this SCP itself is told by it).
  settings_.port = std::to_string(port_);
  return true;
}

ServiceResult ServerThread::LoadTls() {
  if (!settings_.tls.enabled) return ServiceResult::Success();
  TlsContextMade made = TlsContext::Make(settings_.tls, TlsRole::kAcceptor);
  if (made) tls_ = std::move(made.context);
  return made;
}

void ServerThread::Start() {
  worker_ = std::thread([this] { Serve(); });
}

bool ServerThread::ListenAgain() {
  std::unique_lock lock(mutex_);
  // A pause first, so that a listener failing at once again does not spin.
  changed_.wait_for(lock, kFirstListenRetryPause, [this] { return stopping_; });
  while (!stopping_) {
    // Under the lock: Stop cannot slip in between this check and the new listener.
    if (listener_.ListenOnPort(port_, settings_.loopbackOnly, kWaitingConnections)) {
      return true;
    }
    changed_.wait_for(lock, kListenRetryPause, [this] { return stopping_; });
  }
  return false;
}

void ServerThread::ReapFinished() {
  for (auto it = associations_.begin(); it != associations_.end();) {
    if (!it->finished) {
      ++it;
      continue;
    }
    // A finished association's thread touches nothing shared any more.
    it->thread.join();
    it = associations_.erase(it);
  }
}

bool ServerThread::WaitForRoom() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] {
    ReapFinished();
    return stopping_ || associations_.size() < static_cast<size_t>(settings_.maxAssociations);
  });
  return !stopping_;
}

void ServerThread::Serve() {
  {
    std::lock_guard lock(mutex_);
    serving_ = true;
  }
  std::thread watchdog([this] { Watch(); });
  // A failed accept has closed the listener; the next round opens it again.
  while (WaitForRoom()) {
    if (!listener_.Listening() && !ListenAgain()) break;
    if (listener_.Accept()) Launch(listener_.ReleaseConnection());
  }
  listener_.Close();
  {
    std::unique_lock lock(mutex_);
    // Stop has cut every connection off; an object being stored is still finished.
    changed_.wait(lock, [this] {
      ReapFinished();
      return associations_.empty();
    });
    serving_ = false;
  }
  changed_.notify_all();
  watchdog.join();
}

void ServerThread::Launch(int connection) {
  std::lock_guard lock(mutex_);
  if (stopping_) {
    ::close(connection);
    return;
  }
  Association& association = associations_.emplace_back();
  association.watchHandle = ::dup(connection);
  association.deadline = Clock::now() + settings_.artimTimeout;
  try {
    association.thread =
        std::thread([this, connection, &association] { Conduct(connection, association); });
  } catch (const std::system_error&) {
    // No thread to serve it: the caller sees the connection close and may try again.
    CutOff(association.watchHandle);
    ::close(association.watchHandle);
    ::close(connection);
    associations_.pop_back();
    return;
  }
  changed_.notify_all();
}

void ServerThread::Conduct(int connection, Association& association) {
  if (settings_.tls.enabled && !tls_) {
    ::close(connection);
  } else {
    ServeAssociation(
        connection, settings_, services_,
        [this, &association](bool awaitingPeer) {
          std::lock_guard lock(mutex_);
          // Our own work (storing, answering) is never cut off; waiting for the peer is.
          association.deadline =
              awaitingPeer ? Clock::now() + settings_.idleTimeout : Clock::time_point::max();
        },
        tls_.get());
  }
  std::lock_guard lock(mutex_);
  if (association.watchHandle >= 0) ::close(association.watchHandle);
  association.watchHandle = -1;
  association.finished = true;
  changed_.notify_all();
}

void ServerThread::Watch() {
  std::unique_lock lock(mutex_);
  while (serving_ && !stopping_) {
    const Clock::time_point now = Clock::now();
    Clock::time_point next = now + kWatchPeriod;
    for (Association& association : associations_) {
      if (association.finished || association.cutOff) continue;
      if (association.deadline <= now) {
        CutOff(association.watchHandle);
        association.cutOff = true;
      } else {
        next = std::min(next, association.deadline);
      }
    }
    changed_.wait_until(lock, next);
  }
}

void ServerThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    listener_.StopListening();
    for (const Association& association : associations_) {
      if (!association.finished) CutOff(association.watchHandle);
    }
  }
  changed_.notify_all();
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
  // A listener that no thread serves is closed here; a serving thread closes its own.
  std::lock_guard lock(mutex_);
  if (!serving_) listener_.Close();
}

}  // namespace norvane
