#include <algorithm>
#include <string>

#include "datadec/deflate_stream.hpp"
#include "datadec/element_codec.hpp"
#include "datadec/transfer_syntax.hpp"
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

}  // namespace

void PDU_Service::TraceElement(const TagRecord& record, bool explicitVR) {
  DumpElement(record, explicitVR, 1);
}

void PDU_Service::TraceTitles(std::string_view arrow) const {
  if (!trace_) return;
  std::string line = Trimmed(request_.CallingApTitle());
  line += arrow;
  line += Trimmed(request_.CalledApTitle());
  WriteLog(line);
}

std::optional<DatasetEncoding> PDU_Service::MessageEncoding(uint8_t presentationContextID) const {
  if (presentationContextID == 0) return DatasetEncoding{.explicitVR = false, .bigEndian = false};
  return AcceptedEncoding(presentationContextID);
}

std::optional<DatasetEncoding> PDU_Service::AcceptedEncoding(uint8_t presentationContextID) const {
  const std::optional<std::string> transferSyntax = GetTransferSyntax(presentationContextID);
  if (!transferSyntax) return std::nullopt;
  return EncodingOfTransferSyntax(*transferSyntax);
}

bool PDU_Service::Encodable(const TagList& list, DatasetEncoding encoding) {
  return std::all_of(list.begin(), list.end(), [&](const TagRecord& record) {
    return EncodeElement(record, kNetworkRules, encoding).has_value();
  });
}

bool PDU_Service::FinishDecoding() {
  const bool decoded = decoder_.Finish();
  const std::optional<DatasetEncoding>& encoding = decoder_.Encoding();
  if (!trace_ || !encoding) return decoded;
  TraceTitles(" << ");
  for (const TagRecord& record : decoder_.Decoded())
    TraceElement(record, encoding->explicitVR);
  if (decoded) TraceLine("");
  return decoded;
}

}  // namespace norvane
