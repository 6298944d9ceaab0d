#include "net/command_set.hpp"

#include <algorithm>
#include <string>

namespace norvane {

TagRecord GenerateUIDTag(uint16_t group, uint16_t element, std::string_view uid) {
  std::string padded(uid);
  if (padded.size() % 2 != 0) padded.push_back('\0');
  return GenerateTextTag(group, element, "UI", padded);
}

TagList CommandSet(TagList elements) {
  // Command sets are implicit VR little endian on every presentation context.
  const DatasetEncoding commandEncoding{.explicitVR = false, .bigEndian = false};
  uint32_t length = 0;
  for (const TagRecord& record : elements) {
    length += static_cast<uint32_t>(EncodedSize(record, kNetworkRules, commandEncoding));
  }
  TagList command;
  command.reserve(elements.size() + 1);
  command.push_back(GenerateULTag(kCommandGroup, kCommandGroupLength, length));
  for (TagRecord& record : elements)
    command.push_back(std::move(record));
  return command;
}

std::string_view UIDText(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  const auto end = std::find(value.begin(), value.end(), uint8_t{0});
  return std::string_view(reinterpret_cast<const char*>(value.data()),
                          static_cast<size_t>(end - value.begin()));
}

}  // namespace norvane
