#include "thumbnail/thumbnail_image.hpp"

#include "elements/byte_order.hpp"
#include "elements/decimal_text.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

constexpr size_t kMaxText = 64;

std::string_view ValueText(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  return std::string_view(reinterpret_cast<const char*>(value.data()), value.size());
}

// Up to 64 bytes, without the blanks and NULs around it.
std::string TrimmedText(const TagRecord& record) {
  std::string_view text = ValueText(record).substr(0, kMaxText);
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
    text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
    text.remove_suffix(1);
  return std::string(text);
}

uint16_t Number(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  return value.size() >= 2 ? LoadU16(value.data(), false) : 0;
}

}  // namespace

ThumbnailImage ReadThumbnailImage(const TagList& dataset) {
  ThumbnailImage image;
  const TagRecord* pixelData = nullptr;
  int depth = 0;  // sequences and items of undefined length open around the record
  for (const TagRecord& record : dataset) {
    const bool delimiter = record.Is(kItemGroup, kItemDelimitationElement) ||
                           record.Is(kItemGroup, kSequenceDelimitationElement);
    if (depth > 0 || record.group == kItemGroup) {
      if (record.HasUndefinedLength()) ++depth;
      if (delimiter && depth > 0) --depth;
      continue;
    }
    if (record.Is(0x7FE0, 0x0010)) pixelData = &record;
    if (record.HasUndefinedLength()) {  // a sequence, or encapsulated pixel data
      ++depth;
      continue;
    }
    const uint32_t tag = (uint32_t{record.group} << 16) | record.element;
    switch (tag) {
      case 0x00280004:
        image.photometric = TrimmedText(record);
        break;
      case 0x00080060:
        image.modality = TrimmedText(record);
        break;
      case 0x00280006:
        image.planarConfiguration = Number(record);
        break;
      case 0x00280010:
        image.rows = Number(record);
        break;
      case 0x00280011:
        image.columns = Number(record);
        break;
      case 0x00280100:
        image.bitsAllocated = Number(record);
        break;
      case 0x00281050:
        image.windowCenter = LeadingInteger(ValueText(record).substr(0, kMaxText));
        break;
      case 0x00281051:
        image.windowWidth = LeadingInteger(ValueText(record).substr(0, kMaxText));
        break;
      case 0x00281052:
        image.rescaleIntercept = DecimalNumber(ValueText(record).substr(0, kMaxText));
        break;
      case 0x00281053:
        image.rescaleSlope = DecimalNumber(ValueText(record).substr(0, kMaxText));
        break;
      default:
        break;
    }
  }
  image.inverted = image.photometric == "MONOCHROME1";
  if (pixelData && !pixelData->HasUndefinedLength()) {
    const uint64_t size =
        uint64_t{image.columns} * image.rows * image.bitsAllocated / 8 * (image.IsRgb() ? 3 : 1);
    const std::span<const uint8_t> value = ValueBytes(*pixelData);
    if ((pixelData->length == size || pixelData->length == size + 1) && value.size() >= size) {
      image.pixels.assign(value.begin(), value.end());
    }
  }
  return image;
}

}  // namespace norvane
