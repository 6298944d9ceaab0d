#include "api/network_timeouts.hpp"

#include <atomic>

#include "norvane.h"

namespace norvane::api {
namespace {

// Seconds; read by every network call, on any thread. Until the network layer takes
// time-outs per association, they are kept here for the calls to hand on.
constexpr CallerTimeouts kDefaults;

int32_t Seconds(std::chrono::seconds duration) {
  return static_cast<int32_t>(duration.count());
}

std::atomic<int32_t> connectSetting{Seconds(kDefaults.connect)};
std::atomic<int32_t> acseSetting{Seconds(kDefaults.acse)};
std::atomic<int32_t> dimseSetting{Seconds(kDefaults.dimse)};

void Store(std::atomic<int32_t>& setting, int32_t seconds, std::chrono::seconds fallback) {
  setting = seconds >= 1 ? seconds : Seconds(fallback);
}

}  // namespace

CallerTimeouts CurrentTimeouts() {
  return {std::chrono::seconds(connectSetting.load()), std::chrono::seconds(acseSetting.load()),
          std::chrono::seconds(dimseSetting.load())};
}

}  // namespace norvane::api

extern "C" void SetTimeouts(int32_t connectSeconds, int32_t acseSeconds, int32_t dimseSeconds) {
  using namespace norvane::api;
  Store(connectSetting, connectSeconds, kDefaults.connect);
  Store(acseSetting, acseSeconds, kDefaults.acse);
  Store(dimseSetting, dimseSeconds, kDefaults.dimse);
}
