#include "convert/pixel_module.hpp"

#include <cctype>

#include "elements/byte_order.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

constexpr uint16_t kImageGroup = 0x0028;
constexpr uint16_t kPhotometricElement = 0x0004;
constexpr uint16_t kPlanarConfigurationElement = 0x0006;
constexpr uint16_t kNumberOfFramesElement = 0x0008;
constexpr uint16_t kRowsElement = 0x0010;
constexpr uint16_t kColumnsElement = 0x0011;
constexpr uint16_t kBitsAllocatedElement = 0x0100;

// Largest value an element length can carry; one less than undefined so a pad byte fits.
constexpr uint64_t kMaxValueLength = 0xFFFFFFFEu;

uint16_t Number(const TagRecord& record, bool bigEndian) {
  const std::span<const uint8_t> value = ValueBytes(record);
  return value.size() >= 2 ? LoadU16(value.data(), bigEndian) : 0;
}

// Integer String: leading blanks, an optional sign, digits; anything after is ignored.
uint32_t FrameCount(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  size_t at = 0;
  while (at < value.size() && value[at] == ' ')
    ++at;
  bool negative = false;
  if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
    negative = value[at] == '-';
    ++at;
  }
  uint64_t count = 0;
  for (; at < value.size() && std::isdigit(value[at]) != 0; ++at) {
    count = count * 10 + (value[at] - '0');
    if (count > kMaxValueLength) break;  // no real frame count gets here
  }
  if (negative || count == 0) return 1;
  return count > kMaxValueLength ? static_cast<uint32_t>(kMaxValueLength)
                                 : static_cast<uint32_t>(count);
}

bool IsSingleSample(const std::string& photometric) {
  return photometric.rfind("MON", 0) == 0 || photometric.rfind("PALETTE", 0) == 0;
}

}  // namespace

void PixelModule::Note(const TagRecord& record, bool bigEndian, size_t outputIndex) {
  if (record.group != kImageGroup) return;
  switch (record.element) {
    case kPhotometricElement: {
      const std::span<const uint8_t> value = ValueBytes(record);
      photometric.assign(value.begin(), value.end());
      samples = IsSingleSample(photometric) ? 1 : 3;
      photometricIndex = outputIndex;
      break;
    }
    case kPlanarConfigurationElement:
      planarConfiguration = Number(record, bigEndian);
      planarIndex = outputIndex;
      break;
    case kNumberOfFramesElement:
      frames = FrameCount(record);
      break;
    case kRowsElement:
      rows = Number(record, bigEndian);
      break;
    case kColumnsElement:
      columns = Number(record, bigEndian);
      break;
    case kBitsAllocatedElement:
      bitsAllocated = Number(record, bigEndian);
      break;
    default:
      break;
  }
}

std::optional<uint32_t> PixelModule::FrameSize() const {
  const uint64_t size = uint64_t{columns} * rows * bitsAllocated / 8 * samples;
  if (size > kMaxValueLength) return std::nullopt;
  return static_cast<uint32_t>(size);
}

std::optional<uint32_t> PixelModule::TotalSize() const {
  const std::optional<uint32_t> frame = FrameSize();
  if (!frame) return std::nullopt;
  const uint64_t total = uint64_t{*frame} * frames;
  if (total > kMaxValueLength) return std::nullopt;
  return static_cast<uint32_t>(total);
}

}  // namespace norvane
