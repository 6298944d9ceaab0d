#pragma once

#include <cstdint>

#include "net/buffer.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {

// A-ABORT (type 0x07). Sent as a service-provider abort; the reason says why when the
// sender knows it (unexpected or unrecognised PDU, invalid PDU parameter). A peer's abort
// is read for its source and reason.
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
  // Reads the body after the type byte: the PDU length (at least 4), two reserved bytes,
  // source and reason. Nothing after them is read: an abort ends the connection.
  bool ReadDynamic(Buffer& buffer);

 private:
  uint32_t pduLength_ = 0;
  uint8_t source_ = kAbortSourceServiceProvider;
  uint8_t reason_ = kAbortReasonNotSpecified;
};

}  // namespace norvane
