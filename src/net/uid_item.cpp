#include "net/uid_item.hpp"

#include "net/pdu_layout.hpp"

namespace norvane {

bool UIDitem::SetText(std::string_view text) {
  if (text.size() > kMaxUidLength) return false;
  text_.assign(text);
  length_ = static_cast<uint16_t>(text_.size());
  return true;
}

std::string_view UIDitem::Text() const {
  const std::string_view all(text_);
  return all.substr(0, all.find('\0'));
}

uint32_t UIDitem::Size() {
  length_ = static_cast<uint16_t>(text_.size());
  return kItemHeaderSize + length_;
}

bool UIDitem::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(itemType_);
  buffer.WriteByte(0x00);
  buffer.WriteUInt16(length_);
  buffer.WriteBytes(text_.data(), text_.size());
  return buffer.Flush();
}

bool UIDitem::Read(Buffer& buffer, uint32_t room) {
  if (room < 1 || !buffer.ReadByte(itemType_)) return false;
  return ReadDynamic(buffer, room);
}

bool UIDitem::ReadDynamic(Buffer& buffer, uint32_t room) {
  uint8_t reserved;
  uint16_t length;
  if (room < kItemHeaderSize || !buffer.ReadByte(reserved) || !buffer.ReadUInt16(length)) {
    return false;
  }
  if (length > kMaxUidLength || length > room - kItemHeaderSize) return false;
  std::string text(length, '\0');
  if (!buffer.ReadBytes(text.data(), length)) return false;
  text_ = std::move(text);
  length_ = length;
  return true;
}

}  // namespace norvane
