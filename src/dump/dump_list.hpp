#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// Receives one dump line (names are Windows-1252 bytes).
using DumpSink = std::function<void(std::string_view line)>;

// One line per record, in list order, for the operator:
//   (0028, 0010), 2, US  "512" - Rows          value of fewer than 256 bytes
//   (7FE0, 0010), 524288, OW - Pixel Data      longer value, not shown
//   (0008, 1140), SQ - Referenced ...          length 0 or undefined
// Records inside items of undefined length get "....." per open item. Records of implicit
// VR data (`explicitVR` false) are shown with their dictionary VR; the list is not changed.
void DumpList(const TagList& list, const DumpSink& sink, bool explicitVR);
void DumpList(const TagList& list, std::vector<std::string>& lines, bool explicitVR);

}  // namespace norvane
