#include "net/associate_rj.hpp"

namespace norvane {

bool AAssociateRJ::ReadDynamic(Buffer& buffer) {
  uint8_t reserved;
  return buffer.ReadByte(reserved) && buffer.ReadUInt32(pduLength_) && buffer.ReadByte(reserved) &&
         buffer.ReadByte(result_) && buffer.ReadByte(source_) && buffer.ReadByte(reason_);
}

}  // namespace norvane
