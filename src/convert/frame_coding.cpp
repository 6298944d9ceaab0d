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

ConvertStatus DecodeFrame(PixelEncoding encoding, const PixelModule& module,
                          std::span<const uint8_t> stream, std::span<uint8_t> frame, bool& lossy) {
  if (!JpegCodesBitsAllocated(encoding, module.bitsAllocated)) {
    return ConvertStatus::kBitsAllocated;
  }
  // A smaller image would leave part of the frame unwritten; a different shape would put
  // the samples in the wrong places.
  const std::optional<JpegFrameInfo> info = ReadJpegFrameInfo(stream);
  if (!info) return ConvertStatus::kCodecError;
  if (info->rows != module.rows || info->columns != module.columns ||
      info->components != module.samples || info->DecodedSize() != frame.size()) {
    return ConvertStatus::kFrameMismatch;
  }
  lossy = !info->lossless();
  int result = -1;
  switch (module.bitsAllocated) {
    case 8:
      result = JpegDecode8(stream, frame);
      break;
    case 12:
      result = JpegDecode12(stream, frame);
      break;
    default:
      // DCMTK writes lossless streams of 16-bit precision for 12-bit data in 16-bit
      // words; the 16-bit decoder reads every precision up to 16.
      result = JpegDecode16(stream, frame);
      break;
  }
  return result == 0 ? ConvertStatus::kOk : ConvertStatus::kCodecError;
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
