#include "net/presentation_context_accept.hpp"

#include "net/pdu_layout.hpp"

namespace norvane {

PresentationContextAccept::PresentationContextAccept(uint8_t id)
    : presentationContextID_(id),
      abstractSyntax_(kItemAbstractSyntax),
      transferSyntax_(kItemTransferSyntax) {}

uint32_t PresentationContextAccept::Size() {
  length_ = static_cast<uint16_t>(kPresentationContextFixedLength + transferSyntax_.Size());
  return kItemHeaderSize + length_;
}

bool PresentationContextAccept::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(kItemType);
  buffer.WriteByte(0x00);
  buffer.WriteUInt16(length_);
  buffer.WriteByte(presentationContextID_);
  buffer.WriteByte(0x00);
  buffer.WriteByte(result_);
  buffer.WriteByte(0x00);
  return transferSyntax_.Write(buffer);
}

bool PresentationContextAccept::ReadDynamic(Buffer& buffer, uint32_t room) {
  uint8_t reserved;
  uint16_t length;
  if (room < kItemHeaderSize || !buffer.ReadByte(reserved) || !buffer.ReadUInt16(length)) {
    return false;
  }
  if (length > room - kItemHeaderSize || length < kPresentationContextFixedLength) return false;
  uint8_t fixed[kPresentationContextFixedLength];
  if (!buffer.ReadBytes(fixed, sizeof fixed)) return false;
  length_ = length;
  presentationContextID_ = fixed[0];
  result_ = fixed[2];

  uint32_t left = length - kPresentationContextFixedLength;
  if (left == 0) {
    transferSyntax_.SetText("");
    return true;
  }
  if (!transferSyntax_.Read(buffer, left)) return false;
  left -= kItemHeaderSize + transferSyntax_.Length();
  return buffer.Skip(left);
}

}  // namespace norvane
