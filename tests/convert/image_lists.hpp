#pragma once

// Image datasets as tag lists, for the conversion tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "convert/jpeg_test_images.hpp"
#include "datadec/test_bytes.hpp"
#include "elements/tag_list.hpp"

namespace norvane::testing {

inline constexpr const char* kSecondaryCapture = "1.2.840.10008.5.1.4.1.1.7";

struct ImageShape {
  int bits = 8;  // stored bits: 8, 12 (in 16 allocated) or 16
  int rows = 0;
  int columns = 0;
  int samples = 1;
  int frames = 1;

  int BitsAllocated() const { return bits == 8 ? 8 : 16; }
  size_t FrameBytes() const {
    return static_cast<size_t>(rows) * columns * samples * (BitsAllocated() / 8);
  }
  size_t TotalBytes() const { return FrameBytes() * frames; }
};

// Native little-endian samples: each frame left half noise, right half a ramp.
inline std::vector<uint8_t> ImagePixels(const ImageShape& shape, unsigned seed) {
  const unsigned maxValue = (1u << shape.bits) - 1;
  std::vector<uint8_t> all;
  for (int f = 0; f < shape.frames; ++f) {
    const size_t count = static_cast<size_t>(shape.rows) * shape.columns * shape.samples;
    auto samples = RandomSamples(count, maxValue, seed + f);
    const auto ramp = GradientSamples(shape.columns, shape.rows, shape.samples, maxValue);
    for (size_t i = 0; i < count; ++i) {
      if ((i / shape.samples) % shape.columns >= static_cast<size_t>(shape.columns / 2)) {
        samples[i] = ramp[i];
      }
    }
    const auto bytes = shape.bits == 8 ? Narrow(samples) : LittleEndianBytes(samples);
    all.insert(all.end(), bytes.begin(), bytes.end());
  }
  return all;
}

inline Bytes US(uint16_t v) {
  return {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
}

// Even-length text value with a space pad (NUL for UIDs).
inline Bytes Padded(const std::string& text, char pad = ' ') {
  Bytes bytes(text.begin(), text.end());
  if (bytes.size() % 2 != 0) bytes.push_back(static_cast<uint8_t>(pad));
  return bytes;
}

// An explicit VR little endian Secondary Capture image holding `pixels` natively.
inline TagList ImageList(const ImageShape& shape, const std::vector<uint8_t>& pixels,
                         const std::string& instanceUid = "1.2.826.0.1.3680043.2.4821.77.1") {
  TagList list{
      Record(0x0008, 0x0016, "UI", Padded(kSecondaryCapture, '\0')),
      Record(0x0008, 0x0018, "UI", Padded(instanceUid, '\0')),
      Record(0x0008, 0x0060, "CS", Padded("OT")),
      Record(0x0010, 0x0010, "PN", Padded("Convert^Test")),
      Record(0x0010, 0x0020, "LO", Padded("CONV1")),
      Record(0x0020, 0x000D, "UI", Padded("1.2.826.0.1.3680043.2.4821.77.2", '\0')),
      Record(0x0020, 0x000E, "UI", Padded("1.2.826.0.1.3680043.2.4821.77.3", '\0')),
      Record(0x0028, 0x0002, "US", US(static_cast<uint16_t>(shape.samples))),
      Record(0x0028, 0x0004, "CS", Padded(shape.samples == 3 ? "RGB" : "MONOCHROME2")),
  };
  if (shape.samples == 3) list.push_back(Record(0x0028, 0x0006, "US", US(0)));
  if (shape.frames != 1) {
    list.push_back(Record(0x0028, 0x0008, "IS", Padded(std::to_string(shape.frames))));
  }
  const uint16_t allocated = static_cast<uint16_t>(shape.BitsAllocated());
  list.push_back(Record(0x0028, 0x0010, "US", US(static_cast<uint16_t>(shape.rows))));
  list.push_back(Record(0x0028, 0x0011, "US", US(static_cast<uint16_t>(shape.columns))));
  list.push_back(Record(0x0028, 0x0100, "US", US(allocated)));
  list.push_back(Record(0x0028, 0x0101, "US", US(static_cast<uint16_t>(shape.bits))));
  list.push_back(Record(0x0028, 0x0102, "US", US(static_cast<uint16_t>(shape.bits - 1))));
  list.push_back(Record(0x0028, 0x0103, "US", US(0)));
  Bytes value = pixels;
  if (value.size() % 2 != 0) value.push_back(0);
  list.push_back(Record(0x7FE0, 0x0010, allocated == 8 ? "OB" : "OW", value));
  return list;
}

// Index of the first Pixel Data record, or the size of the list when there is none.
inline size_t PixelDataIndex(const TagList& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].Is(0x7FE0, 0x0010)) return i;
  }
  return list.size();
}

// The frames of an encapsulated list: checks the flat form on the way.
inline std::vector<Bytes> Fragments(const TagList& list) {
  const size_t at = PixelDataIndex(list);
  std::vector<Bytes> fragments;
  EXPECT_LT(at + 2, list.size());
  if (at + 2 >= list.size()) return fragments;
  EXPECT_TRUE(list[at].HasUndefinedLength()) << Describe(list[at]);
  EXPECT_EQ(list[at].VRText(), "OB");
  EXPECT_TRUE(list[at + 1].Is(0xFFFE, 0xE000));
  EXPECT_EQ(list[at + 1].length, 0u) << "basic offset table is not empty";
  EXPECT_EQ(list[at + 1].VRText(), "DL");
  size_t i = at + 2;
  for (; i < list.size() && list[i].Is(0xFFFE, 0xE000); ++i) {
    EXPECT_EQ(list[i].length % 2, 0u) << "odd fragment length " << list[i].length;
    EXPECT_EQ(list[i].VRText(), "DL");
    fragments.push_back(list[i].value);
  }
  EXPECT_EQ(i + 1, list.size()) << "records after the pixel data";
  if (i < list.size()) {
    EXPECT_TRUE(list[i].Is(0xFFFE, 0xE0DD)) << Describe(list[i]);
    EXPECT_EQ(list[i].length, 0u);
    EXPECT_EQ(list[i].VRText(), "DL");
  }
  return fragments;
}

}  // namespace norvane::testing
