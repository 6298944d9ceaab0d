#pragma once

// DICOM files built byte by byte for the file reader and writer tests.

#include <fstream>
#include <string>

#include "datadec/element_encoding.hpp"
#include "test_bytes.hpp"

namespace norvane::testing {

// 128 zero bytes and "DICM".
inline Bytes Preamble() {
  Bytes b(128, 0);
  b.insert(b.end(), {'D', 'I', 'C', 'M'});
  return b;
}

inline Bytes Encoded(const TagList& list, bool explicitVR, ByteOrder order) {
  return EncodeTags(list, explicitVR, order).value();
}

// A meta group with its group length, Transfer Syntax UID as given (pad included).
inline TagList MetaGroup(const Bytes& transferSyntax) {
  TagList meta = {Record(0x0002, 0x0000, "UL", {0, 0, 0, 0}),
                  Record(0x0002, 0x0001, "OB", {0x00, 0x01}),
                  Record(0x0002, 0x0002, "UI", Text("1.2.840.10008.5.1.4.1.1.7\0")),
                  Record(0x0002, 0x0003, "UI", Text("1.2.3.4.5.6\0")),
                  Record(0x0002, 0x0010, "UI", transferSyntax)};
  const uint32_t length = static_cast<uint32_t>(EncodedLength(meta, true) - 12);
  meta[0].value = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0, 0};
  return meta;
}

inline Bytes Part10(const TagList& meta, const Bytes& dataset) {
  return Concat({Preamble(), Encoded(meta, true, ByteOrder::kLittleEndian), dataset});
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace norvane::testing
