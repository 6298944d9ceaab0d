#pragma once

#include <string>
#include <vector>

namespace norvane {

// True when the file can be opened as a regular file and holds "DICM" at bytes 128 to
// 131 (the Part 10 marker after the preamble). Nothing else of the file is checked.
bool IsDicomFile(const std::string& fileName);

// Appends folder + name for every regular file directly in the folder that passes
// IsDicomFile, in name order; subfolders and other entries are skipped. A folder given
// without a trailing '/' gets one; an empty folder is the current directory ("./").
// Nothing is appended when the folder cannot be read.
void ListDicomFiles(const std::string& folder, std::vector<std::string>& names);

}  // namespace norvane
