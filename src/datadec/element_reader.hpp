#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// Flags of one pass over one encoded stream. They persist from element to element; the
// header reader only ever clears them (the file readers set them from the transfer syntax).
struct ElementReaderState {
  bool explicitVR = false;   // dataset elements carry VR letters
  bool bigEndian = false;    // dataset numbers are big endian
  bool inMetaGroup = false;  // still inside group 0002, explicit VR little endian
};

// One element header as read.
struct ElementHeader {
  uint16_t group = 0;
  uint16_t element = 0;
  char vr[2] = {0, 0};  // zero bytes when the element was read without VR
  uint32_t length = 0;
  uint32_t headerSize = 0;  // bytes consumed, tag included: 8 or 12

  bool Is(uint16_t g, uint16_t e) const { return group == g && element == e; }
  bool HasValue() const { return length != 0 && length != kUndefinedLength; }
  std::string_view VRText() const {
    return vr[0] == 0 ? std::string_view() : std::string_view(vr, vr[1] == 0 ? 1 : 2);
  }
  // A record with this tag, VR and length and no value yet.
  TagRecord ToRecord() const;
};

// A header reader over encoded bytes in memory, which must outlive it.
struct ElementReader : ElementReaderState {
  std::span<const uint8_t> stream;
  size_t position = 0;

  ElementReader() = default;
  ElementReader(std::span<const uint8_t> bytes, bool explicitVR, bool bigEndian,
                bool inMetaGroup = false);
  size_t Remaining() const { return stream.size() - position; }
  bool AtEnd() const { return position >= stream.size(); }
};

// Reads one tag, VR and length at the reader's position:
// - the tag is little endian while in the meta group or when the data is little endian; in
//   the meta group of big-endian data a group other than 0002 is taken big endian (the meta
//   group has ended), and any group above 0002 ends the meta group for good;
// - VR letters are read in the meta group, and in explicit VR data except for group FFFE;
//   "OB", "OW", "SQ", "UN" and "UT" are followed by 2 reserved bytes and a 32-bit length,
//   any other VR by a 16-bit length;
// - a meta group written in implicit VR shows itself as (0002,0000) or (0002,0001) with a
//   16-bit length of 0: the length is then the first VR byte (as a signed byte), the VR is
//   dropped, and the rest of the stream is read as implicit VR outside the meta group;
// - without VR letters a 32-bit length follows.
// Lengths are little endian in the meta group, otherwise in the data's byte order.
// Returns nullopt, with position and flags unchanged, when the stream ends inside the header.
std::optional<ElementHeader> ReadElementHeader(ElementReader& reader);

// The next `length` bytes; nullopt (position unchanged) when fewer remain.
std::optional<std::span<const uint8_t>> ReadElementValue(ElementReader& reader, uint32_t length);

// Header and value as a record (no value for length 0 or undefined). Returns nullopt, with
// position and flags unchanged, when the header is cut short or the value passes the end.
std::optional<TagRecord> ReadElement(ElementReader& reader);

// The same rules over a C file at its current position; on failure the file position and
// the flags are left as they were.
std::optional<ElementHeader> ReadElementHeader(ElementReaderState& state, std::FILE* file);

// The next `length` bytes of the file; nullopt (position unchanged) when the file holds
// fewer. Nothing is allocated before the size has been checked against the file.
std::optional<std::vector<uint8_t>> ReadElementValue(std::FILE* file, uint32_t length);

// Header and value from the file; nullopt with position and flags unchanged on failure.
std::optional<TagRecord> ReadElement(ElementReaderState& state, std::FILE* file);

}  // namespace norvane
