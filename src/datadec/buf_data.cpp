#include "datadec/buf_data.hpp"

#include <algorithm>
#include <cstring>

#include "datadec/element_encoding.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

// Command-group elements and items are implicit in every stream.
HeaderForm StreamHeaderForm(const TagRecord& record, bool explicitVR) {
  if (record.group == kCommandGroup || record.group == kItemGroup || !explicitVR) {
    return HeaderForm::kImplicit;
  }
  return ExplicitForm(record);
}

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
  uint8_t header[kMaxHeaderSize];
  const std::optional<size_t> size =
      WriteElementHeader(record, StreamHeaderForm(record, explicitVR), bigEndian_, header);
  if (!size) return false;
  WriteBytes(std::span<const uint8_t>(header, *size));
  if (record.HasValue()) {
    const std::span<const uint8_t> value = ValueBytes(record);
    WriteBytes(value);
    if (value.size() < record.length) {
      const std::vector<uint8_t> missing(record.length - value.size(), 0);
      WriteBytes(missing);
    }
  }
  return true;
}

std::optional<TagRecord> BufData::ReadElement(bool explicitVR) {
  const size_t start = position_;
  auto fail = [&]() -> std::optional<TagRecord> {
    position_ = start;
    return std::nullopt;
  };
  TagRecord record;
  const std::optional<uint16_t> group = ReadUS();
  const std::optional<uint16_t> element = ReadUS();
  if (!group || !element) return fail();
  record.group = *group;
  record.element = *element;
  if (record.group != kCommandGroup && record.group != kItemGroup && explicitVR) {
    uint8_t vr[2];
    if (!ReadBytes(vr)) return fail();
    record.vr[0] = static_cast<char>(vr[0]);
    record.vr[1] = static_cast<char>(vr[1]);
    if (HasLongLength(record.vr)) {
      uint8_t reserved[2];
      const bool ok = ReadBytes(reserved);
      const std::optional<uint32_t> length = ok ? ReadUL() : std::nullopt;
      if (!length) return fail();
      record.length = *length;
    } else {
      const std::optional<uint16_t> length = ReadUS();
      if (!length) return fail();
      record.length = *length;
    }
  } else {
    const std::optional<uint32_t> length = ReadUL();
    if (!length) return fail();
    record.length = *length;
  }
  if (record.HasValue()) {
    if (Remaining() < record.length) return fail();
    record.value.assign(bytes_.begin() + static_cast<ptrdiff_t>(position_),
                        bytes_.begin() + static_cast<ptrdiff_t>(position_ + record.length));
    position_ += record.length;
  }
  return record;
}

}  // namespace norvane
