// Element records as C callers make, read and free them.

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "elements/tag_list.hpp"

using norvane::api::Byte;
using norvane::api::Guarded;

extern "C" {

TagRecord* GenerateTag(uint32_t group, uint32_t element, uint32_t length, const void* value,
                       const char* vr) {
  return Guarded<TagRecord*>(nullptr, [&] {
    return new TagRecord{norvane::GenerateTag(group, element, length, value, vr)};
  });
}

uint8_t ClearTags(TList* list) {
  if (list == nullptr) return 1;
  for (void* entry : list->entries)
    delete static_cast<TagRecord*>(entry);
  list->entries.clear();
  return 1;
}

uint16_t GetTagGroup(const TagRecord* record) {
  return record != nullptr ? record->group : 0;
}

uint16_t GetTagElement(const TagRecord* record) {
  return record != nullptr ? record->element : 0;
}

uint8_t GetTagVR(const TagRecord* record, char* vr) {
  const bool has = record != nullptr && record->HasVR();
  if (vr != nullptr) {
    vr[0] = has ? record->vr[0] : '\0';
    vr[1] = has ? record->vr[1] : '\0';
    vr[2] = '\0';
  }
  return Byte(has);
}

uint32_t GetTagLength(const TagRecord* record) {
  return record != nullptr ? record->length : 0;
}

const uint8_t* GetTagValue(const TagRecord* record) {
  if (record == nullptr || !record->HasValue() || record->value.empty()) return nullptr;
  return record->value.data();
}

}  // extern "C"
