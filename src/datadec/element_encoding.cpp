#include "datadec/element_encoding.hpp"

#include <algorithm>
#include <cstring>

#include "elements/tag_list.hpp"
#include "log/log.hpp"

namespace norvane {

bool HasLongLength(const char vr[2]) {
  switch (vr[0]) {
    case 'O':
      return vr[1] == 'B' || vr[1] == 'W';
    case 'S':
      return vr[1] == 'Q';
    case 'U':
      return vr[1] == 'N' || vr[1] == 'T';
    default:
      return false;
  }
}

HeaderForm ExplicitForm(const TagRecord& record) {
  return HasLongLength(record.vr) ? HeaderForm::kExplicitLong : HeaderForm::kExplicitShort;
}

HeaderForm DatasetHeaderForm(const TagRecord& record, bool explicitVR) {
  if (record.group == kItemGroup) return HeaderForm::kImplicit;
  if (record.group == kMetaGroup || explicitVR) return ExplicitForm(record);
  return HeaderForm::kImplicit;
}

std::optional<size_t> WriteElementHeader(const TagRecord& record, HeaderForm form, bool bigEndian,
                                         std::span<uint8_t, kMaxHeaderSize> out) {
  uint8_t* p = out.data();
  StoreU16(p, record.group, bigEndian);
  StoreU16(p + 2, record.element, bigEndian);
  switch (form) {
    case HeaderForm::kImplicit:
      StoreU32(p + 4, record.length, bigEndian);
      return 8;
    case HeaderForm::kExplicitShort:
      if (record.length > 0xFFFF) return std::nullopt;
      p[4] = static_cast<uint8_t>(record.vr[0]);
      p[5] = static_cast<uint8_t>(record.vr[1]);
      StoreU16(p + 6, static_cast<uint16_t>(record.length), bigEndian);
      return 8;
    case HeaderForm::kExplicitLong:
      p[4] = static_cast<uint8_t>(record.vr[0]);
      p[5] = static_cast<uint8_t>(record.vr[1]);
      p[6] = 0;
      p[7] = 0;
      StoreU32(p + 8, record.length, bigEndian);
      return 12;
  }
  return std::nullopt;
}

size_t EncodedLength(const TagList& list, bool explicitVR) {
  size_t total = 0;
  for (const TagRecord& record : list) {
    total += HeaderSize(DatasetHeaderForm(record, explicitVR));
    if (record.HasValue()) total += record.length;
  }
  return total;
}

bool EncodeTags(const TagList& list, std::span<uint8_t> buffer, bool explicitVR, ByteOrder order) {
  size_t position = 0;
  for (const TagRecord& record : list) {
    const HeaderForm form = DatasetHeaderForm(record, explicitVR);
    const size_t valueLength = record.HasValue() ? record.length : 0;
    const size_t room = buffer.size() - position;
    if (room < HeaderSize(form) || room - HeaderSize(form) < valueLength) {
      WriteLog("ERROR: ptr > length");
      return false;
    }
    const bool bigEndian = order == ByteOrder::kBigEndian && record.group != kMetaGroup;
    uint8_t header[kMaxHeaderSize];
    const std::optional<size_t> headerSize = WriteElementHeader(record, form, bigEndian, header);
    if (!headerSize) return false;
    std::memcpy(buffer.data() + position, header, *headerSize);
    position += *headerSize;
    // The length is what counts; a value buffer that is short is completed with zeros.
    const std::span<const uint8_t> value = ValueBytes(record);
    if (!value.empty()) std::memcpy(buffer.data() + position, value.data(), value.size());
    std::memset(buffer.data() + position + value.size(), 0, valueLength - value.size());
    position += valueLength;
  }
  return true;
}

std::optional<std::vector<uint8_t>> EncodeTags(const TagList& list, bool explicitVR,
                                               ByteOrder order) {
  std::vector<uint8_t> bytes(EncodedLength(list, explicitVR));
  if (!EncodeTags(list, bytes, explicitVR, order)) return std::nullopt;
  return bytes;
}

}  // namespace norvane
