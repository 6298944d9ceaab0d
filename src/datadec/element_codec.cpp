#include "datadec/element_codec.hpp"

#include "dictionary/dictionary.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

constexpr uint32_t kMaxShortLength = 0xFFFF;

// How one element is laid out after its tag.
struct ElementForm {
  bool explicitVR;
  bool bigEndian;
};

ElementForm Resolve(GroupForm rule, ElementForm data) {
  switch (rule) {
    case GroupForm::kAsData:
      return data;
    case GroupForm::kImplicit:
      return {false, data.bigEndian};
    case GroupForm::kImplicitLittleEndian:
      return {false, false};
    case GroupForm::kExplicitLittleEndian:
      return {true, false};
  }
  return data;
}

// The form of an element of any group but 0002: items and delimiters never carry VR letters,
// group 0000 is as the rules say, the rest as the data.
ElementForm FormOf(uint16_t group, const ElementRules& rules, ElementForm data) {
  if (group == kItemGroup) return {false, data.bigEndian};
  if (group == kCommandGroup) return Resolve(rules.commandGroup, data);
  return data;
}

ElementForm EncodingForm(uint16_t group, const ElementRules& rules, DatasetEncoding encoding) {
  const ElementForm data{encoding.explicitVR, encoding.bigEndian};
  if (group == kMetaGroup) return Resolve(rules.metaGroup, data);
  return FormOf(group, rules, data);
}

std::array<char, 2> DictionaryVR(uint16_t group, uint16_t element) {
  TagRecord probe;
  probe.group = group;
  probe.element = element;
  LookupVR(probe);
  return {probe.vr[0], probe.vr[1]};
}

// The VR letters of the record's header in explicit data: its own, else as the rules say.
std::array<char, 2> HeaderVR(const TagRecord& record, VRSource source) {
  if (record.HasVR() || source == VRSource::kNone) return {record.vr[0], record.vr[1]};
  return DictionaryVR(record.group, record.element);
}

}  // namespace

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

TagRecord ElementHeader::ToRecord() const {
  TagRecord record;
  record.group = group;
  record.element = element;
  record.vr[0] = vr[0];
  record.vr[1] = vr[1];
  record.length = length;
  return record;
}

std::optional<EncodedElement> EncodeElement(const TagRecord& record, const ElementRules& rules,
                                            DatasetEncoding encoding) {
  const size_t valueLength = record.HasValue() ? record.length : 0;
  if (rules.shortValue == ShortValue::kRefuse && record.HeldBytes() != valueLength) {
    return std::nullopt;
  }
  const ElementForm form = EncodingForm(record.group, rules, encoding);
  EncodedElement out;
  uint8_t* p = out.header.data();
  StoreU16(p, record.group, form.bigEndian);
  StoreU16(p + 2, record.element, form.bigEndian);
  if (!form.explicitVR) {
    StoreU32(p + 4, record.length, form.bigEndian);
    out.headerSize = kShortHeaderSize;
  } else {
    const std::array<char, 2> vr = HeaderVR(record, rules.vrSource);
    p[4] = static_cast<uint8_t>(vr[0]);
    p[5] = static_cast<uint8_t>(vr[1]);
    if (HasLongLength(vr.data())) {
      p[6] = 0;
      p[7] = 0;
      StoreU32(p + 8, record.length, form.bigEndian);
      out.headerSize = kMaxHeaderSize;
    } else {
      if (record.length > kMaxShortLength) return std::nullopt;
      StoreU16(p + 6, static_cast<uint16_t>(record.length), form.bigEndian);
      out.headerSize = kShortHeaderSize;
    }
  }
  if (record.inFile && valueLength > 0) {
    out.inFile = record.inFile.get();
    out.inFileBytes = static_cast<uint32_t>(valueLength);
    return out;
  }
  out.value = ValueBytes(record);
  out.zeroFill = static_cast<uint32_t>(valueLength - out.value.size());
  return out;
}

size_t EncodedSize(const TagRecord& record, const ElementRules& rules, DatasetEncoding encoding) {
  const size_t valueLength = record.HasValue() ? record.length : 0;
  if (!EncodingForm(record.group, rules, encoding).explicitVR)
    return kShortHeaderSize + valueLength;
  const std::array<char, 2> vr = HeaderVR(record, rules.vrSource);
  return (HasLongLength(vr.data()) ? kMaxHeaderSize : kShortHeaderSize) + valueLength;
}

std::optional<ElementHeader> DecodeElementHeader(std::span<const uint8_t> bytes,
                                                 const ElementRules& rules,
                                                 ElementReaderState& state) {
  // Every header has at least a tag and 4 more bytes.
  if (bytes.size() < kShortHeaderSize) return std::nullopt;
  const uint8_t* p = bytes.data();
  ElementReaderState s = state;
  ElementHeader h;

  // The tag: little endian in the meta group; a group other than 0002 read so in big-endian
  // data means the meta group has ended and the tag is big endian.
  const bool metaRules = rules.metaGroup == GroupForm::kExplicitLittleEndian;
  bool tagBigEndian = s.bigEndian && !(metaRules && s.inMetaGroup);
  h.group = LoadU16(p, tagBigEndian);
  if (metaRules && s.inMetaGroup && h.group != kMetaGroup) {
    tagBigEndian = s.bigEndian;
    h.group = LoadU16(p, tagBigEndian);
  }
  if (s.inMetaGroup && h.group > kMetaGroup) s.inMetaGroup = false;
  // Group 0002 met after the meta group is read as the data.
  const bool inMeta = metaRules && s.inMetaGroup;
  const ElementForm form =
      inMeta ? ElementForm{true, false} : FormOf(h.group, rules, {s.explicitVR, s.bigEndian});
  h.element = LoadU16(p + 2, inMeta ? tagBigEndian : form.bigEndian);

  if (!form.explicitVR) {
    h.length = LoadU32(p + 4, form.bigEndian);
    h.headerSize = kShortHeaderSize;
    if (rules.vrSource == VRSource::kDictionary) {
      const std::array<char, 2> vr = DictionaryVR(h.group, h.element);
      h.vr[0] = vr[0];
      h.vr[1] = vr[1];
    }
  } else {
    h.vr[0] = static_cast<char>(p[4]);
    h.vr[1] = static_cast<char>(p[5]);
    if (rules.refuseEmptyVR && h.vr[0] == 0) return std::nullopt;
    if (HasLongLength(h.vr)) {
      if (bytes.size() < kMaxHeaderSize) return std::nullopt;
      h.length = LoadU32(p + 8, form.bigEndian);
      h.headerSize = kMaxHeaderSize;
    } else {
      h.length = LoadU16(p + 6, form.bigEndian);
      h.headerSize = kShortHeaderSize;
      const bool opensMetaGroup =
          h.Is(tag::kFileMetaInformationGroupLength) || h.Is(tag::kFileMetaInformationVersion);
      if (metaRules && opensMetaGroup && h.length == 0) {
        // A meta group written implicitly: the "VR" bytes were the low half of a 32-bit
        // length.
        h.length = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(p[4])));
        h.vr[0] = 0;
        h.vr[1] = 0;
        s.explicitVR = false;
        s.inMetaGroup = false;
      }
    }
  }
  state = s;
  return h;
}

std::optional<DecodedElement> DecodeElement(std::span<const uint8_t> bytes,
                                            const ElementRules& rules, ElementReaderState& state) {
  ElementReaderState s = state;
  const std::optional<ElementHeader> header = DecodeElementHeader(bytes, rules, s);
  if (!header) return std::nullopt;
  DecodedElement out{header->ToRecord(), header->headerSize};
  if (header->HasValue()) {
    if (bytes.size() - out.size < header->length) return std::nullopt;
    const auto value = bytes.subspan(out.size, header->length);
    out.record.value.assign(value.begin(), value.end());
    out.size += header->length;
  }
  state = s;
  return out;
}

}  // namespace norvane
