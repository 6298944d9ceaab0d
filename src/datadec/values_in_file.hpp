#pragma once

#include <memory>

#include "elements/tag_record.hpp"
#include "elements/value_source.hpp"
#include "platform/loaded_file.hpp"

namespace norvane {

// The values a file reader left in a loaded file, read from it again on demand.
class LoadedFileValues final : public ValueSource {
 public:
  explicit LoadedFileValues(std::shared_ptr<const LoadedFile> file) : file_(std::move(file)) {}
  bool Read(uint64_t offset, std::span<uint8_t> into) const override;

 private:
  std::shared_ptr<const LoadedFile> file_;
};

// Some record of the list has its value left in a file.
bool HoldsValuesInFile(const TagList& list);

// Reads every value the list left in a file into its record; false when one cannot be read
// (the records read before it hold their values).
bool ReadValuesInFile(TagList& list);

}  // namespace norvane
