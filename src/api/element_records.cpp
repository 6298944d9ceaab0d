// Element records as C callers make, read and free them.

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "elements/tag_list.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::Guarded;

namespace {

constexpr const char* kNoRecord = "no element record (NULL)";

}  // namespace

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
  return record != nullptr ? record->group : Fail<uint16_t>(0, kNoRecord);
}

uint16_t GetTagElement(const TagRecord* record) {
  return record != nullptr ? record->element : Fail<uint16_t>(0, kNoRecord);
}

uint8_t GetTagVR(const TagRecord* record, char* vr) {
  const bool has = record != nullptr && record->HasVR();
  if (vr != nullptr) {
    vr[0] = has ? record->vr[0] : '\0';
    vr[1] = has ? record->vr[1] : '\0';
    vr[2] = '\0';
  }
  if (record == nullptr) return Fail<uint8_t>(0, kNoRecord);
  if (!has) return Fail<uint8_t>(0, "the record has no VR (it was read without one)");
  return Byte(true);
}

uint32_t GetTagLength(const TagRecord* record) {
  return record != nullptr ? record->length : Fail<uint32_t>(0, kNoRecord);
}

const uint8_t* GetTagValue(const TagRecord* record) {
  if (record == nullptr) return Fail<const uint8_t*>(nullptr, kNoRecord);
  if (!record->HasValue() || record->value.empty()) return nullptr;
  return record->value.data();
}

}  // extern "C"
