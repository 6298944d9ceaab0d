#pragma once

// Shared by the fuzz targets and the seed maker: bytes as the library writes them on a
// connection, and an acceptor association driven by bytes from a socket pair.

#include <cstdint>
#include <functional>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "convert/frame_shape.hpp"
#include "net/buffer.hpp"
#include "net/pdu_service.hpp"
#include "net/tls_context.hpp"

namespace norvane::fuzz {

// The largest stream the data phase target takes: a socket pair holds it without a reader.
inline constexpr size_t kMaxStreamInput = 64 * 1024;
// The largest file or value the other targets take (the ECG sample is 291 KB).
inline constexpr size_t kMaxInput = 1024 * 1024;

// What `write` sends through its buffer (big endian, as an association's): the buffer is
// given one end of a socket pair and the other end is read until its connection closes.
std::vector<uint8_t> SentBytes(const std::function<bool(Buffer&)>& write);

// The A-ASSOCIATE-RQ of a storage SCU, written by the library: context 1 CT Image Storage
// in implicit VR little endian, 3 the same in explicit VR little endian, 5 in JPEG
// Lossless, 7 Verification. The storage SCP's policy accepts all four.
const std::vector<uint8_t>& StorageAssociateRQ();

// Runs an acceptor association on one end of a socket pair while the other end sends
// StorageAssociateRQ() and then `stream`: `act` is called once the association is
// accepted. Returns everything the acceptor sent (the A-ASSOCIATE-AC first), read by a
// thread of its own so that large messages never block.
std::vector<uint8_t> AcceptorExchange(std::span<const uint8_t> stream,
                                      const std::function<void(PDU_Service&)>& act);

// A TLS context of the role with a self-signed certificate made in memory (once per role,
// kept for the process), which trusts nobody and verifies nothing; null when OpenSSL
// could not make one.
const TlsContext* SelfSignedTlsContext(TlsRole role);

// A file of the bytes reachable by name, for readers that take a file name: a memory file
// named through /proc/self/fd. Empty name when it cannot be made.
class MemoryFile {
 public:
  explicit MemoryFile(std::span<const uint8_t> bytes);
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& Name() const { return name_; }

 private:
  int fd_ = -1;
  std::string name_;
};

// The frames the pixel codec targets decode into, as encapsulated pixel data brings a stream
// for an image of a known shape: the input's first byte picks one (modulo their number), the
// rest is the stream. Small frames of every layout, and the shapes of pydicom's samples.
inline constexpr FrameShape kCodecShapes[] = {
    {8, 16, 1, 8, 8, false},    {8, 16, 3, 8, 8, false},      {8, 16, 1, 16, 12, false},
    {8, 16, 1, 16, 16, true},   {8, 16, 3, 16, 16, false},    {4, 4, 1, 32, 32, false},
    {64, 64, 1, 16, 16, true},  {100, 100, 3, 8, 8, false},   {100, 100, 3, 16, 16, false},
    {10, 10, 1, 32, 32, false}, {1024, 256, 1, 16, 16, true}, {5, 3, 3, 8, 7, false},
};

inline const FrameShape& CodecShape(uint8_t selector) {
  return kCodecShapes[selector % std::size(kCodecShapes)];
}

// Decodes the rest of the input with `decode` into a frame of the shape its first byte picks.
template <class Decode>
int DecodeIntoShape(const uint8_t* data, size_t size, Decode decode) {
  if (size < 1 || size > kMaxInput) return 0;
  const FrameShape& shape = CodecShape(data[0]);
  std::vector<uint8_t> frame(shape.FrameBytes());
  decode(shape, std::span<const uint8_t>(data + 1, size - 1), std::span<uint8_t>(frame));
  return 0;
}

}  // namespace norvane::fuzz
