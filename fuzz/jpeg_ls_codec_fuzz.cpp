// JPEG-LS streams as encapsulated pixel data brings them, decoded through CharLS into a
// frame of the shape the image elements give (the input's first byte picks one).

#include "convert/jpeg_ls_codec.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  return fuzz::DecodeIntoShape(data, size, [](const FrameShape& shape, auto stream, auto frame) {
    JpegLsDecodeFrame(shape, stream, frame);
  });
}
