#include "convert/frame_coding.hpp"

#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_frame_info.hpp"

namespace norvane {

bool JpegCodesBitsAllocated(PixelEncoding encoding, uint16_t bitsAllocated) {
  switch (encoding) {
    case PixelEncoding::kJpegBaseline:
      return bitsAllocated == 8;
    case PixelEncoding::kJpegLossless:
      return bitsAllocated == 8 || bitsAllocated == 12 || bitsAllocated == 16;
    case PixelEncoding::kNative:
      return false;
  }
  return false;
}

bool DecodeFrame(PixelEncoding encoding, const PixelModule& module, std::span<const uint8_t> stream,
                 std::span<uint8_t> frame, bool& lossy) {
  if (!JpegCodesBitsAllocated(encoding, module.bitsAllocated)) return false;
  // A smaller image would leave part of the frame unwritten; a different shape would put
  // the samples in the wrong places.
  const std::optional<JpegFrameInfo> info = ReadJpegFrameInfo(stream);
  if (!info || info->rows != module.rows || info->columns != module.columns ||
      info->components != module.samples || info->DecodedSize() != frame.size()) {
    return false;
  }
  lossy = !info->lossless();
  switch (module.bitsAllocated) {
    case 8:
      return JpegDecode8(stream, frame) == 0;
    case 12:
      return JpegDecode12(stream, frame) == 0;
    default:
      // DCMTK writes lossless streams of 16-bit precision for 12-bit data in 16-bit
      // words; the 16-bit decoder reads every precision up to 16.
      return JpegDecode16(stream, frame) == 0;
  }
}

bool EncodeFrame(PixelEncoding encoding, const PixelModule& module, std::span<const uint8_t> frame,
                 std::vector<uint8_t>& stream) {
  if (!JpegCodesBitsAllocated(encoding, module.bitsAllocated)) return false;
  const int columns = module.columns;
  const int rows = module.rows;
  const int samples = module.samples;
  if (encoding == PixelEncoding::kJpegBaseline) {
    return JpegEncode8(columns, rows, samples, frame, stream, kJpegModeBaseline) == 0;
  }
  switch (module.bitsAllocated) {
    case 8:
      return JpegEncode8(columns, rows, samples, frame, stream, kJpegModeLossless) == 0;
    case 12:
      return JpegEncode12(columns, rows, samples, frame, stream) == 0;
    default:
      return JpegEncode16(columns, rows, samples, frame, stream) == 0;
  }
}

}  // namespace norvane
