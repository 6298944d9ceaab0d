#include "database/query_answer.hpp"

#include "elements/tag_list.hpp"

namespace norvane {

TagRecord AnswerRecord(const TagRecord& key, std::span<const uint8_t> value) {
  TagRecord record;
  record.group = key.group;
  record.element = key.element;
  record.SetVR(key.VRText());
  record.value.assign(value.begin(), value.end());
  if (record.value.size() % 2 != 0) record.value.push_back(PaddingByte(record.VRText()));
  record.length = static_cast<uint32_t>(record.value.size());
  return record;
}

}  // namespace norvane
