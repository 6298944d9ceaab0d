#include "api/network_timeouts.hpp"

#include <atomic>

#include "norvane.h"

namespace norvane::api {
namespace {

// Seconds; read by every network call, on any thread, and handed to its association.
constexpr NetworkTimeouts kDefaults;

int32_t Seconds(std::chrono::milliseconds duration) {
  return static_cast<int32_t>(std::chrono::duration_cast<std::chrono::seconds>(duration).count());
}

std::atomic<int32_t> connectSetting{Seconds(kDefaults.connect)};
std::atomic<int32_t> acseSetting{Seconds(kDefaults.acse)};
std::atomic<int32_t> dimseSetting{Seconds(kDefaults.dimse)};

void Store(std::atomic<int32_t>& setting, int32_t seconds, std::chrono::milliseconds fallback) {
  setting = seconds >= 1 ? seconds : Seconds(fallback);
}

}  // namespace

NetworkTimeouts CurrentTimeouts() {
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
