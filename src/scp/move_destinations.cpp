#include "scp/move_destinations.hpp"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace norvane {
namespace {

constexpr size_t kMaxAETitleLength = 16;

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool UsableTitle(std::string_view title) {
  if (title.empty() || title.size() > kMaxAETitleLength) return false;
  for (const char c : title) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\') return false;
  }
  return true;
}

bool UsablePort(std::string_view port) {
  unsigned number = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  return error == std::errc() && end == port.data() + port.size() && number >= 1 && number <= 65535;
}

}  // namespace

std::optional<MoveDestination> ParseMoveDestination(std::string_view text, std::string& error) {
  constexpr std::string_view kTlsSuffix = ":tls";
  std::string_view address = Trimmed(text);
  const bool tls = address.size() > kTlsSuffix.size() && address.ends_with(kTlsSuffix);
  if (tls) address.remove_suffix(kTlsSuffix.size());
  const size_t equals = address.find('=');
  const size_t colon = address.rfind(':');
  if (equals == std::string_view::npos || colon == std::string_view::npos || colon < equals) {
    error = "'" + std::string(text) + "' is not AET=HOST:PORT or AET=HOST:PORT:tls";
    return std::nullopt;
  }
  MoveDestination destination{std::string(Trimmed(address.substr(0, equals))),
                              std::string(Trimmed(address.substr(equals + 1, colon - equals - 1))),
                              std::string(Trimmed(address.substr(colon + 1))),
                              {},
                              tls};
  if (!UsableTitle(destination.aeTitle)) {
    error = "'" + std::string(text) +
            "': the AE title must have 1 to 16 characters, none a backslash or control character";
    return std::nullopt;
  }
  if (destination.host.empty()) {
    error = "'" + std::string(text) + "' names no host";
    return std::nullopt;
  }
  if (!UsablePort(destination.port)) {
    error = "'" + std::string(text) + "': the port must be a number from 1 to 65535";
    return std::nullopt;
  }
  return destination;
}

std::optional<std::vector<MoveDestination>> ReadMoveDestinations(const std::string& path,
                                                                 std::string& error) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path, ignored)) {
    error = path + " is not a file";
    return std::nullopt;
  }
  std::ifstream file(path);
  if (!file) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  std::vector<MoveDestination> destinations;
  std::string line;
  for (size_t number = 1; std::getline(file, line); ++number) {
    const std::string_view text = Trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    std::string why;
    const std::string where = path + " line " + std::to_string(number);
    std::optional<MoveDestination> destination = ParseMoveDestination(text, why);
    if (!destination) {
      error = where + ": " + why;
      return std::nullopt;
    }
    destination->origin = where;
    destinations.push_back(std::move(*destination));
  }
  return destinations;
}

const MoveDestination* FindMoveDestination(const std::vector<MoveDestination>& destinations,
                                           std::string_view aeTitle) {
  const std::string_view wanted = Trimmed(aeTitle);
  for (const MoveDestination& destination : destinations) {
    if (destination.aeTitle == wanted) return &destination;
  }
  return nullptr;
}

}  // namespace norvane
