#include "net/release.hpp"

#include "net/pdu_layout.hpp"

namespace norvane {

uint32_t ReleasePdu::Size() {
  pduLength_ = kReleaseBodyLength;
  return kReleasePduSize;
}

bool ReleasePdu::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(pduType_);
  buffer.WriteByte(0x00);
  buffer.WriteUInt32(pduLength_);
  buffer.WriteUInt32(0x00000000);
  return buffer.Flush();
}

bool ReleasePdu::Read(Buffer& buffer) {
  return buffer.ReadByte(pduType_) && ReadDynamic(buffer);
}

bool ReleasePdu::ReadDynamic(Buffer& buffer) {
  uint8_t reserved8;
  uint32_t reserved32;
  return buffer.ReadByte(reserved8) && buffer.ReadUInt32(pduLength_) &&
         buffer.ReadUInt32(reserved32);
}

AReleaseRQ::AReleaseRQ() : ReleasePdu(kPduReleaseRQ) {}

AReleaseRP::AReleaseRP() : ReleasePdu(kPduReleaseRP) {}

}  // namespace norvane
