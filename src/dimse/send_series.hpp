#pragma once

// Sending every image of one local series folder over a single association.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/store_result.hpp"
#include "net/service_result.hpp"

namespace norvane {

// How a series went: success only when every file of a non-empty series was stored with
// status 0x0000. Nothing is sent (kLocal) when the folder yields no files, its "Image.dir"
// cannot be read, or the first file cannot give the series' SOP class; an association that
// cannot be opened gives its own failure. Otherwise the result is that of the first file
// that was not stored, with the reason "N of M files not stored".
struct [[nodiscard]] SeriesResult : ServiceResult {
  bool associated = false;         // the association was open: every file has its result
  std::string sopClass;            // the series' SOP class, from the first file
  std::vector<std::string> files;  // in sending order
  // One per file sent (all of them when associated); when the first file is unusable only
  // its own, saying why.
  std::vector<StoreResult> results;
};

// Called after each file of the series: its position (from 0), the count, its path and
// how it ended.
using SeriesProgress = std::function<void(size_t index, size_t count, const std::string& file,
                                          const StoreResult& result)>;

// The files of a series folder: for each line of the folder's "Image.dir" the folder
// path + the line's third ","-separated field + ".dcm"; without an "Image.dir", every
// DICOM file of the folder (ListDicomFiles). A folder without a trailing '/' gets one.
// Nullopt when "Image.dir" exists but cannot be read.
std::optional<std::vector<std::string>> SeriesFiles(const std::string& folder);

// Sends every file of the series folder over one association whose single presentation
// context is that of the first file's SOP class (proposed as StoreSCU does, with the first
// file's transfer syntax). Each file goes out under the series' SOP class, in its own
// transfer syntax or converted to the accepted one when `convert` allows it; a file that
// fails does not stop the series. The association trace is on when the log level is above
// 1.
SeriesResult SendSeries(std::string_view host, std::string_view port, std::string& callingApTitle,
                        std::string_view calledApTitle, const std::string& folder,
                        std::string_view preferredTransferSyntax, bool convert,
                        const SeriesProgress& progress = {});

}  // namespace norvane
