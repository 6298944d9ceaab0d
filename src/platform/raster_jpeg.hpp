#pragma once

// Rasters written as baseline JPEG (libjpeg-turbo).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/raster.hpp"

namespace norvane {

// The JPEG stream of the raster at `quality` (1..100): one greyscale component for a
// palette raster whose palette is grey, otherwise the usual YCbCr colour JFIF. Nullopt for
// an empty raster, a quality out of range or a library error.
std::optional<std::vector<uint8_t>> EncodeRasterJpeg(const Raster& raster, int quality);

// Writes that stream to a file, under a temporary name renamed at the end. False when the
// stream could not be made or the file not written.
bool WriteRasterJpeg(const Raster& raster, const std::string& path, int quality);

}  // namespace norvane
