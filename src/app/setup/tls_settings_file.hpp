#pragma once

// The TLS settings, which the fixed 440-byte settings file has no room for: a small text
// file beside it, one "key=value" line per setting (the keys of TlsSettingsKeys).

#include <span>
#include <string>
#include <string_view>

#include "app/setup/settings.hpp"
#include "app/setup/settings_keys.hpp"
#include "net/tls_settings.hpp"

namespace norvane {

inline constexpr std::string_view kTlsSettingsFileName = "testscu-tls.cfg";

// The file beside a settings file (same folder, kTlsSettingsFileName).
std::string TlsSettingsPathBeside(const std::string& settingsPath);

// Reads the file; a missing or unreadable one gives plain TCP, and a line that is no
// known key with a usable value is skipped.
TlsSettings LoadTlsSettings(const std::string& path);
// Writes every key (through a temporary file, as the settings file is written).
SettingsSaveResult SaveTlsSettings(const std::string& path, const TlsSettings& tls);

// "tls", "tls-profile", "tls-ca", "tls-cert", "tls-key", "tls-verify".
std::span<const SettingsKey> TlsSettingsKeys();
// A key's value as text; empty for an unknown key.
std::string TlsSettingsValueText(const TlsSettings& tls, std::string_view key);
// Sets a key from text; why the value was refused (unknown key, not on/off, no such
// profile), empty when it was set.
std::string SetTlsSettingsValue(TlsSettings& tls, std::string_view key, std::string_view value);

}  // namespace norvane
