#include "datadec/values_in_file.hpp"

#include <algorithm>

namespace norvane {

bool LoadedFileValues::Read(uint64_t offset, std::span<uint8_t> into) const {
  return file_->ReadAt(offset, into);
}

bool HoldsValuesInFile(const TagList& list) {
  return std::any_of(list.begin(), list.end(),
                     [](const TagRecord& record) { return record.inFile != nullptr; });
}

bool ReadValuesInFile(TagList& list) {
  for (TagRecord& record : list) {
    if (!record.inFile) continue;
    std::vector<uint8_t> value(record.length);
    if (!record.inFile->source->Read(record.inFile->offset, value)) return false;
    record.value = std::move(value);
    record.inFile.reset();
  }
  return true;
}

}  // namespace norvane
