#include "app/setup/tls_settings_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/replace_file.hpp"

namespace norvane {
namespace {

constexpr SettingsKey kKeys[] = {
    {"tls", "on or off: TLS on every association of the network operations"},
    {"tls-profile", "bcp195-nd (non-downgrading, the default), bcp195 or bcp195-ex"},
    {"tls-ca", "file of trusted certificates (PEM); empty: the system's"},
    {"tls-cert", "own certificate (PEM) for peers that require one; empty: none"},
    {"tls-key", "the unencrypted private key (PEM) of tls-cert"},
    {"tls-verify", "on or off: verify the peer's certificate and host name"},
};

std::string OnOff(bool on) {
  return on ? "on" : "off";
}

// "on"/"off" into `flag`; false for another text.
bool TakeOnOff(std::string_view value, bool& flag) {
  if (value != "on" && value != "off") return false;
  flag = value == "on";
  return true;
}

}  // namespace

std::string TlsSettingsPathBeside(const std::string& settingsPath) {
  const size_t slash = settingsPath.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : settingsPath.substr(0, slash + 1);
  return folder + std::string(kTlsSettingsFileName);
}

std::span<const SettingsKey> TlsSettingsKeys() {
  return kKeys;
}

std::string TlsSettingsValueText(const TlsSettings& tls, std::string_view key) {
  if (key == "tls") return OnOff(tls.enabled);
  if (key == "tls-profile") return std::string(TlsProfileName(tls.profile));
  if (key == "tls-ca") return tls.caFile;
  if (key == "tls-cert") return tls.certificateFile;
  if (key == "tls-key") return tls.keyFile;
  if (key == "tls-verify") return OnOff(tls.verifyPeer);
  return {};
}

std::string SetTlsSettingsValue(TlsSettings& tls, std::string_view key, std::string_view value) {
  const std::string quoted = "'" + std::string(value) + "'";
  if (key == "tls" || key == "tls-verify") {
    bool& flag = key == "tls" ? tls.enabled : tls.verifyPeer;
    return TakeOnOff(value, flag) ? std::string() : quoted + " is neither on nor off";
  }
  if (key == "tls-profile") {
    const std::optional<TlsProfile> profile = TlsProfileNamed(value);
    if (!profile) return quoted + " is none of bcp195, bcp195-nd, bcp195-ex";
    tls.profile = *profile;
    return {};
  }
  if (value.find('\n') != std::string_view::npos) return "a file name holds no line break";
  if (key == "tls-ca")
    tls.caFile = value;
  else if (key == "tls-cert")
    tls.certificateFile = value;
  else if (key == "tls-key")
    tls.keyFile = value;
  else
    return "unknown key '" + std::string(key) + "'";
  return {};
}

TlsSettings LoadTlsSettings(const std::string& path) {
  TlsSettings tls;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    (void)SetTlsSettingsValue(tls, std::string_view(line).substr(0, equals),
                              std::string_view(line).substr(equals + 1));
  }
  return tls;
}

SettingsSaveResult SaveTlsSettings(const std::string& path, const TlsSettings& tls) {
  std::string text;
  for (const SettingsKey& key : kKeys)
    text += std::string(key.name) + "=" + TlsSettingsValueText(tls, key.name) + "\n";
  FileReplacement file(path);
  const auto failed = [&](const char* what) {
    return SettingsSaveResult{
        false, std::string("cannot ") + what + " " + path + ": " + std::strerror(errno)};
  };
  if (!file.Open()) return failed("create a file beside");
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  if (!file.Write({bytes, text.size()}) || !file.Commit()) return failed("write");
  return {true, {}};
}

}  // namespace norvane
