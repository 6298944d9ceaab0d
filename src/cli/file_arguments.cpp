#include "cli/file_arguments.hpp"

#include <filesystem>

#include "cli/options.hpp"
#include "dimse/dicom_files.hpp"
#include "platform/folders.hpp"

namespace norvane::cli {

std::vector<std::string> ExpandFileArguments(const std::vector<std::string>& arguments,
                                             std::vector<std::string>& emptyFolders) {
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    if (!DirectoryExists(argument)) {
      files.push_back(argument);
      continue;
    }
    const size_t before = files.size();
    ListDicomFiles(argument, files);
    if (files.size() == before) emptyFolders.push_back(argument);
  }
  return files;
}

bool LooksLikeAPeerAlone(const std::vector<std::string>& positionals) {
  if (positionals.size() != 2) return false;
  const std::optional<long> port = ParseNumber(positionals[1]);
  std::error_code ignored;
  return port && *port > 0 && *port <= 65535 && !std::filesystem::exists(positionals[0], ignored) &&
         !std::filesystem::exists(positionals[1], ignored);
}

}  // namespace norvane::cli
