#include "convert/pixel_module.hpp"

#include <cctype>

#include "elements/tag_list.hpp"

namespace norvane {
namespace {

// Largest value an element length can carry; one less than undefined so a pad byte fits.
constexpr uint64_t kMaxValueLength = 0xFFFFFFFEu;

// Integer String: leading blanks, an optional sign, digits; anything after is ignored.
uint32_t FrameCount(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  size_t at = 0;
  while (at < value.size() && value[at] == ' ')
    ++at;
  bool negative = false;
  if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
    negative = value[at] == '-';
    ++at;
  }
  uint64_t count = 0;
  for (; at < value.size() && std::isdigit(value[at]) != 0; ++at) {
    count = count * 10 + (value[at] - '0');
    if (count > kMaxValueLength) break;  // no real frame count gets here
  }
  if (negative || count == 0) return 1;
  return count > kMaxValueLength ? static_cast<uint32_t>(kMaxValueLength)
                                 : static_cast<uint32_t>(count);
}

bool IsSingleSample(const std::string& photometric) {
  return photometric.rfind("MON", 0) == 0 || photometric.rfind("PALETTE", 0) == 0;
}

std::optional<uint32_t> LengthOf(uint64_t bytes) {
  if (bytes > kMaxValueLength) return std::nullopt;
  return static_cast<uint32_t>(bytes);
}

}  // namespace

void PixelModule::Note(const TagRecord& record, bool bigEndian, size_t outputIndex) {
  const ByteOrder order = bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian;
  switch (record.GetTag().Value()) {
    case tag::kPhotometricInterpretation.Value(): {
      photometric = ValueText(record);
      samples = IsSingleSample(photometric) ? 1 : 3;
      photometricIndex = outputIndex;
      break;
    }
    case tag::kPlanarConfiguration.Value():
      planarConfiguration = FirstUS(record, order);
      planarIndex = outputIndex;
      break;
    case tag::kNumberOfFrames.Value():
      frames = FrameCount(record);
      break;
    case tag::kRows.Value():
      rows = FirstUS(record, order);
      break;
    case tag::kColumns.Value():
      columns = FirstUS(record, order);
      break;
    case tag::kBitsAllocated.Value():
      bitsAllocated = FirstUS(record, order);
      break;
    case tag::kBitsStored.Value():
      bitsStored = FirstUS(record, order);
      break;
    case tag::kPixelRepresentation.Value():
      pixelRepresentation = FirstUS(record, order);
      break;
    default:
      break;
  }
}

std::optional<uint32_t> PixelModule::CodecFrameSize() const {
  return LengthOf(NativeFrameBits(rows, columns, bitsAllocated, samples, ChromaSubsampling::kNone) /
                  8);
}

std::optional<uint32_t> PixelModule::NativeFrameSize() const {
  const uint64_t bits = NativeFrameBits(rows, columns, bitsAllocated, samples, Chroma());
  if (bits % 8 != 0) return std::nullopt;
  return LengthOf(bits / 8);
}

std::optional<uint32_t> PixelModule::NativeTotalSize() const {
  return LengthOf(
      NativePixelBytes(NativeFrameBits(rows, columns, bitsAllocated, samples, Chroma()), frames));
}

std::optional<uint32_t> PixelModule::CodecTotalSize() const {
  const std::optional<uint32_t> frame = CodecFrameSize();
  if (!frame) return std::nullopt;
  return LengthOf(uint64_t{*frame} * frames);
}

}  // namespace norvane
