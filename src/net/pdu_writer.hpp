#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "elements/value_source.hpp"
#include "net/pdata_tf.hpp"
#include "net/transport.hpp"

namespace norvane {

// Sends one message as P-DATA-TF PDUs of one PDV each while it is being encoded: the bytes
// fill one PDU of the fragment size at a time, closed once the next byte shows it is not the
// last; End closes the last with the last-fragment bit. Closed PDUs go out together, up to
// about kBatchBytes in one send, so that a peer with small PDUs does not cost a system call
// for each. A message is never held whole, and its PDUs are those PDataTF::Write cuts: full
// fragments, then the rest. An empty message sends nothing. The PDV header fields of
// `pdata` follow each PDU closed.
class PduWriter {
 public:
  PduWriter(PDataTF& pdata, Transport& transport);
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
  static constexpr size_t kBatchBytes = 128 * 1024;

  // Puts `n` bytes into the PDUs, sending them as the batch fills: `copy(done, into)` fills
  // `into` with the bytes from `done` on, false when it cannot.
  template <class Copy>
  bool Fill(size_t n, Copy copy);
  // Writes the headers of the PDU being filled; the next one starts after it.
  void Close(bool last);
  // Sends every closed PDU.
  bool Flush();

  PDataTF& pdata_;
  Transport& transport_;
  uint32_t fragment_;
  // PDUs back to back, each its headers then up to fragment_ message bytes; the one being
  // filled starts at pduStart_ and holds filled_ message bytes.
  std::vector<uint8_t> pdus_;
  size_t pduStart_ = 0;
  size_t filled_ = 0;
  bool failed_ = false;
};

}  // namespace norvane
