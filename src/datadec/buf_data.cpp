#include "datadec/buf_data.hpp"

#include <algorithm>
#include <cstring>

#include "datadec/element_codec.hpp"

namespace norvane {
namespace {

// The stream as a sink for encoded elements, writing at its position.
struct StreamSink {
  BufData& stream;
  bool Write(std::span<const uint8_t> bytes) {
    stream.WriteBytes(bytes);
    return true;
  }
};

}  // namespace

BufData::BufData(ByteOrder order, std::span<const uint8_t> bytes)
    : bytes_(bytes.begin(), bytes.end()), bigEndian_(order == ByteOrder::kBigEndian) {}

bool BufData::SetPosition(size_t position) {
  if (position > bytes_.size()) return false;
  position_ = position;
  return true;
}

void BufData::Clear() {
  bytes_.clear();
  position_ = 0;
}

bool BufData::ReadBytes(std::span<uint8_t> out) {
  if (Remaining() < out.size()) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + position_, out.size());
  position_ += out.size();
  return true;
}

void BufData::WriteBytes(std::span<const uint8_t> bytes) {
  const size_t overwrite = std::min(bytes.size(), Remaining());
  std::copy_n(bytes.begin(), overwrite, bytes_.begin() + static_cast<ptrdiff_t>(position_));
  bytes_.insert(bytes_.end(), bytes.begin() + static_cast<ptrdiff_t>(overwrite), bytes.end());
  position_ += bytes.size();
}

std::optional<uint16_t> BufData::ReadUS() {
  uint8_t bytes[2];
  if (!ReadBytes(bytes)) return std::nullopt;
  return LoadU16(bytes, bigEndian_);
}

std::optional<uint32_t> BufData::ReadUL() {
  uint8_t bytes[4];
  if (!ReadBytes(bytes)) return std::nullopt;
  return LoadU32(bytes, bigEndian_);
}

void BufData::WriteUS(uint16_t number) {
  uint8_t bytes[2];
  StoreU16(bytes, number, bigEndian_);
  WriteBytes(bytes);
}

void BufData::WriteUL(uint32_t number) {
  uint8_t bytes[4];
  StoreU32(bytes, number, bigEndian_);
  WriteBytes(bytes);
}

bool BufData::WriteElement(const TagRecord& record, bool explicitVR) {
  const std::optional<EncodedElement> element =
      EncodeElement(record, kBufDataRules, {.explicitVR = explicitVR, .bigEndian = bigEndian_});
  if (!element) return false;
  StreamSink sink{*this};
  return PutElement(sink, *element);
}

std::optional<TagRecord> BufData::ReadElement(bool explicitVR) {
  ElementReaderState state{.explicitVR = explicitVR, .bigEndian = bigEndian_, .inMetaGroup = false};
  std::optional<DecodedElement> element =
      DecodeElement(Bytes().subspan(position_), kBufDataRules, state);
  if (!element) return std::nullopt;
  position_ += element->size;
  return std::move(element->record);
}

}  // namespace norvane
