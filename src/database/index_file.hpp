#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// Appends one whole record to an index file, creating the file when it is missing. False
// when the file cannot be opened or the record was not written whole; a partly written
// record is cut off again, so the file keeps only whole lines; so is a broken last line
// found before the append (one that a crash cut short).
bool AppendIndexLine(const std::string& path, std::string_view line);

// The lines of an index file without their line ends (LF or CR LF), one entry per line;
// nothing when the file cannot be read.
std::optional<std::vector<std::string>> ReadIndexLines(const std::string& path);

}  // namespace norvane
