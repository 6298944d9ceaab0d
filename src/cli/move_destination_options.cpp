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
    destination->origin = "--dest " + text;
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
  // A title named twice would have its later address silently ignored.
  const std::vector<MoveDestination>& all = settings.moveDestinations;
  for (size_t later = 1; later < all.size(); ++later) {
    for (size_t earlier = 0; earlier < later; ++earlier) {
      if (all[earlier].aeTitle != all[later].aeTitle) continue;
      problem = all[later].origin + ": the AE title " + all[later].aeTitle +
                " is named twice (first by " + all[earlier].origin + ")";
      return false;
    }
  }
  return true;
}

}  // namespace norvane::cli
