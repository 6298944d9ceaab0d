#pragma once

#include <string>
#include <vector>

namespace norvane::cli {

// The files FILE and FOLDER arguments stand for, in order: a file itself, a folder the DICOM
// files directly in it (in name order). Folders without DICOM files go to `emptyFolders`.
std::vector<std::string> ExpandFileArguments(const std::vector<std::string>& arguments,
                                             std::vector<std::string>& emptyFolders);

// "HOST PORT" without files: two arguments, neither an existing path, the second a port.
bool LooksLikeAPeerAlone(const std::vector<std::string>& positionals);

}  // namespace norvane::cli
