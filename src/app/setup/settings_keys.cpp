#include "app/setup/settings_keys.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <optional>
#include <vector>

namespace norvane {
namespace {

constexpr size_t kMaxAETitleLength = 16;
constexpr std::string_view kNone = "none";

struct KeyHandler {
  SettingsKey key;
  std::function<std::string(const Settings&)> get;
  std::function<std::string(Settings&, std::string_view)> set;  // why not, or empty
};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string TooLong(std::string_view value, size_t limit) {
  if (value.size() <= limit) return {};
  return "'" + std::string(value) + "' is longer than " + std::to_string(limit) + " characters";
}

// A list's value: its entry's position, or -1 for "none"; nothing when no entry matches.
// An entry written exactly as listed wins over "none", so the magnification type "NONE"
// stays an entry; otherwise case does not matter.
std::optional<int32_t> ListPosition(std::span<const std::string_view> entries,
                                    std::string_view value) {
  const auto find = [&](auto same) -> std::optional<int32_t> {
    for (size_t i = 0; i < entries.size(); ++i) {
      if (same(entries[i], value)) return static_cast<int32_t>(i);
    }
    return std::nullopt;
  };
  if (const auto exact = find(std::equal_to<std::string_view>())) return exact;
  if (SameText(value, kNone)) return -1;
  return find(SameText);
}

std::string ListText(std::span<const std::string_view> entries, int32_t position) {
  if (position == -1) return std::string(kNone);
  if (position < -1 || static_cast<size_t>(position) >= entries.size()) {
    return std::to_string(position);
  }
  return std::string(entries[static_cast<size_t>(position)]);
}

std::string NoSuchEntry(std::string_view value, std::span<const std::string_view> entries) {
  std::string choices;
  for (std::string_view entry : entries)
    choices += "'" + std::string(entry) + "', ";
  return "'" + std::string(value) + "' is none of " + choices + "'none'";
}

KeyHandler TextKey(SettingsKey key, size_t limit, std::string (Settings::*get)() const,
                   void (Settings::*set)(std::string_view)) {
  return {key, [get](const Settings& s) { return (s.*get)(); },
          [limit, set](Settings& s, std::string_view value) {
            std::string problem = TooLong(value, limit);
            if (problem.empty()) (s.*set)(value);
            return problem;
          }};
}

KeyHandler ListKey(SettingsKey key, std::span<const std::string_view> entries,
                   int32_t (Settings::*get)() const, void (Settings::*set)(int32_t)) {
  return {key, [entries, get](const Settings& s) { return ListText(entries, (s.*get)()); },
          [entries, set](Settings& s, std::string_view value) {
            const std::optional<int32_t> position = ListPosition(entries, value);
            if (!position) return NoSuchEntry(value, entries);
            (s.*set)(*position);
            return std::string();
          }};
}

std::string SetPort(Settings& s, std::string_view value) {
  long port = 0;
  const bool digits =
      !value.empty() && value.size() <= 5 &&
      std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits) port = std::stol(std::string(value));
  if (!digits || port < 1 || port > 65535) {
    return "'" + std::string(value) + "' is not a port number from 1 to 65535";
  }
  s.setPort(value);
  return {};
}

// The log level is stored as the list position plus 1, 0 when none was chosen; the
// numbers 0 to 3 (the command line's --log-level) are taken as well.
std::string LogLevelText(const Settings& s) {
  const int32_t level = s.logLevel();
  return level == 0 ? std::string(kNone) : ListText(LogLevelEntries(), level - 1);
}

std::string SetLogLevel(Settings& s, std::string_view value) {
  if (value.size() == 1 && value[0] >= '0' && value[0] <= '3') {
    s.setLogLevel(value[0] - '0');
    return {};
  }
  const std::optional<int32_t> position = ListPosition(LogLevelEntries(), value);
  if (!position) return NoSuchEntry(value, LogLevelEntries()) + " or 0 to 3";
  s.setLogLevel(*position + 1);
  return {};
}

std::string SetPlanar(Settings& s, std::string_view value) {
  if (value != "0" && value != "1") return "'" + std::string(value) + "' is neither 0 nor 1";
  s.setPlanarConfiguration(value == "1");
  return {};
}

const std::vector<KeyHandler>& Handlers() {
  static const std::vector<KeyHandler> handlers{
      TextKey({"local-aet", "local (calling) AE title, at most 16 characters"}, kMaxAETitleLength,
              &Settings::localAET, &Settings::setLocalAET),
      TextKey({"host", "remote IP address or host name"}, Settings::kMaxHostLength, &Settings::host,
              &Settings::setHost),
      {{"port", "remote port number, 1 to 65535"},
       [](const Settings& s) { return s.port(); },
       SetPort},
      TextKey({"remote-aet", "remote (called) AE title, at most 16 characters"}, kMaxAETitleLength,
              &Settings::remoteAET, &Settings::setRemoteAET),
      {{"log-level", "'No Log', 'PDU Level', 'Socket Level' (or 0 to 3), or none"},
       LogLevelText,
       SetLogLevel},
      ListKey({"film-destination", "MAGAZINE, PROCESSOR, BIN_1, BIN_2, BIN_3, or none"},
              FilmDestinationEntries(), &Settings::filmDestination, &Settings::setFilmDestination),
      ListKey({"film-orientation", "PORTRAIT, LANDSCAPE, '' (the empty entry), or none"},
              FilmOrientationEntries(), &Settings::filmOrientation, &Settings::setFilmOrientation),
      ListKey({"film-size", "14INX17IN, 14INX14IN, 10INX12IN, 8INX10IN, or none"},
              FilmSizeEntries(), &Settings::filmSize, &Settings::setFilmSize),
      ListKey({"magnification-type", "REPLICATE, BILINEAR, CUBIC, NONE, or none (no choice)"},
              MagnificationTypeEntries(), &Settings::magnificationType,
              &Settings::setMagnificationType),
      {{"planar-configuration", "1 to send colour pixels plane by plane, else 0"},
       [](const Settings& s) { return std::string(s.planarConfiguration() ? "1" : "0"); },
       SetPlanar},
  };
  return handlers;
}

const KeyHandler* FindHandler(std::string_view key) {
  for (const KeyHandler& h : Handlers()) {
    if (h.key.name == key) return &h;
  }
  return nullptr;
}

}  // namespace

std::span<const SettingsKey> SettingsKeys() {
  static const std::vector<SettingsKey> keys = [] {
    std::vector<SettingsKey> all;
    for (const KeyHandler& h : Handlers())
      all.push_back(h.key);
    return all;
  }();
  return keys;
}

std::string SettingsValueText(const Settings& settings, std::string_view key) {
  const KeyHandler* handler = FindHandler(key);
  return handler ? handler->get(settings) : std::string();
}

std::string SetSettingsValue(Settings& settings, std::string_view key, std::string_view value) {
  const KeyHandler* handler = FindHandler(key);
  if (!handler) return "unknown key '" + std::string(key) + "'";
  return handler->set(settings, value);
}

}  // namespace norvane
