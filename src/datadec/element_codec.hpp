#pragma once

// The one element codec: element headers and values over byte spans, under the rules of
// the layer that reads or writes them. Numbers follow the data's byte order; value bytes
// are never swapped.

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "elements/byte_order.hpp"
#include "elements/tag.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

inline constexpr uint16_t kCommandGroup = 0x0000;
inline constexpr uint16_t kMetaGroup = 0x0002;

// Tag and 32-bit length, or tag, VR and 16-bit length.
inline constexpr size_t kShortHeaderSize = 8;
// Tag, VR, 2 reserved bytes and a 32-bit length.
inline constexpr size_t kMaxHeaderSize = 12;

// "OB", "OW", "SQ", "UN" and "UT" carry a 32-bit length in explicit VR data.
bool HasLongLength(const char vr[2]);

// How the elements of a data set are encoded: its transfer syntax.
struct DatasetEncoding {
  bool explicitVR = true;
  bool bigEndian = false;
  // The encoded elements travel deflated (raw deflate, no zlib header): the element codec
  // never sees this; file writers and the network compress and decompress the byte stream.
  bool deflated = false;

  ByteOrder Order() const { return bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian; }
};

// How the elements of one group are encoded where they do not follow the data.
enum class GroupForm : uint8_t {
  kAsData,                // as the data's transfer syntax says
  kImplicit,              // no VR, 32-bit length, the data's byte order
  kImplicitLittleEndian,  // no VR, 32-bit length, little endian in every syntax
  // VR letters and little endian in every syntax. Decoding applies it while the reader is
  // in the meta group at the start of a file, and detects a meta group written implicitly.
  kExplicitLittleEndian,
};

// Where the VR of a record without one comes from: the VR letters of an explicit header
// written for it, and the VR of a record decoded from implicit data.
enum class VRSource : uint8_t {
  kNone,        // written as the record's two zero bytes, decoded as none
  kDictionary,  // the data dictionary's ("UN" for a tag it lacks)
};

// What is written for a record whose value holds fewer bytes than its length.
enum class ShortValue : uint8_t {
  kZeroFill,  // the value, then zero bytes up to the length
  kRefuse,    // nothing: the record must hold exactly `length` bytes (none when undefined)
};

// The rules of one layer. Items and delimiters (group FFFE) are implicit in every rule set,
// and no rule set writes a length that its 16-bit field cannot hold.
struct ElementRules {
  GroupForm commandGroup = GroupForm::kAsData;  // group 0000
  GroupForm metaGroup = GroupForm::kAsData;     // group 0002
  VRSource vrSource = VRSource::kNone;
  ShortValue shortValue = ShortValue::kZeroFill;
  bool refuseEmptyVR = false;  // decoding: VR letters starting with a zero byte are malformed
};

// DIMSE messages: command elements are implicit VR little endian in every syntax, explicit
// headers always carry real VR letters, and a record is sent exactly as it is or not at all.
inline constexpr ElementRules kNetworkRules{
    .commandGroup = GroupForm::kImplicitLittleEndian,
    .metaGroup = GroupForm::kAsData,
    .vrSource = VRSource::kDictionary,
    .shortValue = ShortValue::kRefuse,
    .refuseEmptyVR = true,
};

// Files and the data sets held in memory (EncodeTags, the element and file readers): the
// meta group is explicit VR little endian whatever the data set's syntax.
inline constexpr ElementRules kFileRules{
    .commandGroup = GroupForm::kAsData,
    .metaGroup = GroupForm::kExplicitLittleEndian,
    .vrSource = VRSource::kNone,
    .shortValue = ShortValue::kZeroFill,
    .refuseEmptyVR = false,
};

// BufData streams: command elements are implicit, in the stream's byte order.
inline constexpr ElementRules kBufDataRules{
    .commandGroup = GroupForm::kImplicit,
    .metaGroup = GroupForm::kAsData,
    .vrSource = VRSource::kNone,
    .shortValue = ShortValue::kZeroFill,
    .refuseEmptyVR = false,
};

// ---- Encoding ----------------------------------------------------------------------------

// One record encoded: its header bytes, then its value bytes (the record's own, not copied,
// or `inFileBytes` read from where the record left them), then `zeroFill` zero bytes up to
// its length. A caller hands the parts to its sink one after the other, so that no value is
// copied into an intermediate buffer.
struct EncodedElement {
  std::array<uint8_t, kMaxHeaderSize> header{};
  uint8_t headerSize = 0;
  std::span<const uint8_t> value;
  const ValueInFile* inFile = nullptr;
  uint32_t inFileBytes = 0;
  uint32_t zeroFill = 0;

  std::span<const uint8_t> Header() const { return std::span(header).first(headerSize); }
  size_t Size() const { return headerSize + value.size() + inFileBytes + zeroFill; }
};

// The record under the rules in the given encoding. Nullopt when it cannot be encoded: a
// length its 16-bit field cannot hold (above 0xFFFF, or undefined), or, where short values
// are refused, value bytes that are not exactly its length.
std::optional<EncodedElement> EncodeElement(const TagRecord& record, const ElementRules& rules,
                                            DatasetEncoding encoding);

// The bytes EncodeElement gives for the record (header plus length; the length counts
// nothing when undefined), whether or not it can be encoded.
size_t EncodedSize(const TagRecord& record, const ElementRules& rules, DatasetEncoding encoding);

// Where encoded bytes go: a file, a message buffer, a span. Write appends the bytes, false
// when they cannot be taken.
template <class Sink>
concept ElementSink = requires(Sink& sink, std::span<const uint8_t> bytes) {
  { sink.Write(bytes) } -> std::convertible_to<bool>;
};

// Zero bytes to fill short values from.
inline constexpr std::array<uint8_t, 256> kZeroBytes{};

// A sink that reads a value left in a file straight into its own storage.
template <class Sink>
concept ValueInFileSink = requires(Sink& sink, const ValueInFile& where, size_t n) {
  { sink.WriteFrom(where, n) } -> std::convertible_to<bool>;
};

// The bytes a value left in its file goes out in, read a piece at a time.
inline constexpr size_t kValueInFilePiece = 256 * 1024;

// Hands `n` bytes of a value left in a file to the sink; false when they cannot be read or
// the sink refuses them.
template <ElementSink Sink>
bool PutValueInFile(Sink& sink, const ValueInFile& where, size_t n) {
  if constexpr (ValueInFileSink<Sink>) {
    return sink.WriteFrom(where, n);
  } else {
    std::vector<uint8_t> piece(std::min(n, kValueInFilePiece));
    for (size_t done = 0; done < n;) {
      const std::span<uint8_t> into = std::span(piece).first(std::min(piece.size(), n - done));
      if (!where.source->Read(where.offset + done, into) || !sink.Write(into)) return false;
      done += into.size();
    }
    return true;
  }
}

// Hands the element's header, value and zero fill to the sink.
template <ElementSink Sink>
bool PutElement(Sink& sink, const EncodedElement& element) {
  if (!sink.Write(element.Header())) return false;
  if (!element.value.empty() && !sink.Write(element.value)) return false;
  if (element.inFile != nullptr && !PutValueInFile(sink, *element.inFile, element.inFileBytes)) {
    return false;
  }
  for (size_t left = element.zeroFill; left > 0;) {
    const size_t n = left < kZeroBytes.size() ? left : kZeroBytes.size();
    if (!sink.Write(std::span(kZeroBytes).first(n))) return false;
    left -= n;
  }
  return true;
}

// Encodes every record in list order into the sink; false at the first record that cannot be
// encoded or that the sink refuses (the records before it are in the sink).
template <ElementSink Sink>
bool PutElements(Sink& sink, const TagList& list, const ElementRules& rules,
                 DatasetEncoding encoding) {
  for (const TagRecord& record : list) {
    const std::optional<EncodedElement> element = EncodeElement(record, rules, encoding);
    if (!element || !PutElement(sink, *element)) return false;
  }
  return true;
}

// ---- Decoding ----------------------------------------------------------------------------

// Flags of one pass over one encoded stream. They persist from element to element; decoding
// only ever clears them (the file readers set them from the transfer syntax).
struct ElementReaderState {
  bool explicitVR = false;   // dataset elements carry VR letters
  bool bigEndian = false;    // dataset numbers are big endian
  bool inMetaGroup = false;  // still inside group 0002 at the start of a file
};

// One element header as decoded.
struct ElementHeader {
  uint16_t group = 0;
  uint16_t element = 0;
  char vr[2] = {0, 0};  // zero bytes when the element was read without VR
  uint32_t length = 0;
  uint32_t headerSize = 0;  // bytes taken, tag included: 8 or 12

  bool Is(uint16_t g, uint16_t e) const { return group == g && element == e; }
  bool Is(Tag tag) const { return group == tag.group && element == tag.element; }
  bool HasValue() const { return length != 0 && length != kUndefinedLength; }
  std::string_view VRText() const {
    return vr[0] == 0 ? std::string_view() : std::string_view(vr, vr[1] == 0 ? 1 : 2);
  }
  // A record with this tag, VR and length and no value yet.
  TagRecord ToRecord() const;
};

// Decodes the header at the start of `bytes`:
// - the tag and the numbers after it follow the data's byte order, except where a group's
//   form says otherwise; VR letters are read where the form is explicit, except for group
//   FFFE; "OB", "OW", "SQ", "UN" and "UT" are followed by 2 reserved bytes and a 32-bit
//   length, any other VR by a 16-bit length; without VR letters a 32-bit length follows;
// - with a meta group form of kExplicitLittleEndian and `inMetaGroup` set, the header is
//   explicit VR little endian; in big-endian data a group other than 0002 read so is taken
//   big endian instead (the meta group has ended), and a group above 0002 ends the meta
//   group for good;
// - under that rule a meta group written in implicit VR shows itself as (0002,0000) or
//   (0002,0001) with a 16-bit length of 0: the length is then the first VR byte (as a signed
//   byte), the VR is dropped, and the rest of the stream is implicit VR outside the meta group.
// Nullopt, with `state` unchanged, when `bytes` ends inside the header or the rules refuse
// its VR letters.
std::optional<ElementHeader> DecodeElementHeader(std::span<const uint8_t> bytes,
                                                 const ElementRules& rules,
                                                 ElementReaderState& state);

// A whole element decoded from a span: the record (its value copied once, out of the span)
// and the bytes it took.
struct DecodedElement {
  TagRecord record;
  size_t size = 0;
};

// Header and value at the start of `bytes`. Nullopt, with `state` unchanged, when the
// header is refused or cut short or the value passes the end of `bytes`.
std::optional<DecodedElement> DecodeElement(std::span<const uint8_t> bytes,
                                            const ElementRules& rules, ElementReaderState& state);

}  // namespace norvane
