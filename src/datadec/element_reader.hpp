#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

#include "datadec/element_codec.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Element reading with the file rules (kFileRules), over encoded bytes in memory and over a
// C file: the headers are decoded by DecodeElementHeader, whose rules are documented there.

// A header reader over encoded bytes in memory, which must outlive it.
struct ElementReader : ElementReaderState {
  std::span<const uint8_t> stream;
  size_t position = 0;

  ElementReader() = default;
  ElementReader(std::span<const uint8_t> bytes, bool explicitVR, bool bigEndian,
                bool inMetaGroup = false);
  size_t Remaining() const { return position < stream.size() ? stream.size() - position : 0; }
  bool AtEnd() const { return position >= stream.size(); }
};

// Reads one tag, VR and length at the reader's position. Returns nullopt, with position and
// flags unchanged, when the stream ends inside the header.
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
