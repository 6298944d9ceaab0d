#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "elements/value_source.hpp"
#include "net/pdata_tf.hpp"
#include "net/socket.hpp"

namespace norvane {

// Sends one message as P-DATA-TF PDUs of one PDV each while it is being encoded: the bytes
// fill one PDU of the fragment size at a time, which goes out once the next byte shows it
// is not the last; End sends the last with the last-fragment bit. A message is never held
// whole, and its PDUs are those PDataTF::Write cuts: full fragments, then the rest. An
// empty message sends nothing. The PDV header fields of `pdata` follow each PDU sent.
class PduWriter {
 public:
  PduWriter(PDataTF& pdata, Socket& socket);
  PduWriter(const PduWriter&) = delete;
  PduWriter& operator=(const PduWriter&) = delete;

  // The element sink: false once a PDU could not be sent (nothing more goes out then).
  bool Write(std::span<const uint8_t> bytes);
  // The same for `n` bytes of a value left in a file, read straight into the PDUs; false
  // also when they cannot be read.
  bool WriteFrom(const ValueInFile& where, size_t n);
  // Sends the rest of the message; false when a PDU could not be sent.
  bool End();

 private:
  // Puts `n` bytes into the PDUs, sending each full one: `copy(done, into)` fills `into`
  // with the bytes from `done` on, false when it cannot.
  template <class Copy>
  bool Fill(size_t n, Copy copy);
  bool Send(bool last);

  PDataTF& pdata_;
  Socket& socket_;
  uint32_t fragment_;
  // One PDU: its headers, then up to fragment_ message bytes.
  std::vector<uint8_t> pdu_;
  size_t filled_ = 0;
  bool failed_ = false;
};

}  // namespace norvane
