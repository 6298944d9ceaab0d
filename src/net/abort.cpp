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

}  // namespace norvane
