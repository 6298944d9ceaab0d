#include <algorithm>
#include <string>

#include "datadec/element_codec.hpp"
#include "dump/dump_element.hpp"
#include "log/log.hpp"
#include "net/pdu_service.hpp"
#include "net/uids.hpp"

// Encoding and decoding of DIMSE messages with the network rules (kNetworkRules). Command
// sets are always implicit VR little endian; data sets follow the accepted transfer syntax
// of their presentation context. Group 0000 and the item and delimiter tags (group FFFE)
// always carry a 32-bit length and no VR; group 0000 is also little endian in every syntax.

namespace norvane {
namespace {

bool IsPadding(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

std::string Trimmed(std::string_view text) {
  const auto first = std::find_if_not(text.begin(), text.end(), IsPadding);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), IsPadding).base();
  if (first >= last) return {};
  return std::string(first, last);
}

// The message buffer's outgoing queue as a sink for encoded elements.
struct MessageSink {
  Buffer& buffer;
  bool Write(std::span<const uint8_t> bytes) {
    buffer.WriteBytes(bytes.data(), bytes.size());
    return true;
  }
};

// Reads one element from the message buffer: the header is decoded from a copy of its few
// bytes, the value is read straight into the record. Nullopt when the header is malformed or
// cut short or the value passes the end of the message.
std::optional<TagRecord> TakeElement(Buffer& in, ElementReaderState& state) {
  uint8_t bytes[kMaxHeaderSize];
  const size_t got = in.Peek(bytes, sizeof bytes);
  const std::optional<ElementHeader> header =
      DecodeElementHeader(std::span<const uint8_t>(bytes, got), kNetworkRules, state);
  if (!header || !in.Skip(header->headerSize)) return std::nullopt;
  TagRecord record = header->ToRecord();
  if (!record.HasValue()) return record;
  // The value must already be in the message: a peer's length never sizes an allocation
  // beyond the bytes that arrived.
  if (record.length > in.Available()) return std::nullopt;
  if (!in.ReadAppend(record.value, record.length)) return std::nullopt;
  return record;
}

}  // namespace

void PDU_Service::TraceElement(const TagRecord& record, bool explicitVR) {
  DumpElement(record, explicitVR, 1);
}

void PDU_Service::TraceTitles(std::string_view arrow) const {
  if (!trace_) return;
  std::string line = Trimmed(assocAC_.CallingApTitle());
  line += arrow;
  line += Trimmed(assocAC_.CalledApTitle());
  WriteLog(line);
}

std::optional<DatasetEncoding> PDU_Service::MessageEncoding(uint8_t presentationContextID) const {
  if (presentationContextID == 0) return DatasetEncoding{.explicitVR = false, .bigEndian = false};
  const std::optional<std::string> transferSyntax = GetTransferSyntax(presentationContextID);
  if (!transferSyntax) return std::nullopt;
  return DatasetEncoding{.explicitVR = *transferSyntax != uid::kImplicitVRLittleEndian,
                         .bigEndian = *transferSyntax == uid::kExplicitVRBigEndian};
}

bool PDU_Service::ParseDCMIntoRawVR(const TagList& list, Buffer& buffer,
                                    uint8_t presentationContextID) {
  buffer.SetOutByteOrder(Buffer::kLittleEndian);
  const std::optional<DatasetEncoding> encoding = MessageEncoding(presentationContextID);
  if (!encoding) return false;
  MessageSink sink{buffer};
  if (EncodeMessage(list, *encoding, sink)) return true;
  buffer.ClearOutgoing();
  return false;
}

bool PDU_Service::Encodable(const TagList& list, DatasetEncoding encoding) {
  return std::all_of(list.begin(), list.end(), [&](const TagRecord& record) {
    return EncodeElement(record, kNetworkRules, encoding).has_value();
  });
}

bool PDU_Service::ParseRawVRIntoDCM(Buffer& buffer, TagList& list, uint8_t presentationContextID) {
  buffer.SetInByteOrder(Buffer::kLittleEndian);
  const std::optional<std::string> transferSyntax = GetTransferSyntax(presentationContextID);
  if (!transferSyntax) return false;
  const bool explicitVR = *transferSyntax != uid::kImplicitVRLittleEndian;
  const bool bigEndian = *transferSyntax == uid::kExplicitVRBigEndian;
  TraceTitles(" << ");
  ElementReaderState state{.explicitVR = explicitVR, .bigEndian = bigEndian, .inMetaGroup = false};
  while (buffer.Available() > 0) {
    std::optional<TagRecord> record = TakeElement(buffer, state);
    if (!record) return false;
    if (trace_) DumpElement(*record, explicitVR, 1);
    list.push_back(std::move(*record));
  }
  TraceLine("");
  return true;
}

}  // namespace norvane
