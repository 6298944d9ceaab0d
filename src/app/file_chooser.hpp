#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

// How an operation asks the operator for a file to open. Workers ask from their own
// thread; an implementation that shows a dialog shows it on the window's thread.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen file, or nothing when the operator cancelled.
  virtual std::optional<std::string> ChooseFile() = 0;
};

// The filters the file choice offers, in order: a name and its file name pattern.
struct FileFilter {
  std::string_view name;
  std::string_view pattern;
};
inline constexpr std::array<FileFilter, 2> kFileChoiceFilters{{
    {"All Files", "*"},
    {"DICOM Files", "*.dcm"},
}};

}  // namespace norvane
