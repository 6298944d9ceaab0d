#pragma once

// Bytes as one raw deflate stream, the form a Deflated Explicit VR Little Endian data set
// takes in a file and on the network.

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

#include "datadec/deflate_stream.hpp"

namespace norvane::testing {

inline std::vector<uint8_t> Deflated(std::span<const uint8_t> plain) {
  std::vector<uint8_t> out;
  DeflateStream stream;
  const ByteOutput append = [&out](std::span<const uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
    return true;
  };
  EXPECT_TRUE(stream.Write(plain, append) && stream.Finish(append));
  return out;
}

}  // namespace norvane::testing
