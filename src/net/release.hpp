#pragma once

#include <cstdint>

#include "net/buffer.hpp"

namespace norvane {

// A-RELEASE-RQ (type 0x05) and A-RELEASE-RP (type 0x06): a PDU header and four zero bytes.
class ReleasePdu {
 public:
  uint8_t PduType() const { return pduType_; }
  uint32_t PduLength() const { return pduLength_; }

  // Writes the 10 bytes and flushes.
  bool Write(Buffer& buffer);
  // Reads the type byte, then the body; nothing is checked.
  bool Read(Buffer& buffer);
  // Reads the body after the type byte: reserved byte, PDU length, 4 reserved bytes.
  bool ReadDynamic(Buffer& buffer);
  // Sets the PDU length (4); returns the 10 bytes on the wire.
  uint32_t Size();

 protected:
  explicit ReleasePdu(uint8_t pduType) : pduType_(pduType) {}

 private:
  uint8_t pduType_;
  uint32_t pduLength_ = 0;
};

class AReleaseRQ : public ReleasePdu {
 public:
  AReleaseRQ();
};

class AReleaseRP : public ReleasePdu {
 public:
  AReleaseRP();
};

}  // namespace norvane
