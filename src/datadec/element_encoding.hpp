#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

inline constexpr uint16_t kCommandGroup = 0x0000;
inline constexpr uint16_t kMetaGroup = 0x0002;

// Layout of an element header after its 4-byte tag.
enum class HeaderForm : uint8_t {
  kImplicit,       // 32-bit length
  kExplicitShort,  // 2 VR letters, 16-bit length
  kExplicitLong,   // 2 VR letters, 2 reserved zero bytes, 32-bit length
};

// "OB", "OW", "SQ", "UN" and "UT" carry a 32-bit length in explicit VR data.
bool HasLongLength(const char vr[2]);

// Header size including the tag: 12 for the long explicit form, 8 otherwise.
inline size_t HeaderSize(HeaderForm form) {
  return form == HeaderForm::kExplicitLong ? 12 : 8;
}

// The explicit form that the record's VR calls for.
HeaderForm ExplicitForm(const TagRecord& record);

// Form of a record inside a dataset or file: items and delimiters are always implicit, the
// meta group always explicit (and little endian), everything else as the syntax says.
HeaderForm DatasetHeaderForm(const TagRecord& record, bool explicitVR);

// Largest header: tag, VR, reserved bytes and a 32-bit length.
inline constexpr size_t kMaxHeaderSize = 12;

// Writes the tag and the header of `record` in the given form and byte order into `out`.
// Returns the number of bytes written, or nullopt when the length does not fit the form
// (a 16-bit length field cannot hold more than 0xFFFF, nor an undefined length).
std::optional<size_t> WriteElementHeader(const TagRecord& record, HeaderForm form, bool bigEndian,
                                         std::span<uint8_t, kMaxHeaderSize> out);

// Number of bytes EncodeTags produces for the list.
size_t EncodedLength(const TagList& list, bool explicitVR);

// Writes every record in list order into `buffer`: header, then exactly `length` value
// bytes (none for 0 or undefined). The meta group is always written explicit VR little
// endian. Returns false, after logging "ERROR: ptr > length", when a record would pass the
// end of the buffer; returns false also when a length does not fit its 16-bit field.
bool EncodeTags(const TagList& list, std::span<uint8_t> buffer, bool explicitVR, ByteOrder order);

// The whole list encoded into a buffer of exactly EncodedLength bytes.
std::optional<std::vector<uint8_t>> EncodeTags(const TagList& list, bool explicitVR,
                                               ByteOrder order);

}  // namespace norvane
