#include "cli/move_destination_options.hpp"

#include <cstdio>
#include <string>

namespace norvane::cli {

bool ApplyMoveDestinations(const ParsedArgs& args, StoreSCPSettings& settings) {
  std::string error;
  for (const std::string& text : args.Values("--dest")) {
    std::optional<MoveDestination> destination = ParseMoveDestination(text, error);
    if (!destination) {
      std::fprintf(stderr, "norvane scp: --dest %s\n", error.c_str());
      return false;
    }
    settings.moveDestinations.push_back(std::move(*destination));
  }
  if (const std::optional<std::string> path = args.Value("--dest-file")) {
    std::optional<std::vector<MoveDestination>> destinations = ReadMoveDestinations(*path, error);
    if (!destinations) {
      std::fprintf(stderr, "norvane scp: --dest-file: %s\n", error.c_str());
      return false;
    }
    settings.moveDestinations.insert(settings.moveDestinations.end(), destinations->begin(),
                                     destinations->end());
  }
  return true;
}

}  // namespace norvane::cli
