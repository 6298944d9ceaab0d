#include "net/abort.hpp"

namespace norvane {

uint32_t AAbortRQ::Size() {
  pduLength_ = kAbortBodyLength;
  return kAbortPduSize;
}

bool AAbortRQ::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(kPduAbort);
  buffer.WriteByte(0x00);
  buffer.WriteUInt32(pduLength_);
  buffer.WriteByte(0x00);
  buffer.WriteByte(0x00);
  buffer.WriteByte(source_);
  buffer.WriteByte(reason_);
  return buffer.Flush();
}

bool AAbortRQ::ReadDynamic(Buffer& buffer) {
  uint8_t reserved;
  uint32_t length;
  if (!buffer.ReadByte(reserved) || !buffer.ReadUInt32(length) || length < kAbortBodyLength) {
    return false;
  }
  return buffer.ReadByte(reserved) && buffer.ReadByte(reserved) && buffer.ReadByte(source_) &&
         buffer.ReadByte(reason_);
}

}  // namespace norvane
