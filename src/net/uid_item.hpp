#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/buffer.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {

// An item or sub-item holding one UID or name text: type, reserved byte, 16-bit length and
// exactly `length` text bytes, with no padding and no terminator.
class UIDitem {
 public:
  explicit UIDitem(uint8_t itemType = 0) : itemType_(itemType) {}

  uint8_t ItemType() const { return itemType_; }
  void SetItemType(uint8_t type) { itemType_ = type; }
  // The length field as last set by Size() or read.
  uint16_t Length() const { return length_; }

  // False, and the text unchanged, when it is longer than 64 characters.
  bool SetText(std::string_view text);
  // The text as compared: up to its first NUL, so a NUL pad matches and a space pad not.
  std::string_view Text() const;
  // The bytes as they travel.
  const std::string& WireText() const { return text_; }
  bool Empty() const { return text_.empty(); }

  // Writes the item and flushes; false when the flush fails.
  bool Write(Buffer& buffer);
  // `room` is the number of bytes the item may occupy from its type byte on; a length
  // that does not fit, or a text over 64 characters, fails the read.
  bool Read(Buffer& buffer, uint32_t room = kUnbounded);
  // The same after the caller consumed the type byte.
  bool ReadDynamic(Buffer& buffer, uint32_t room = kUnbounded);
  // Sets the length from the text; returns the bytes on the wire (length + 4).
  uint32_t Size();

 private:
  uint8_t itemType_;
  uint16_t length_ = 0;
  std::string text_;
};

}  // namespace norvane
