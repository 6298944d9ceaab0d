// RLE Lossless streams as encapsulated pixel data brings them, decoded into a frame of the
// shape the image elements give (the input's first byte picks one).

#include "convert/rle_codec.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  return fuzz::DecodeIntoShape(data, size, [](const FrameShape& shape, auto stream, auto frame) {
    RleDecodeFrame(shape, stream, frame);
  });
}
