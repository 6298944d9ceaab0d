#pragma once

// The settings as named values, so that they can be shown and edited without the setup
// dialog (the command line's `config`). Lists are shown and set by their entry texts.

#include <span>
#include <string>
#include <string_view>

#include "app/setup/settings.hpp"

namespace norvane {

struct SettingsKey {
  std::string_view name;  // "host", "port", "local-aet", ...
  std::string_view help;  // what it holds and which values it takes
};

// Every key, in the order of the setup dialog.
std::span<const SettingsKey> SettingsKeys();

// The value of a key as text: a list's entry text, "none" when no entry is chosen, the
// stored number when it names no entry. Empty for an unknown key.
std::string SettingsValueText(const Settings& settings, std::string_view key);

// Sets a key from text. Returns why the value was refused (unknown key, text too long for
// its field, no such list entry, port not a number from 1 to 65535); empty when it was set.
std::string SetSettingsValue(Settings& settings, std::string_view key, std::string_view value);

}  // namespace norvane
