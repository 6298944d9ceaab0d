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
      return "Bits Allocated cannot be coded in that JPEG syntax (baseline: 8; lossless: 8, 12, "
             "16)";
    case ConvertStatus::kFrameMismatch:
      return "a compressed frame does not match Rows, Columns and the samples per pixel";
    case ConvertStatus::kPhotometric:
      return "the photometric interpretation cannot be coded in that JPEG syntax (subsampled "
             "chroma goes to JPEG baseline only, as RGB)";
    case ConvertStatus::kCodecError:
      return "the JPEG codec failed";
    case ConvertStatus::kMalformedSequence:
      return "a sequence value is malformed";
    case ConvertStatus::kOutOfMemory:
      return "not enough memory";
  }
  return "unknown";
}

}  // namespace norvane
