// JPEG 2000 codestreams (and JP2 files) as encapsulated pixel data brings them, decoded
// through OpenJPEG into a frame of the shape the image elements give (the input's first byte
// picks one).

#include "convert/jpeg2000_codec.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  return fuzz::DecodeIntoShape(data, size, [](const FrameShape& shape, auto stream, auto frame) {
    Jpeg2000DecodeFrame(shape, stream, frame);
  });
}
