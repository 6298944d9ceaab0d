#pragma once

#include <string>

namespace norvane::cli {

// Why a file to be read as a DICOM file was not, after the path: "does not exist", "is a
// folder", "cannot be opened", "is not a DICOM file (no "DICM" after a 128-byte preamble)",
// "is cut short (...)", "has no Transfer Syntax UID (0002,0010)". Reads the file again
// (only a failure calls for it).
std::string UnreadableDicomFile(const std::string& path);

}  // namespace norvane::cli
