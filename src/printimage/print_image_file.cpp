#include "printimage/print_image_file.hpp"

#include "platform/bmp_file.hpp"
#include "platform/jpeg_file.hpp"
#include "printimage/dicom_bitmap.hpp"

namespace norvane {

PrintFileKind KindOfPrintFile(std::string_view fileName) {
  const size_t separator = fileName.find_last_of('/');
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) {
    return PrintFileKind::kDicom;
  }
  const std::string_view extension = fileName.substr(dot, 4);
  if (extension == ".jpg" || extension == ".JPG") return PrintFileKind::kJpeg;
  if (extension == ".bmp" || extension == ".BMP") return PrintFileKind::kBitmap;
  return PrintFileKind::kDicom;
}

namespace {

// A JPEG or BMP file's picture into the bitmap, or why it cannot be printed.
template <class Picture>
void TakePicture(Picture picture, Raster& bitmap, PrintImageLoad& load) {
  if (picture.raster) {
    bitmap = std::move(*picture.raster);
    load.loaded = true;
  } else {
    load.failure = Describe(picture.status);
  }
}

}  // namespace

PrintImageLoad LoadPrintImage(const std::string& fileName, Raster& bitmap) {
  PrintImageLoad load;
  load.kind = KindOfPrintFile(fileName);
  switch (load.kind) {
    case PrintFileKind::kJpeg:
      TakePicture(ReadJpegFile(fileName), bitmap, load);
      break;
    case PrintFileKind::kBitmap:
      TakePicture(ReadBmpFile(fileName), bitmap, load);
      break;
    case PrintFileKind::kDicom: {
      const DicomBitmapStatus status = LoadDicomBitmap(fileName, bitmap, false);
      load.loaded = status == DicomBitmapStatus::kDecoded;
      if (!load.loaded) load.failure = Describe(status);
      break;
    }
  }
  return load;
}

}  // namespace norvane
