#include "cli/file_arguments.hpp"

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

}  // namespace norvane::cli
