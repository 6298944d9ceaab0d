// DICOMDIR files: the record offsets are followed through the file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.hpp"
#include "rddcmdir/read_dcmdir.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size > fuzz::kMaxInput) return 0;
  TagList list;
  ReadDCMDIR(std::span<const uint8_t>(data, size), list);
  return 0;
}
