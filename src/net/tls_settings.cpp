#include "net/tls_settings.hpp"

namespace norvane {
namespace {

struct NamedProfile {
  std::string_view name;
  TlsProfile profile;
};

constexpr NamedProfile kProfiles[] = {
    {"bcp195", TlsProfile::kBcp195},
    {"bcp195-nd", TlsProfile::kBcp195NonDowngrading},
    {"bcp195-ex", TlsProfile::kBcp195Extended},
};

}  // namespace

std::optional<TlsProfile> TlsProfileNamed(std::string_view name) {
  for (const NamedProfile& entry : kProfiles) {
    if (entry.name == name) return entry.profile;
  }
  return std::nullopt;
}

std::string_view TlsProfileName(TlsProfile profile) {
  for (const NamedProfile& entry : kProfiles) {
    if (entry.profile == profile) return entry.name;
  }
  return "bcp195-nd";
}

}  // namespace norvane
