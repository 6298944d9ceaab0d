#include "datadec/deflate_stream.hpp"

#include <zlib.h>

#include <array>
#include <limits>

namespace norvane {
namespace {

constexpr int kRawDeflate = -MAX_WBITS;  // negative window bits: no zlib wrapper
constexpr int kMemoryLevel = 8;          // zlib's default
constexpr size_t kChunk = 64 * 1024;

// zlib counts in 32-bit units: larger inputs go in pieces.
constexpr size_t kLargestPiece = std::numeric_limits<uInt>::max();

}  // namespace

struct DeflateStream::State {
  z_stream z{};
  bool ok = false;
  std::array<uint8_t, kChunk> chunk{};

  State() {
    ok = deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawDeflate, kMemoryLevel,
                      Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~State() {
    if (ok) deflateEnd(&z);
  }

  // Runs deflate over the pending input with `flush`, handing each full chunk out.
  bool Run(int flush, const ByteOutput& out) {
    for (;;) {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      const int result = deflate(&z, flush);
      if (result == Z_STREAM_ERROR) return false;
      const size_t made = chunk.size() - z.avail_out;
      if (made > 0 && !out(std::span<const uint8_t>(chunk.data(), made))) return false;
      if (flush == Z_FINISH ? result == Z_STREAM_END : z.avail_out != 0) return true;
    }
  }
};

DeflateStream::DeflateStream() : state_(std::make_unique<State>()) {}
DeflateStream::~DeflateStream() = default;

bool DeflateStream::Write(std::span<const uint8_t> bytes, const ByteOutput& out) {
  if (!state_->ok) return false;
  while (!bytes.empty()) {
    const size_t piece = std::min(bytes.size(), kLargestPiece);
    // zlib takes its input as non-const but never writes it.
    state_->z.next_in = const_cast<Bytef*>(bytes.data());
    state_->z.avail_in = static_cast<uInt>(piece);
    if (!state_->Run(Z_NO_FLUSH, out)) {
      state_->ok = false;
      return false;
    }
    bytes = bytes.subspan(piece);
  }
  return true;
}

bool DeflateStream::Finish(const ByteOutput& out) {
  if (!state_->ok) return false;
  state_->z.next_in = nullptr;
  state_->z.avail_in = 0;
  state_->ok = state_->Run(Z_FINISH, out);
  return state_->ok;
}

struct InflateStream::State {
  z_stream z{};
  bool ok = false;
  bool ended = false;
  std::array<uint8_t, kChunk> chunk{};

  State() { ok = inflateInit2(&z, kRawDeflate) == Z_OK; }
  ~State() { inflateEnd(&z); }
};

InflateStream::InflateStream() : state_(std::make_unique<State>()) {}
InflateStream::~InflateStream() = default;

bool InflateStream::Write(std::span<const uint8_t> bytes, const ByteOutput& out) {
  State& s = *state_;
  if (!s.ok) return false;
  // Bytes after the last block (a writer's pad to an even length) are passed over.
  while (!bytes.empty() && !s.ended) {
    const size_t piece = std::min(bytes.size(), kLargestPiece);
    s.z.next_in = const_cast<Bytef*>(bytes.data());
    s.z.avail_in = static_cast<uInt>(piece);
    do {
      s.z.next_out = s.chunk.data();
      s.z.avail_out = static_cast<uInt>(s.chunk.size());
      const int result = inflate(&s.z, Z_NO_FLUSH);
      const size_t made = s.chunk.size() - s.z.avail_out;
      const bool progressed = result == Z_OK || result == Z_STREAM_END;
      if ((!progressed && !(result == Z_BUF_ERROR && made == 0)) ||
          (made > 0 && !out(std::span<const uint8_t>(s.chunk.data(), made)))) {
        s.ok = false;
        return false;
      }
      if (result == Z_STREAM_END) {
        s.ended = true;
        break;
      }
      if (result == Z_BUF_ERROR) break;  // needs more input
    } while (s.z.avail_in > 0 || s.z.avail_out == 0);
    bytes = bytes.subspan(piece - s.z.avail_in);
  }
  return true;
}

bool InflateStream::Ended() const {
  return state_->ended;
}

std::optional<std::vector<uint8_t>> InflateAll(std::span<const uint8_t> deflated) {
  std::vector<uint8_t> inflated;
  if (deflated.empty()) return inflated;
  InflateStream stream;
  const bool read = stream.Write(deflated, [&inflated](std::span<const uint8_t> bytes) {
    inflated.insert(inflated.end(), bytes.begin(), bytes.end());
    return true;
  });
  if (!read || !stream.Ended()) return std::nullopt;
  return inflated;
}

}  // namespace norvane
