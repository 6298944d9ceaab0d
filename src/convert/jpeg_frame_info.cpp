#include "convert/jpeg_frame_info.hpp"

namespace norvane {

namespace {

constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kSOI = 0xD8;
constexpr uint8_t kEOI = 0xD9;
constexpr uint8_t kSOS = 0xDA;
constexpr uint8_t kTEM = 0x01;
constexpr uint8_t kDHT = 0xC4;                    // in the SOFn range but a table, not a frame
constexpr uint8_t kJPG = 0xC8;                    // reserved extension
constexpr uint8_t kDAC = 0xCC;                    // in the SOFn range but a table, not a frame
constexpr std::size_t kFrameHeaderMinLength = 8;  // Lf, P, Y, X, Nf

bool IsFrameMarker(uint8_t m) {
  return m >= 0xC0 && m <= 0xCF && m != kDHT && m != kJPG && m != kDAC;
}

// Markers standing alone, without a length: TEM, RSTm, SOI, EOI.
bool IsStandalone(uint8_t m) {
  return m == kTEM || (m >= 0xD0 && m <= 0xD9);
}

int Big16(std::span<const uint8_t> s, std::size_t at) {
  return (s[at] << 8) | s[at + 1];
}

}  // namespace

bool JpegFrameInfo::lossless() const {
  return marker == 0xC3 || marker == 0xC7 || marker == 0xCB || marker == 0xCF;
}

bool JpegFrameInfo::baseline() const {
  return marker == 0xC0;
}

std::size_t JpegFrameInfo::DecodedSize() const {
  const std::size_t bytesPerSample = precision > 8 ? 2 : 1;
  return static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) *
         static_cast<std::size_t>(components) * bytesPerSample;
}

std::optional<JpegFrameInfo> ReadJpegFrameInfo(std::span<const uint8_t> stream) {
  if (stream.size() < 2 || stream[0] != kMarkerPrefix || stream[1] != kSOI) return std::nullopt;
  std::size_t at = 2;
  while (true) {
    // A marker is one or more 0xFF fill bytes and a non-zero code. Stray bytes before it are
    // passed over, as the decoders do (with a warning).
    while (at < stream.size() && stream[at] != kMarkerPrefix)
      ++at;
    while (at < stream.size() && stream[at] == kMarkerPrefix)
      ++at;
    if (at >= stream.size()) return std::nullopt;
    const uint8_t marker = stream[at++];
    if (marker == 0x00) continue;  // a stuffed data byte, not a marker
    if (marker == kSOS || marker == kEOI) return std::nullopt;
    if (IsStandalone(marker)) continue;
    if (stream.size() - at < 2) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(Big16(stream, at));
    if (length < 2 || length > stream.size() - at) return std::nullopt;
    if (IsFrameMarker(marker)) {
      if (length < kFrameHeaderMinLength) return std::nullopt;
      JpegFrameInfo info;
      info.marker = marker;
      info.precision = stream[at + 2];
      info.rows = Big16(stream, at + 3);
      info.columns = Big16(stream, at + 5);
      info.components = stream[at + 7];
      return info;
    }
    at += length;
  }
}

}  // namespace norvane
