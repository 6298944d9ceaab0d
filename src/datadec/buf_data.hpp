#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// An in-memory byte stream with a read/write position and a byte order fixed at
// construction. Writing at the position overwrites and grows the stream; reading never
// passes its end.
class BufData {
 public:
  explicit BufData(ByteOrder order) : bigEndian_(order == ByteOrder::kBigEndian) {}
  BufData(ByteOrder order, std::span<const uint8_t> bytes);

  bool BigEndian() const { return bigEndian_; }
  size_t Size() const { return bytes_.size(); }
  size_t Position() const { return position_; }
  // False (position unchanged) past the end of the stream.
  bool SetPosition(size_t position);
  size_t Remaining() const { return bytes_.size() - position_; }
  void Clear();
  std::span<const uint8_t> Bytes() const { return bytes_; }

  // All-or-nothing reads: false, with the position unchanged, when too few bytes remain.
  bool ReadBytes(std::span<uint8_t> out);
  void WriteBytes(std::span<const uint8_t> bytes);
  std::optional<uint16_t> ReadUS();
  std::optional<uint32_t> ReadUL();
  void WriteUS(uint16_t number);
  void WriteUL(uint32_t number);

  // One element with the BufData rules (kBufDataRules): tag; for groups other than 0000 and
  // FFFE in explicit VR, the VR letters and the length in the form the VR calls for;
  // otherwise a 32-bit length; then the value. False, with nothing written, when the length
  // does not fit a 16-bit length field.
  bool WriteElement(const TagRecord& record, bool explicitVR);
  // The exact reverse. Nullopt, with the position unchanged, when the header is cut short
  // or the value passes the end of the stream.
  std::optional<TagRecord> ReadElement(bool explicitVR);

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  bool bigEndian_;
};

}  // namespace norvane
