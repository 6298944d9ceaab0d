#pragma once

// Raw deflate (RFC 1951, without a zlib or gzip wrapper) through zlib: the form of the data
// set of Deflated Explicit VR Little Endian (1.2.840.10008.1.2.1.99), in files after the
// meta group and on the network as a whole message.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "datadec/element_codec.hpp"

namespace norvane {

// Takes the compressed or decompressed bytes as they are made; false stops the stream.
using ByteOutput = std::function<bool(std::span<const uint8_t>)>;

// Compresses bytes given in pieces into one deflate stream.
class DeflateStream {
 public:
  DeflateStream();
  ~DeflateStream();
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;

  // False when zlib fails or `out` refuses bytes; the stream is then unusable.
  bool Write(std::span<const uint8_t> bytes, const ByteOutput& out);
  // Ends the stream, handing out what zlib still holds.
  bool Finish(const ByteOutput& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Decompresses one deflate stream given in pieces.
class InflateStream {
 public:
  InflateStream();
  ~InflateStream();
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

  // False for data that is not deflate or `out` refusing. Bytes after the stream's end (a
  // writer's pad to an even length) are passed over.
  bool Write(std::span<const uint8_t> bytes, const ByteOutput& out);
  // Whether the stream's last block has been read.
  bool Ended() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A whole deflate stream decompressed; nullopt when it is not deflate or ends early. An
// empty input is an empty data set.
std::optional<std::vector<uint8_t>> InflateAll(std::span<const uint8_t> deflated);

// An element sink whose bytes reach `Sink` deflated; Finish ends the stream and pads it to
// an even length with a zero byte, as a DICOM data set and a PDV are even.
template <ElementSink Sink>
class DeflatingSink {
 public:
  explicit DeflatingSink(Sink& sink)
      : sink_(sink), out_([this](std::span<const uint8_t> bytes) {
          written_ += bytes.size();
          return bool(sink_.Write(bytes));
        }) {}
  DeflatingSink(const DeflatingSink&) = delete;
  DeflatingSink& operator=(const DeflatingSink&) = delete;

  bool Write(std::span<const uint8_t> bytes) { return stream_.Write(bytes, out_); }
  bool Finish() {
    static constexpr uint8_t kPad[1] = {0};
    return stream_.Finish(out_) && (written_ % 2 == 0 || out_(kPad));
  }

 private:
  Sink& sink_;
  uint64_t written_ = 0;
  ByteOutput out_;
  DeflateStream stream_;
};

}  // namespace norvane
