#pragma once

#include <cstdint>
#include <string_view>

namespace norvane {

// Why a conversion did not happen.
enum class ConvertStatus : uint8_t {
  kOk,
  kUnsupportedSourceSyntax,  // not one of the five syntaxes
  kUnsupportedTargetSyntax,
  kPixelDataLength,    // native data not Rows x Columns x Bits Allocated / 8 x samples x frames
  kImageTooLarge,      // more bytes than an element length can hold
  kEncapsulatedForm,   // not an offset table, one fragment per frame and a delimiter
  kBitsAllocated,      // a JPEG syntax that cannot code this Bits Allocated
  kFrameMismatch,      // a JPEG frame of another size or shape than the image
  kPhotometric,        // colour samples a JPEG syntax cannot hold as they are stored
  kCodecError,         // the JPEG library failed
  kMalformedSequence,  // a sequence or item value that cannot be read
  kOutOfMemory,
};

// A short English explanation for messages: "pixel data length does not match ...".
std::string_view Describe(ConvertStatus status);

}  // namespace norvane
