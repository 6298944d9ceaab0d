#include "convert/group_length.hpp"

#include <cstdint>
#include <limits>
#include <optional>

#include "convert/pixel_module.hpp"
#include "datadec/element_codec.hpp"

namespace norvane {
namespace {

// Element 0000 of every group holds the group's length.
constexpr uint16_t kGroupLengthElement = 0x0000;

void SetLength(TagRecord& record, uint64_t measured, ByteOrder order) {
  const uint32_t length = measured > std::numeric_limits<uint32_t>::max()
                              ? std::numeric_limits<uint32_t>::max()
                              : static_cast<uint32_t>(measured);
  record.length = 4;
  record.value.assign(4, 0);
  StoreU32(record.value.data(), length, order == ByteOrder::kBigEndian);
}

}  // namespace

void SetGroupLengths(TagList& list, bool explicitVR, ByteOrder order) {
  const DatasetEncoding encoding{.explicitVR = explicitVR,
                                 .bigEndian = order == ByteOrder::kBigEndian};
  std::optional<size_t> current;  // the group length element being measured for
  uint64_t measured = 0;
  bool pixelDataMet = false;
  for (size_t i = 0; i < list.size(); ++i) {
    TagRecord& record = list[i];
    if (IsPixelData(record)) pixelDataMet = true;
    if (!pixelDataMet && record.element == kGroupLengthElement) {
      if (current) SetLength(list[*current], measured, order);
      current = i;
      measured = 0;
      continue;
    }
    measured += EncodedSize(record, kFileRules, encoding);
  }
  if (current) SetLength(list[*current], measured, order);
}

}  // namespace norvane
