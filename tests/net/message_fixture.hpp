#pragma once

// Helpers for message transfer tests: associations whose far end the test drives, and
// builders for DIMSE message bytes and the P-DATA-TF PDUs that carry them.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "net/acceptor_association.hpp"
#include "scp/service_registry.hpp"
#include "support/peers.hpp"
#include "wire.hpp"

namespace norvane::testing {

inline constexpr std::string_view kApplicationContextUid = "1.2.840.10008.3.1.1.1";
inline constexpr std::string_view kCTImageStorageUid = "1.2.840.10008.5.1.4.1.1.2";
inline constexpr std::chrono::milliseconds kShortReceiveTimeout{3000};

// The text of each log line, without its date and time.
inline std::vector<std::string> LogTexts(const std::string& path) {
  std::vector<std::string> texts;
  const std::string log = ReadFileText(path);
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    const size_t comma = line.find(", ");
    texts.push_back(comma == std::string::npos ? line : line.substr(comma + 2));
    at = end + 1;
  }
  return texts;
}

// Little-endian message bytes, element by element.
class MessageBuilder {
 public:
  // Tag and 32-bit length, then the value.
  MessageBuilder& Implicit(uint16_t group, uint16_t element, const Bytes& value) {
    Tag(group, element);
    U32(static_cast<uint32_t>(value.size()));
    return Append(value);
  }
  // Tag, VR and 16-bit length.
  MessageBuilder& ExplicitShort(uint16_t group, uint16_t element, std::string_view vr,
                                const Bytes& value) {
    Tag(group, element);
    bytes_.insert(bytes_.end(), vr.begin(), vr.end());
    U16(static_cast<uint16_t>(value.size()));
    return Append(value);
  }
  // Tag, VR, two zero bytes and 32-bit length.
  MessageBuilder& ExplicitLong(uint16_t group, uint16_t element, std::string_view vr,
                               const Bytes& value) {
    Tag(group, element);
    bytes_.insert(bytes_.end(), vr.begin(), vr.end());
    U16(0);
    U32(static_cast<uint32_t>(value.size()));
    return Append(value);
  }
  MessageBuilder& Append(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  MessageBuilder& U16(uint16_t v) {
    // One insert, not two push_backs: GCC 12 misreads push_back on an empty vector as an
    // out-of-bounds store once inlined (-Warray-bounds).
    const uint8_t pair[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    bytes_.insert(bytes_.end(), pair, pair + 2);
    return *this;
  }
  MessageBuilder& U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    return U16(static_cast<uint16_t>(v >> 16));
  }
  MessageBuilder& Tag(uint16_t group, uint16_t element) { return U16(group).U16(element); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

inline Bytes US(uint16_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}

inline Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// A C-ECHO-RSP command set as a peer sends it.
inline Bytes EchoResponseCommand(uint16_t messageID, uint16_t status) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, Text(std::string("1.2.840.10008.1.1") + '\0'))
      .Implicit(0x0000, 0x0100, US(0x8030))
      .Implicit(0x0000, 0x0120, US(messageID))
      .Implicit(0x0000, 0x0800, US(0x0101))
      .Implicit(0x0000, 0x0900, US(status));
  MessageBuilder command;
  command.Implicit(0x0000, 0x0000,
                   MessageBuilder().U32(static_cast<uint32_t>(body.bytes().size())).bytes());
  return command.Append(body.bytes()).bytes();
}

// One PDV item: length, context ID, message control header, fragment.
inline Bytes Pdv(uint8_t contextID, uint8_t header, const Bytes& fragment) {
  return WireBuilder()
      .U32(static_cast<uint32_t>(fragment.size() + 2))
      .U8(contextID)
      .U8(header)
      .Append(fragment)
      .bytes();
}

// A P-DATA-TF PDU around PDV items.
inline Bytes PDataPdu(const std::vector<Bytes>& pdvs) {
  Bytes body;
  for (const Bytes& pdv : pdvs)
    body.insert(body.end(), pdv.begin(), pdv.end());
  return WireBuilder().U8(0x04).U8(0).U32(static_cast<uint32_t>(body.size())).Append(body).bytes();
}

// The message cut into fragments of `sizes` bytes in turn (the last one takes what is left),
// sent as PDVs on `contextID`, as many to a P-DATA-TF PDU as fit 16384 bytes.
inline Bytes FragmentedMessage(const Bytes& message, const std::vector<size_t>& sizes,
                               uint8_t contextID) {
  WireBuilder wire;
  Bytes pdvs;
  for (size_t at = 0, turn = 0, size = 0; at < message.size(); at += size, ++turn) {
    size = std::min(sizes[turn % sizes.size()], message.size() - at);
    const Bytes pdv =
        Pdv(contextID, at + size == message.size() ? 0x02 : 0x00, Slice(message, at, size));
    if (pdvs.size() + pdv.size() > 16384) wire.Append(PDataPdu({pdvs}));
    if (pdvs.size() + pdv.size() > 16384) pdvs.clear();
    pdvs.insert(pdvs.end(), pdv.begin(), pdv.end());
  }
  return wire.Append(PDataPdu({pdvs})).bytes();
}

// An A-ASSOCIATE-AC accepting context 1 with this transfer syntax.
inline Bytes AcceptingAnswer(std::string_view transferSyntax, std::string_view called = "PEER",
                             std::string_view calling = "NORVANE") {
  const Bytes items = WireBuilder()
                          .UidItem(0x10, kApplicationContextUid)
                          .Append(AcceptContextItem(1, 0, transferSyntax))
                          .Append(UserInformationItem(16384, "1.2.3.4", "PEER"))
                          .bytes();
  return AssociatePdu(0x02, called, calling, items);
}

// An association accepted with the SCP's services over a socket pair; the test plays the
// requester on peer(). The A-ASSOCIATE-AC has been read off the wire already.
class AcceptedAssociation {
 public:
  // `contexts`: proposed context items (ProposedContextItem).
  explicit AcceptedAssociation(const std::vector<Bytes>& contexts, uint32_t maximumLength = 16384) {
    WireBuilder items;
    items.UidItem(0x10, kApplicationContextUid);
    for (const Bytes& context : contexts)
      items.Append(context);
    items.Append(UserInformationItem(maximumLength, "1.2.3.4", "PEER"));
    pair_.Send(AssociatePdu(0x01, "NORVANESCP      ", "TESTSCU", items.bytes()));
    service_.SetReceiveTimeout(kShortReceiveTimeout);
    static const ServiceRegistry services = ScpServices(StoreSCPSettings{});
    accepted_ = service_.Accept(pair_.TakeOurs(), services.Policy()).Ok();
    answer_ = ReadPdu(pair_.peer());
  }

  bool accepted() const { return accepted_; }
  const Bytes& answer() const { return answer_; }
  AcceptorAssociation& service() { return service_; }
  WirePair& pair() { return pair_; }
  int peer() const { return pair_.peer(); }

 private:
  // Declared first so that the peer end closes before the service goes, which makes its
  // closing release fail at once instead of waiting for an answer.
  AcceptorAssociation service_;
  WirePair pair_;
  bool accepted_ = false;
  Bytes answer_;
};

}  // namespace norvane::testing
