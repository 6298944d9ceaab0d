#include "printimage/dicom_bitmap.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "convert/decoded_image.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/native_pixel_layout.hpp"
#include "datadec/transfer_syntax.hpp"
#include "datadec/ybr_to_rgb.hpp"
#include "elements/byte_order.hpp"
#include "elements/decimal_text.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

// The photometric value as stored, pad included: "RGB" of odd length arrives as "RGB ".
constexpr std::string_view kRgbStored = "RGB ";

// What the decoding takes from the image's elements.
struct PrintImage {
  std::string_view photometric;
  uint16_t rows = 0;
  uint16_t columns = 0;
  uint16_t bitsAllocated = 0;
  uint16_t planarConfiguration = 0;
  int windowCenter = 127;
  int windowWidth = 255;
  float rescaleIntercept = 0.0f;
  float rescaleSlope = 0.0f;
  const TagRecord* pixelData = nullptr;

  bool IsRgb() const { return photometric == kRgbStored; }
  bool IsYbr() const { return TrimmedText(photometric).rfind("YBR_", 0) == 0; }
  bool IsColour() const { return IsRgb() || IsYbr(); }
};

// The image's own elements in list order, a later one replacing an earlier one; the
// contents of sequences of undefined length are passed over.
PrintImage ReadPrintImage(const TagList& dataset) {
  PrintImage image;
  for (const TagRecord& record : TopLevel(dataset)) {
    if (record.Is(tag::kPixelData)) {
      image.pixelData = &record;
      continue;
    }
    if (record.HasUndefinedLength()) continue;
    switch (record.GetTag().Value()) {
      case tag::kPhotometricInterpretation.Value():
        image.photometric = ValueText(record);
        break;
      case tag::kRows.Value():
        image.rows = FirstUS(record);
        break;
      case tag::kColumns.Value():
        image.columns = FirstUS(record);
        break;
      case tag::kBitsAllocated.Value():
        image.bitsAllocated = FirstUS(record);
        break;
      case tag::kPlanarConfiguration.Value():
        image.planarConfiguration = FirstUS(record);
        break;
      case tag::kWindowCenter.Value():
        image.windowCenter = LeadingInteger(ValueText(record));
        break;
      case tag::kWindowWidth.Value():
        image.windowWidth = LeadingInteger(ValueText(record));
        break;
      case tag::kRescaleIntercept.Value():
        image.rescaleIntercept = DecimalNumber(ValueText(record));
        break;
      case tag::kRescaleSlope.Value():
        image.rescaleSlope = DecimalNumber(ValueText(record));
        break;
      default:
        break;
    }
  }
  return image;
}

// A rescaled value held in 16 signed bits; values beyond them are held at the limits,
// so that a bright pixel never wraps round to black.
int16_t RescaledValue(float intercept, float slope, uint32_t stored) {
  const float v = intercept + slope * static_cast<float>(stored);
  if (std::isnan(v)) return 0;
  if (v >= 32767.0f) return std::numeric_limits<int16_t>::max();
  if (v <= -32768.0f) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(v);  // truncates toward zero
}

uint8_t GreyLevel(int16_t v, int center, int width) {
  const int64_t g = (int64_t{v} - center) * 255 / width + 127;
  return static_cast<uint8_t>(std::clamp<int64_t>(g, 0, 255));
}

}  // namespace

std::string_view Describe(DicomBitmapStatus status) {
  switch (status) {
    case DicomBitmapStatus::kDecoded:
      return "decoded";
    case DicomBitmapStatus::kCannotRead:
      return "not a readable DICOM file";
    case DicomBitmapStatus::kNotUncompressed:
      return "neither in implicit or explicit VR little endian nor in a compressed syntax "
             "that can be decoded";
    case DicomBitmapStatus::kCannotDecode:
      return "compressed pixel data that cannot be decoded";
    case DicomBitmapStatus::kNoImage:
      return "no image";
    case DicomBitmapStatus::kShortPixelData:
      return "pixel data shorter than the image";
    case DicomBitmapStatus::kTooLarge:
      return "image too large";
    case DicomBitmapStatus::kUnsupportedColour:
      return "YBR colour samples that cannot be shown (YBR_PARTIAL_420, or not 8 bits)";
  }
  return "unknown";
}

DicomBitmapStatus DicomBitmap(const TagList& dataset, Raster& bitmap, bool bigEndianSamples) {
  PrintImage image = ReadPrintImage(dataset);
  if (image.bitsAllocated == 8) {
    image.windowWidth = 255;
    image.windowCenter = 127;
  }
  if (image.windowWidth == 0) image.windowWidth = 100;
  if (image.rescaleSlope == 0.0f) image.rescaleSlope = 1.0f;

  if (image.pixelData == nullptr || image.pixelData->HasUndefinedLength() || image.rows == 0 ||
      image.columns == 0) {
    return DicomBitmapStatus::kNoImage;
  }
  const bool rgb = image.IsColour();
  const bool eightBit = image.bitsAllocated == 8;
  const uint64_t pixels = uint64_t{image.rows} * image.columns;
  const ChromaSubsampling chroma = ChromaSubsamplingOf(image.photometric);
  // The first frame as the image elements give it, and no less than the samples read.
  const uint64_t frameBytes = NativePixelBytes(
      NativeFrameBits(image.rows, image.columns, image.bitsAllocated, rgb ? 3 : 1, chroma), 1);
  const uint64_t samplesRead = image.IsYbr() ? frameBytes
                               : rgb         ? 3 * pixels
                                             : pixels * (eightBit ? 1 : 2);
  const std::span<const uint8_t> data = ValueBytes(*image.pixelData);
  if (data.size() < std::max(frameBytes, samplesRead)) return DicomBitmapStatus::kShortPixelData;
  // YBR samples are shown as the RGB they stand for.
  std::vector<uint8_t> ybrAsRgb;
  std::span<const uint8_t> colour = data;
  if (image.IsYbr()) {
    if (!eightBit || !IsConvertibleYbr(image.photometric)) {
      return DicomBitmapStatus::kUnsupportedColour;
    }
    ybrAsRgb.resize(3 * pixels);
    if (!YbrFrameToRgb(image.photometric, image.planarConfiguration, image.rows, image.columns,
                       data, ybrAsRgb)) {
      return DicomBitmapStatus::kUnsupportedColour;
    }
    colour = ybrAsRgb;
  }

  std::optional<Raster> made =
      Raster::Create(image.columns, image.rows, rgb ? PixelFormat::kBgr24 : PixelFormat::kPalette8);
  if (!made) return DicomBitmapStatus::kTooLarge;
  Raster& out = *made;

  if (rgb) {
    for (int r = 0; r < out.Height(); ++r) {
      const uint8_t* src = colour.data() + 3 * static_cast<size_t>(r) * image.columns;
      uint8_t* dst = out.Row(r).data();
      for (int c = 0; c < out.Width(); ++c, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      }
    }
  } else {
    out.SetGreyPalette();
    // Every stored value maps to one grey level: one table instead of per-pixel arithmetic.
    std::vector<uint8_t> levels(eightBit ? 256 : 65536);
    for (uint32_t s = 0; s < levels.size(); ++s) {
      levels[s] = GreyLevel(RescaledValue(image.rescaleIntercept, image.rescaleSlope, s),
                            image.windowCenter, image.windowWidth);
    }
    for (int r = 0; r < out.Height(); ++r) {
      const size_t first = static_cast<size_t>(r) * image.columns;
      uint8_t* dst = out.Row(r).data();
      for (size_t c = 0; c < image.columns; ++c) {
        const size_t i = first + c;
        const uint32_t s = eightBit           ? data[i]
                           : bigEndianSamples ? LoadU16(&data[2 * i], true)
                                              : LoadU16(&data[2 * i], false);
        dst[c] = levels[s];
      }
    }
  }
  bitmap = std::move(out);
  return DicomBitmapStatus::kDecoded;
}

DicomBitmapStatus LoadDicomBitmap(const std::string& fileName, Raster& bitmap,
                                  bool bigEndianSamples) {
  DicomFileContent content = DICOMFile(fileName);
  if (!content.Ok()) return DicomBitmapStatus::kCannotRead;
  const std::string syntax = TrimmedText(content.meta, tag::kTransferSyntaxUID);
  // Compressed pixel data are decoded first.
  const ConvertStatus decoded = DecodeCompressedPixels(content.dataset, syntax);
  if (decoded == ConvertStatus::kUnsupportedSourceSyntax) {
    return DicomBitmapStatus::kNotUncompressed;
  }
  if (decoded != ConvertStatus::kOk) return DicomBitmapStatus::kCannotDecode;
  return DicomBitmap(content.dataset, bitmap, bigEndianSamples);
}

}  // namespace norvane
