#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "elements/tag_record.hpp"
#include "elements/value_source.hpp"

namespace norvane {

// Takes the bytes of a large value of a message being received in place of its record: a
// storage SCP writes an image's pixels into their file as they arrive, so that they are
// neither held in memory nor written after the last of them came.
class ReceivedValueSink {
 public:
  ReceivedValueSink() = default;
  ReceivedValueSink(const ReceivedValueSink&) = delete;
  ReceivedValueSink& operator=(const ReceivedValueSink&) = delete;
  virtual ~ReceivedValueSink() = default;

  // The value of `header` (a defined length) starts after the records `before` of its
  // message; true when the sink takes its bytes, which then never enter the record.
  virtual bool Begin(std::span<const TagRecord> before, const TagRecord& header) = 0;
  // The value's next bytes, in order.
  virtual void Write(std::span<const uint8_t> bytes) = 0;
  // The value is complete: where its bytes can be read again, which the record gets as
  // `inFile`; null when they could not all be kept.
  virtual std::shared_ptr<const ValueInFile> End() = 0;
};

}  // namespace norvane
