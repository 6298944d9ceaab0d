#include "convert/frame_coding.hpp"

#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_frame_info.hpp"
#include "convert/rle_codec.hpp"

namespace norvane {
namespace {

// The frame as the RLE, JPEG-LS and JPEG 2000 codecs see it.
FrameShape ShapeOf(const PixelModule& module) {
  FrameShape shape;
  shape.rows = module.rows;
  shape.columns = module.columns;
  shape.samples = static_cast<uint32_t>(module.samples);
  shape.bitsAllocated = module.bitsAllocated;
  // Without Bits Stored every allocated bit counts.
  shape.bitsStored = module.bitsStored == 0 ? module.bitsAllocated : module.bitsStored;
  shape.isSigned = module.pixelRepresentation == 1;
  return shape;
}

ConvertStatus StatusOf(FrameDecodeStatus status) {
  switch (status) {
    case FrameDecodeStatus::kOk:
      return ConvertStatus::kOk;
    case FrameDecodeStatus::kMismatch:
      return ConvertStatus::kFrameMismatch;
    case FrameDecodeStatus::kCorrupt:
      return ConvertStatus::kCodecError;
  }
  return ConvertStatus::kCodecError;
}

ConvertStatus DecodeJpeg(const PixelModule& module, std::span<const uint8_t> stream,
                         std::span<uint8_t> frame, bool& lossy) {
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

bool EncodeJpeg(PixelEncoding encoding, const PixelModule& module, std::span<const uint8_t> frame,
                std::vector<uint8_t>& stream) {
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

}  // namespace

bool ValidCodingOptions(const CodingOptions& options) {
  return options.jpegLsNear >= 0 && options.jpegLsNear <= kMaxJpegLsNear &&
         options.jpeg2000Ratio >= 1 && options.jpeg2000Ratio <= kMaxJpeg2000Ratio;
}

bool CodesBitsAllocated(PixelEncoding encoding, uint16_t bitsAllocated) {
  switch (encoding) {
    case PixelEncoding::kJpegBaseline:
      return bitsAllocated == 8;
    case PixelEncoding::kJpegLossless:
      return bitsAllocated == 8 || bitsAllocated == 12 || bitsAllocated == 16;
    case PixelEncoding::kRle:
      return bitsAllocated == 8 || bitsAllocated == 16 || bitsAllocated == 32;
    case PixelEncoding::kJpegLsLossless:
    case PixelEncoding::kJpegLsNearLossless:
    case PixelEncoding::kJpeg2000Lossless:
    case PixelEncoding::kJpeg2000:
      return bitsAllocated == 8 || bitsAllocated == 16;
    case PixelEncoding::kNative:
      return false;
  }
  return false;
}

ConvertStatus DecodeFrame(PixelEncoding encoding, const PixelModule& module,
                          std::span<const uint8_t> stream, std::span<uint8_t> frame, bool& lossy) {
  lossy = false;
  if (!CodesBitsAllocated(encoding, module.bitsAllocated)) {
    return ConvertStatus::kBitsAllocated;
  }
  const FrameShape shape = ShapeOf(module);
  FrameDecodeResult result;
  switch (encoding) {
    case PixelEncoding::kJpegBaseline:
    case PixelEncoding::kJpegLossless:
      return DecodeJpeg(module, stream, frame, lossy);
    case PixelEncoding::kRle:
      return StatusOf(RleDecodeFrame(shape, stream, frame));
    case PixelEncoding::kJpegLsLossless:
    case PixelEncoding::kJpegLsNearLossless:
      result = JpegLsDecodeFrame(shape, stream, frame);
      break;
    case PixelEncoding::kJpeg2000Lossless:
    case PixelEncoding::kJpeg2000:
      result = Jpeg2000DecodeFrame(shape, stream, frame);
      break;
    case PixelEncoding::kNative:
      return ConvertStatus::kBitsAllocated;
  }
  lossy = result.lossy;
  return StatusOf(result.status);
}

bool EncodeFrame(PixelEncoding encoding, const PixelModule& module, const CodingOptions& options,
                 std::span<const uint8_t> frame, std::vector<uint8_t>& stream) {
  if (!CodesBitsAllocated(encoding, module.bitsAllocated)) return false;
  const FrameShape shape = ShapeOf(module);
  switch (encoding) {
    case PixelEncoding::kJpegBaseline:
    case PixelEncoding::kJpegLossless:
      return EncodeJpeg(encoding, module, frame, stream);
    case PixelEncoding::kRle:
      return RleEncodeFrame(shape, frame, stream);
    case PixelEncoding::kJpegLsLossless:
      return JpegLsEncodeFrame(shape, 0, frame, stream);
    case PixelEncoding::kJpegLsNearLossless:
      return JpegLsEncodeFrame(shape, options.jpegLsNear, frame, stream);
    case PixelEncoding::kJpeg2000Lossless:
      return Jpeg2000EncodeFrame(shape, 0, frame, stream);
    case PixelEncoding::kJpeg2000:
      return Jpeg2000EncodeFrame(shape, options.jpeg2000Ratio, frame, stream);
    case PixelEncoding::kNative:
      return false;
  }
  return false;
}

bool EncodesLossy(PixelEncoding encoding, const CodingOptions& options) {
  switch (encoding) {
    case PixelEncoding::kJpegBaseline:
    case PixelEncoding::kJpeg2000:
      return true;
    case PixelEncoding::kJpegLsNearLossless:
      return options.jpegLsNear > 0;
    default:
      return false;
  }
}

std::string_view LossyMethod(PixelEncoding encoding) {
  switch (encoding) {
    case PixelEncoding::kJpegBaseline:
    case PixelEncoding::kJpegLossless:
      return "ISO_10918_1";
    case PixelEncoding::kJpegLsLossless:
    case PixelEncoding::kJpegLsNearLossless:
      return "ISO_14495_1";
    case PixelEncoding::kJpeg2000Lossless:
    case PixelEncoding::kJpeg2000:
      return "ISO_15444_1";
    default:
      return {};
  }
}

}  // namespace norvane
