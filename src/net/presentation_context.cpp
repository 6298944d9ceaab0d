#include "net/presentation_context.hpp"

#include "net/pdu_layout.hpp"

namespace norvane {

PresentationContext::PresentationContext() : abstractSyntax_(kItemAbstractSyntax) {}

bool PresentationContext::AddTransferSyntax(std::string_view uid) {
  UIDitem item(kItemTransferSyntax);
  if (!item.SetText(uid)) return false;
  transferSyntaxes_.push_back(std::move(item));
  return true;
}

uint32_t PresentationContext::Size() {
  uint32_t length = kPresentationContextFixedLength + abstractSyntax_.Size();
  for (UIDitem& item : transferSyntaxes_)
    length += item.Size();
  length_ = static_cast<uint16_t>(length);
  return kItemHeaderSize + length;
}

bool PresentationContext::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(kItemType);
  buffer.WriteByte(0x00);
  buffer.WriteUInt16(length_);
  buffer.WriteByte(presentationContextID_);
  buffer.WriteByte(0x00);
  buffer.WriteByte(0x00);
  buffer.WriteByte(0x00);
  if (!buffer.Flush()) return false;
  if (!abstractSyntax_.Write(buffer)) return false;
  for (UIDitem& item : transferSyntaxes_) {
    if (!item.Write(buffer)) return false;
  }
  return true;
}

bool PresentationContext::ReadDynamic(Buffer& buffer, uint32_t room) {
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
  transferSyntaxes_.clear();

  uint32_t left = length - kPresentationContextFixedLength;
  // Every context names its abstract syntax first.
  if (left < kItemHeaderSize || !abstractSyntax_.Read(buffer, left)) return false;
  left -= kItemHeaderSize + abstractSyntax_.Length();
  while (left > 0) {
    UIDitem item;
    if (!item.Read(buffer, left)) return false;
    left -= kItemHeaderSize + item.Length();
    transferSyntaxes_.push_back(std::move(item));
  }
  return true;
}

}  // namespace norvane
