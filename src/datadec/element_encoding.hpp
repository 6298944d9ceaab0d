#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "datadec/element_codec.hpp"
#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Whole lists encoded with the file rules (kFileRules): items and delimiters implicit, the
// meta group explicit VR little endian in every syntax, a short value completed with zeros.

// Number of bytes EncodeTags produces for the list.
size_t EncodedLength(const TagList& list, bool explicitVR);

// Writes every record in list order into `buffer`: header, then exactly `length` value
// bytes (none for 0 or undefined). Returns false, after logging "ERROR: ptr > length", when
// a record would pass the end of the buffer; returns false also when a length does not fit
// its 16-bit field.
bool EncodeTags(const TagList& list, std::span<uint8_t> buffer, bool explicitVR, ByteOrder order);

// The whole list encoded into a buffer of exactly EncodedLength bytes.
std::optional<std::vector<uint8_t>> EncodeTags(const TagList& list, bool explicitVR,
                                               ByteOrder order);

}  // namespace norvane
