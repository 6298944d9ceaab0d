#pragma once

#include <cstdint>
#include <string_view>

namespace norvane {

// Why a conversion did not happen.
enum class ConvertStatus : uint8_t {
  kOk,
  kUnsupportedSourceSyntax,  // not one of the supported syntaxes
  kUnsupportedTargetSyntax,
  kPixelDataLength,    // native data not Rows x Columns x Bits Allocated / 8 x samples x frames
  kImageTooLarge,      // more bytes than an element length can hold
  kEncapsulatedForm,   // not an offset table, one fragment per frame and a delimiter
  kBitsAllocated,      // a compressed syntax that cannot code this Bits Allocated
  kFrameMismatch,      // a compressed frame of another size or shape than the image
  kPhotometric,        // colour samples a compressed syntax cannot hold as they are stored
  kCodecError,         // the codec failed
  kMalformedSequence,  // a sequence or item value that cannot be read
  kOutOfMemory,
  kCodingOptions,  // a near-lossless or lossy setting out of its range
};

// A short English explanation for messages: "pixel data length does not match ...".
std::string_view Describe(ConvertStatus status);

}  // namespace norvane
