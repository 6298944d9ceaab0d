#include <algorithm>
#include <string>

#include "datadec/element_encoding.hpp"
#include "dictionary/dictionary.hpp"
#include "dump/dump_element.hpp"
#include "log/log.hpp"
#include "net/pdu_service.hpp"
#include "net/uids.hpp"

// Encoding and decoding of DIMSE messages. Command sets are always implicit VR little
// endian; data sets follow the accepted transfer syntax of their presentation context.
// Group 0000 and the item and delimiter tags (group FFFE) always carry a 32-bit length
// and no VR; group 0000 is also little endian in every syntax.

namespace norvane {
namespace {

constexpr uint16_t kMaxShortLength = 0xFFFF;

bool IsPadding(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

std::string Trimmed(std::string_view text) {
  const auto first = std::find_if_not(text.begin(), text.end(), IsPadding);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), IsPadding).base();
  if (first >= last) return {};
  return std::string(first, last);
}

// Whether the element header holds VR letters: explicit VR outside groups 0000 and FFFE.
bool CarriesVR(uint16_t group, bool explicitVR) {
  return explicitVR && group != kCommandGroup && group != kItemGroup;
}

void Put16(Buffer& out, uint16_t value, bool bigEndian) {
  const uint8_t low = static_cast<uint8_t>(value);
  const uint8_t high = static_cast<uint8_t>(value >> 8);
  const uint8_t bytes[2] = {bigEndian ? high : low, bigEndian ? low : high};
  out.WriteBytes(bytes, sizeof bytes);
}

void Put32(Buffer& out, uint32_t value, bool bigEndian) {
  const auto high = static_cast<uint16_t>(value >> 16);
  const auto low = static_cast<uint16_t>(value);
  Put16(out, bigEndian ? high : low, bigEndian);
  Put16(out, bigEndian ? low : high, bigEndian);
}

uint16_t Decode16(const uint8_t* bytes, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>((bytes[0] << 8) | bytes[1])
                   : static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

bool Take16(Buffer& in, uint16_t& value, bool bigEndian) {
  uint8_t bytes[2];
  if (!in.ReadBytes(bytes, sizeof bytes)) return false;
  value = Decode16(bytes, bigEndian);
  return true;
}

bool Take32(Buffer& in, uint32_t& value, bool bigEndian) {
  uint8_t bytes[4];
  if (!in.ReadBytes(bytes, sizeof bytes)) return false;
  const uint32_t first = Decode16(bytes, bigEndian);
  const uint32_t second = Decode16(bytes + 2, bigEndian);
  value = bigEndian ? (first << 16) | second : (second << 16) | first;
  return true;
}

// The VR letters an explicit header carries: the record's own, or the dictionary's when
// the record has none (two zero bytes would make the element unreadable for the peer).
void VRLetters(const TagRecord& record, char vr[2]) {
  if (record.HasVR()) {
    vr[0] = record.vr[0];
    vr[1] = record.vr[1];
    return;
  }
  TagRecord probe;
  probe.group = record.group;
  probe.element = record.element;
  LookupVR(probe);
  vr[0] = probe.vr[0];
  vr[1] = probe.vr[1];
}

// Appends one element to `out`; false when its length does not fit the header form or
// the record does not hold exactly `length` value bytes.
bool PutElement(Buffer& out, const TagRecord& record, bool explicitVR, bool bigEndian) {
  const bool big = bigEndian && record.group != kCommandGroup;
  if (record.HasValue() && record.value.size() != record.length) return false;
  if (!record.HasValue() && !record.value.empty()) return false;
  Put16(out, record.group, big);
  Put16(out, record.element, big);
  if (CarriesVR(record.group, explicitVR)) {
    char vr[2];
    VRLetters(record, vr);
    out.WriteBytes(vr, sizeof vr);
    if (HasLongLength(vr)) {
      Put16(out, 0, big);
      Put32(out, record.length, big);
    } else {
      if (record.length > kMaxShortLength) return false;
      Put16(out, static_cast<uint16_t>(record.length), big);
    }
  } else {
    Put32(out, record.length, big);
  }
  if (record.HasValue()) out.WriteBytes(record.value.data(), record.value.size());
  return true;
}

// Reads one element header and value from `in`; false when the header is cut short, the
// VR starts with a zero byte, or the value passes the end of the message.
bool TakeElement(Buffer& in, TagRecord& record, bool explicitVR, bool bigEndian) {
  uint8_t tag[4];
  if (!in.ReadBytes(tag, sizeof tag)) return false;
  // Group 0000 reads as zero in either byte order, and is little endian in every syntax.
  record.group = Decode16(tag, bigEndian);
  const bool big = bigEndian && record.group != kCommandGroup;
  record.element = Decode16(tag + 2, big);
  if (CarriesVR(record.group, explicitVR)) {
    if (!in.ReadBytes(record.vr, sizeof record.vr) || record.vr[0] == 0) return false;
    if (HasLongLength(record.vr)) {
      uint16_t reserved;
      if (!Take16(in, reserved, big) || !Take32(in, record.length, big)) return false;
    } else {
      uint16_t length;
      if (!Take16(in, length, big)) return false;
      record.length = length;
    }
  } else {
    LookupVR(record);
    if (!Take32(in, record.length, big)) return false;
  }
  if (!record.HasValue()) return true;
  // The value must already be in the message: a peer's length never sizes an allocation
  // beyond the bytes that arrived.
  if (record.length > in.Available()) return false;
  record.value.resize(record.length);
  return in.ReadBytes(record.value.data(), record.length);
}

}  // namespace

void PDU_Service::TraceTitles(std::string_view arrow) const {
  if (!trace_) return;
  std::string line = Trimmed(assocAC_.CallingApTitle());
  line += arrow;
  line += Trimmed(assocAC_.CalledApTitle());
  WriteLog(line);
}

bool PDU_Service::ParseDCMIntoRawVR(const TagList& list, Buffer& buffer,
                                    uint8_t presentationContextID) {
  bool explicitVR = false;
  bool bigEndian = false;
  buffer.SetOutByteOrder(Buffer::kLittleEndian);
  if (presentationContextID != 0) {
    const std::optional<std::string> transferSyntax = GetTransferSyntax(presentationContextID);
    if (!transferSyntax) return false;
    explicitVR = *transferSyntax != uid::kImplicitVRLittleEndian;
    bigEndian = *transferSyntax == uid::kExplicitVRBigEndian;
  }
  TraceTitles(" >> ");
  for (const TagRecord& record : list) {
    if (!PutElement(buffer, record, explicitVR, bigEndian)) {
      buffer.ClearOutgoing();
      return false;
    }
    if (trace_) DumpElement(record, explicitVR, 1);
  }
  TraceLine("");
  return true;
}

bool PDU_Service::ParseRawVRIntoDCM(Buffer& buffer, TagList& list, uint8_t presentationContextID) {
  buffer.SetInByteOrder(Buffer::kLittleEndian);
  const std::optional<std::string> transferSyntax = GetTransferSyntax(presentationContextID);
  if (!transferSyntax) return false;
  const bool explicitVR = *transferSyntax != uid::kImplicitVRLittleEndian;
  const bool bigEndian = *transferSyntax == uid::kExplicitVRBigEndian;
  TraceTitles(" << ");
  while (buffer.Available() > 0) {
    TagRecord record;
    if (!TakeElement(buffer, record, explicitVR, bigEndian)) return false;
    if (trace_) DumpElement(record, explicitVR, 1);
    list.push_back(std::move(record));
  }
  TraceLine("");
  return true;
}

}  // namespace norvane
