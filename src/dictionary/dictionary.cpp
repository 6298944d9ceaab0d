#include "dictionary/dictionary.hpp"

#include <algorithm>

#include "dictionary/dictionary_table.hpp"

namespace norvane {

std::span<const DictionaryEntry> DictionaryTable() {
  return std::span<const DictionaryEntry>(kDictionaryRows, kDictionaryRowCount);
}

const DictionaryEntry* FindDictionaryEntry(uint16_t group, uint16_t element) {
  const uint32_t tag = (uint32_t{group} << 16) | element;
  const uint32_t* begin = kDictionarySortedTags;
  const uint32_t* end = kDictionarySortedTags + kDictionaryRowCount;
  const uint32_t* found = std::lower_bound(begin, end, tag);
  if (found == end || *found != tag) return nullptr;
  return &kDictionaryRows[kDictionarySortedRows[found - begin]];
}

void LookupVR(TagRecord& record) {
  const DictionaryEntry* entry = FindDictionaryEntry(record.group, record.element);
  if (entry == nullptr) {
    record.SetVR("UN");
    return;
  }
  record.vr[0] = entry->vr[0];
  record.vr[1] = entry->vr[1];
}

std::string_view LookupName(TagRecord& record, bool hasVR) {
  const DictionaryEntry* entry = FindDictionaryEntry(record.group, record.element);
  if (entry == nullptr) return kUnidentifiedName;
  if (!hasVR) {
    record.vr[0] = entry->vr[0];
    record.vr[1] = entry->vr[1];
  }
  return entry->name;
}

}  // namespace norvane
