#include "cli/move_destination_options.hpp"

#include <string>

namespace norvane::cli {

bool ApplyMoveDestinations(const ParsedArgs& args, StoreSCPSettings& settings,
                           std::string& problem) {
  std::string error;
  for (const std::string& text : args.Values("--dest")) {
    std::optional<MoveDestination> destination = ParseMoveDestination(text, error);
    if (!destination) {
      problem = "--dest " + error;
      return false;
    }
    settings.moveDestinations.push_back(std::move(*destination));
  }
  if (const std::optional<std::string> path = args.Value("--dest-file")) {
    std::optional<std::vector<MoveDestination>> destinations = ReadMoveDestinations(*path, error);
    if (!destinations) {
      problem = "--dest-file: " + error;
      return false;
    }
    settings.moveDestinations.insert(settings.moveDestinations.end(), destinations->begin(),
                                     destinations->end());
  }
  return true;
}

}  // namespace norvane::cli
