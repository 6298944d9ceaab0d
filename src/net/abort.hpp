#pragma once

#include <cstdint>

#include "net/buffer.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {

// A-ABORT (type 0x07). Sent as a service-provider abort; the reason says why when the
// sender knows it (unexpected or unrecognised PDU, invalid PDU parameter).
class AAbortRQ {
 public:
  uint8_t Source() const { return source_; }
  uint8_t Reason() const { return reason_; }
  void SetSource(uint8_t source) { source_ = source; }
  void SetReason(uint8_t reason) { reason_ = reason; }

  // Writes the 10 bytes and flushes.
  bool Write(Buffer& buffer);
  // Sets the PDU length (4); returns the 10 bytes on the wire.
  uint32_t Size();

 private:
  uint32_t pduLength_ = 0;
  uint8_t source_ = kAbortSourceServiceProvider;
  uint8_t reason_ = kAbortReasonNotSpecified;
};

}  // namespace norvane
