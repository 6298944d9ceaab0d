#pragma once

// The file a print job prints, loaded by its extension into the bitmap to print.

#include <string>
#include <string_view>

#include "platform/raster.hpp"

namespace norvane {

enum class PrintFileKind : uint8_t { kJpeg, kBitmap, kDicom };

// By the first four characters of the extension (from the last '.' of the name): ".jpg"
// or ".JPG" is a JPEG file, ".bmp" or ".BMP" a bitmap file, anything else (".jpeg" and
// ".Jpg" included) a DICOM file.
PrintFileKind KindOfPrintFile(std::string_view fileName);

struct PrintImageLoad {
  bool loaded = false;
  PrintFileKind kind = PrintFileKind::kDicom;
  std::string failure;  // what went wrong, when not loaded
};

// Loads the file into `bitmap`: JPEG and bitmap files as they are stored, a DICOM file
// through its window (big-endian samples off).
PrintImageLoad LoadPrintImage(const std::string& fileName, Raster& bitmap);

}  // namespace norvane
