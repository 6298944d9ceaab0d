#include "convert/convert_status.hpp"

namespace norvane {

std::string_view Describe(ConvertStatus status) {
  switch (status) {
    case ConvertStatus::kOk:
      return "converted";
    case ConvertStatus::kUnsupportedSourceSyntax:
      return "the source transfer syntax is not one that can be converted";
    case ConvertStatus::kUnsupportedTargetSyntax:
      return "the target transfer syntax is not one that can be written";
    case ConvertStatus::kPixelDataLength:
      return "the pixel data length does not match Rows x Columns x Bits Allocated x samples x "
             "frames (with subsampled chroma at its reduced rate)";
    case ConvertStatus::kImageTooLarge:
      return "the image is larger than a pixel data element can hold";
    case ConvertStatus::kEncapsulatedForm:
      return "the compressed pixel data do not hold an offset table and one fragment per frame";
    case ConvertStatus::kBitsAllocated:
      return "Bits Allocated cannot be coded in that syntax (JPEG baseline: 8; JPEG lossless: 8, "
             "12, 16; JPEG-LS and JPEG 2000: 8, 16; RLE: 8, 16, 32)";
    case ConvertStatus::kFrameMismatch:
      return "a compressed frame does not match Rows, Columns and the samples per pixel";
    case ConvertStatus::kPhotometric:
      return "the photometric interpretation cannot be coded in that syntax (subsampled chroma "
             "goes to JPEG baseline only, as RGB)";
    case ConvertStatus::kCodecError:
      return "the codec failed (a corrupt stream, or samples it cannot code)";
    case ConvertStatus::kMalformedSequence:
      return "a sequence value is malformed";
    case ConvertStatus::kOutOfMemory:
      return "not enough memory";
    case ConvertStatus::kCodingOptions:
      return "the JPEG-LS NEAR value (0 to 255) or the JPEG 2000 ratio (1 to 1000) is out of range";
  }
  return "unknown";
}

}  // namespace norvane
