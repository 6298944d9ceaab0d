#pragma once

#include <cstddef>
#include <cstdint>

namespace norvane {

// The byte stream an association reads and writes: plain TCP (Socket) or a security layer
// over it. The connection itself, its time limits and its waits stay with the Socket under
// it; a layer only changes what travels.
class Transport {
 public:
  virtual ~Transport() = default;

  // True when the whole block was handed to the stream.
  virtual bool Send(const uint8_t* data, size_t length) = 0;
  // Bytes received (1 or more), or -1 when the stream ended, failed or a limit passed.
  virtual int Receive(uint8_t* buffer, size_t size) = 0;
  // Bytes can be received now without waiting (or the stream has ended).
  virtual bool Readable() = 0;
  // Ends the stream; the connection under it is closed by its owner.
  virtual void Shutdown() = 0;
};

}  // namespace norvane
