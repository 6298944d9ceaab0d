#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// Receives one dump line.
using DumpSink = std::function<void(std::string_view line)>;

// Deepest nesting of items DumpList shows; real files stay far below it.
inline constexpr int kMaxDumpListDepth = 64;

// How DumpList writes its lines.
struct DumpListOptions {
  // For a terminal: values pass through TerminalText (no control byte or escape sequence
  // of a file gets through) and names are turned from Windows-1252 into UTF-8. Otherwise
  // both stand as they are (names in Windows-1252).
  bool terminalText = false;
};

// One line per record, in list order, for the operator, handed to `sink` as it is made:
//   (0028, 0010), 2, US  "512" - Rows          value of fewer than 256 bytes
//   (7FE0, 0010), 524288, OW - Pixel Data      longer value, not shown
//   (0008, 1140), SQ - Referenced ...          length 0 or undefined
// Records inside items of undefined length get "....." per open item. Records nested in
// more than kMaxDumpListDepth items are not shown: where they begin, one line at the
// deepest shown level says so (kDumpDepthLimitText), and the dump goes on with the first
// record that is shallow enough again. Records of implicit VR data (`explicitVR` false) are
// shown with their dictionary VR; the list is not changed.
void DumpList(const TagList& list, const DumpSink& sink, bool explicitVR,
              DumpListOptions options = {});
void DumpList(const TagList& list, std::vector<std::string>& lines, bool explicitVR);

// The line that stands for records nested too deep, after its "....." prefix.
inline constexpr std::string_view kDumpDepthLimitText =
    "(items nested deeper than 64 levels: their elements are not shown)";

}  // namespace norvane
