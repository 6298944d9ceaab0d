#pragma once

#include <cstdint>

namespace norvane {

// The process-wide counter behind presentation context IDs and DIMSE message IDs. Safe to
// use from several threads; concurrent associations draw interleaved values.

// counter := 1
void ResetUniqueIDs();
// The next odd value's low 8 bits (1, 3, 5, ... after a reset).
uint8_t NextContextID();
// The next odd value's low 16 bits.
uint16_t NextMessageID();
// The counter's low 8 bits, then the counter moves on by one.
uint8_t NextAcceptID();

}  // namespace norvane
