#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace norvane {

// Where the bytes of a value left in its file can be read again. A large value that is read
// only to be sent or written out is never held in memory: its encoder reads it in pieces.
class ValueSource {
 public:
  ValueSource() = default;
  ValueSource(const ValueSource&) = delete;
  ValueSource& operator=(const ValueSource&) = delete;
  virtual ~ValueSource() = default;

  // Copies into.size() bytes from `offset`; false when they cannot all be read (the file
  // was cut short or replaced since).
  virtual bool Read(uint64_t offset, std::span<uint8_t> into) const = 0;
};

// A value's bytes: `length` of the record's, at `offset` of `source`.
struct ValueInFile {
  std::shared_ptr<const ValueSource> source;
  uint64_t offset = 0;
};

}  // namespace norvane
