#pragma once

// Rasters as PNG files (8-bit red, green, blue), written and read through Cairo.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/raster.hpp"

namespace norvane {

// The PNG stream of the raster; nullopt for an empty raster or a library error.
std::optional<std::vector<uint8_t>> EncodeRasterPng(const Raster& raster);

// Writes that stream to a file, under a temporary name renamed at the end, so a failure
// leaves an existing file as it was. False when the stream could not be made or the file
// not written.
bool WriteRasterPng(const Raster& raster, const std::string& path);

// A PNG stream or file as a 32-bit raster; transparent pixels come out as if laid over
// black. Nullopt when it is not a PNG Cairo can read.
std::optional<Raster> DecodePng(std::span<const uint8_t> stream);
std::optional<Raster> ReadPngFile(const std::string& path);

}  // namespace norvane
