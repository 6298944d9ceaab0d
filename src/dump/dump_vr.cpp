#include "dump/dump_vr.hpp"

#include "dictionary/dictionary.hpp"

namespace norvane {

DumpVR DumpVRFor(const TagRecord& record, bool explicitVR) {
  DumpVR vr;
  vr.letters[0] = record.vr[0];
  vr.letters[1] = record.vr[1];
  const DictionaryEntry* entry = FindDictionaryEntry(record.group, record.element);
  if (entry == nullptr) {
    vr.name = kUnidentifiedName;
    return vr;
  }
  vr.name = entry->name;
  if (!explicitVR) {
    vr.letters[0] = entry->vr[0];
    vr.letters[1] = entry->vr[1];
  }
  return vr;
}

}  // namespace norvane
