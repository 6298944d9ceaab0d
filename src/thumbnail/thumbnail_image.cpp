#include "thumbnail/thumbnail_image.hpp"

#include "datadec/native_pixel_layout.hpp"
#include "elements/decimal_text.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

constexpr size_t kMaxText = 64;

// Up to 64 bytes of the value.
std::string_view ShortText(const TagRecord& record) {
  return ValueText(record).substr(0, kMaxText);
}

}  // namespace

ThumbnailImage ReadThumbnailImage(const TagList& dataset) {
  ThumbnailImage image;
  const TagRecord* pixelData = nullptr;
  for (const TagRecord& record : TopLevel(dataset)) {
    if (record.Is(tag::kPixelData)) pixelData = &record;
    if (record.HasUndefinedLength()) continue;  // a sequence, or encapsulated pixel data
    switch (record.GetTag().Value()) {
      case tag::kPhotometricInterpretation.Value():
        image.photometric = TrimmedText(ShortText(record));
        break;
      case tag::kModality.Value():
        image.modality = TrimmedText(ShortText(record));
        break;
      case tag::kPlanarConfiguration.Value():
        image.planarConfiguration = FirstUS(record);
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
      case tag::kWindowCenter.Value():
        image.windowCenter = LeadingInteger(ShortText(record));
        break;
      case tag::kWindowWidth.Value():
        image.windowWidth = LeadingInteger(ShortText(record));
        break;
      case tag::kRescaleIntercept.Value():
        image.rescaleIntercept = DecimalNumber(ShortText(record));
        break;
      case tag::kRescaleSlope.Value():
        image.rescaleSlope = DecimalNumber(ShortText(record));
        break;
      default:
        break;
    }
  }
  image.inverted = image.photometric == "MONOCHROME1";
  if (pixelData && !pixelData->HasUndefinedLength()) {
    const uint64_t size = NativePixelBytes(
        NativeFrameBits(image.rows, image.columns, image.bitsAllocated, image.SamplesPerPixel(),
                        ChromaSubsamplingOf(image.photometric)),
        1);
    const std::span<const uint8_t> value = ValueBytes(*pixelData);
    if ((pixelData->length == size || pixelData->length == size + 1) && value.size() >= size) {
      image.pixels.assign(value.begin(), value.end());
    }
  }
  return image;
}

}  // namespace norvane
