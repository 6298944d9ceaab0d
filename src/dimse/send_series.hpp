#pragma once

// Sending every image of one local series folder over a single association.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/store_result.hpp"

namespace norvane {

enum class SeriesOutcome : uint8_t {
  kSent,               // the association was open; every file has its result
  kNoFiles,            // the index names no file, or the folder holds no DICOM file
  kIndexUnreadable,    // the folder's "Image.dir" exists but cannot be read
  kFirstFileUnusable,  // the first file cannot give the series' SOP class: nothing sent
  kAssociationFailed,  // no association: nothing sent
};

struct SeriesResult {
  SeriesOutcome outcome = SeriesOutcome::kNoFiles;
  std::string sopClass;            // the series' SOP class, from the first file
  std::vector<std::string> files;  // in sending order
  // One per file sent (all of them when outcome is kSent); for kFirstFileUnusable only the
  // first file's, saying why.
  std::vector<StoreResult> results;

  // True only when every file of a non-empty series was stored with status 0x0000.
  bool Stored() const;
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
// 1. The result is stored only when every file was stored.
SeriesResult SendSeries(std::string_view host, std::string_view port, std::string& callingApTitle,
                        std::string_view calledApTitle, const std::string& folder,
                        std::string_view preferredTransferSyntax, bool convert,
                        const SeriesProgress& progress = {});

}  // namespace norvane
