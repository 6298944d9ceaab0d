#pragma once

#include <cstdint>

#include "net/buffer.hpp"

namespace norvane {

// A-ASSOCIATE-RJ (type 0x03). Only read, never sent by this system.
class AAssociateRJ {
 public:
  uint8_t Result() const { return result_; }
  uint8_t Source() const { return source_; }
  uint8_t Reason() const { return reason_; }
  uint32_t PduLength() const { return pduLength_; }

  // Reads the body after the type byte; none of the fields is checked.
  bool ReadDynamic(Buffer& buffer);

 private:
  uint32_t pduLength_ = 0;
  uint8_t result_ = 1;
  uint8_t source_ = 3;
  uint8_t reason_ = 1;
};

}  // namespace norvane
