#include "net/command_set.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

namespace norvane {

TagRecord GenerateUIDTag(uint16_t group, uint16_t element, std::string_view uid) {
  return GeneratePaddedTag(Tag{group, element}, "UI", uid);
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
  command.push_back(
      GenerateULTag(tag::kCommandGroupLength.group, tag::kCommandGroupLength.element, length));
  for (TagRecord& record : elements)
    command.push_back(std::move(record));
  return command;
}

std::string CommandFieldName(uint16_t commandField) {
  switch (commandField) {
    case kCStoreRQ:
      return "C-STORE-RQ";
    case kCStoreRSP:
      return "C-STORE-RSP";
    case kCEchoRQ:
      return "C-ECHO-RQ";
    case kCEchoRSP:
      return "C-ECHO-RSP";
    case kCFindRQ:
      return "C-FIND-RQ";
    case kCFindRSP:
      return "C-FIND-RSP";
    case kCMoveRQ:
      return "C-MOVE-RQ";
    case kCMoveRSP:
      return "C-MOVE-RSP";
    case kCGetRQ:
      return "C-GET-RQ";
    case kCGetRSP:
      return "C-GET-RSP";
    case kNGetRQ:
      return "N-GET-RQ";
    case kNGetRSP:
      return "N-GET-RSP";
    case kNSetRQ:
      return "N-SET-RQ";
    case kNSetRSP:
      return "N-SET-RSP";
    case kNActionRQ:
      return "N-ACTION-RQ";
    case kNActionRSP:
      return "N-ACTION-RSP";
    case kNCreateRQ:
      return "N-CREATE-RQ";
    case kNCreateRSP:
      return "N-CREATE-RSP";
    case kNDeleteRQ:
      return "N-DELETE-RQ";
    case kNDeleteRSP:
      return "N-DELETE-RSP";
    case kCCancelRQ:
      return "C-CANCEL-RQ";
    default:
      break;
  }
  char text[24];
  std::snprintf(text, sizeof text, "command 0x%04X", static_cast<unsigned>(commandField));
  return text;
}

std::string_view UIDText(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  const auto end = std::find(value.begin(), value.end(), uint8_t{0});
  return std::string_view(reinterpret_cast<const char*>(value.data()),
                          static_cast<size_t>(end - value.begin()));
}

}  // namespace norvane
