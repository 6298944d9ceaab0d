#pragma once

// Rasters written as Windows device-independent bitmap files (".bmp").

#include <cstdint>
#include <string>
#include <vector>

#include "platform/raster.hpp"

namespace norvane {

// The file bytes: a 14-byte file header, a 40-byte info header (uncompressed, 2835 pixels
// per metre), for 8-bit rasters their 256-entry colour table, then the rows bottom-up, each
// padded to a multiple of 4 bytes. 8, 24 and 32 bits per pixel as the raster holds them.
// Empty for an empty raster.
std::vector<uint8_t> EncodeBmp(const Raster& raster);

// Writes that file under a temporary name renamed at the end, so a failure leaves an
// existing file as it was. False for an empty raster or when the file was not written.
bool WriteBmpFile(const Raster& raster, const std::string& path);

}  // namespace norvane
