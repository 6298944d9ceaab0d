#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace norvane {

// An element sink that gathers the encoded bytes in memory.
struct ByteVectorSink {
  std::vector<uint8_t> bytes;
  bool Write(std::span<const uint8_t> more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return true;
  }
};

}  // namespace norvane
