#pragma once

// A requester driven byte by byte by the test, for conversations with the storage SCP
// that no well-behaved peer would have: partial data sets, aborts, unknown commands,
// commands without their elements. Messages are built here from the wire layouts, not
// with the system's own encoder.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "net/message_fixture.hpp"

namespace norvane::testing {

inline constexpr std::string_view kVerificationUid = "1.2.840.10008.1.1";
inline constexpr std::string_view kStudyRootFindUid = "1.2.840.10008.5.1.4.1.2.2.1";
inline constexpr std::string_view kImplicitLEUid = "1.2.840.10008.1.2";
inline constexpr std::string_view kExplicitLEUid = "1.2.840.10008.1.2.1";
inline constexpr std::string_view kExplicitBEUid = "1.2.840.10008.1.2.2";
inline constexpr std::string_view kJPEGLosslessUid = "1.2.840.10008.1.2.4.70";

inline constexpr uint8_t kCommandLastHeader = 0x03;
inline constexpr uint8_t kDataSetHeader = 0x00;
inline constexpr uint8_t kDataSetLastHeader = 0x02;

// A UID value padded with a NUL to even length.
inline Bytes UidValue(std::string_view uid) {
  Bytes value(uid.begin(), uid.end());
  if (value.size() % 2 != 0) value.push_back(0);
  return value;
}

// A command set: the elements, implicit VR little endian, after their group length.
inline Bytes CommandBytes(const MessageBuilder& body) {
  MessageBuilder command;
  command.Implicit(0x0000, 0x0000,
                   MessageBuilder().U32(static_cast<uint32_t>(body.bytes().size())).bytes());
  return command.Append(body.bytes()).bytes();
}

inline Bytes StoreRequestCommand(std::string_view sopClass, std::string_view sopInstance,
                                 uint16_t messageID, uint16_t dataSetType = 0x0000) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, UidValue(sopClass))
      .Implicit(0x0000, 0x0100, US(0x0001))
      .Implicit(0x0000, 0x0110, US(messageID))
      .Implicit(0x0000, 0x0700, US(0x0000))
      .Implicit(0x0000, 0x0800, US(dataSetType))
      .Implicit(0x0000, 0x1000, UidValue(sopInstance));
  return CommandBytes(body);
}

inline Bytes EchoRequestCommand(uint16_t messageID) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, UidValue(kVerificationUid))
      .Implicit(0x0000, 0x0100, US(0x0030))
      .Implicit(0x0000, 0x0110, US(messageID))
      .Implicit(0x0000, 0x0800, US(0x0101));
  return CommandBytes(body);
}

inline Bytes FindRequestCommand(uint16_t messageID, std::string_view sopClass = kStudyRootFindUid,
                                uint16_t dataSetType = 0x0000) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, UidValue(sopClass))
      .Implicit(0x0000, 0x0100, US(0x0020))
      .Implicit(0x0000, 0x0110, US(messageID))
      .Implicit(0x0000, 0x0700, US(0x0000))
      .Implicit(0x0000, 0x0800, US(dataSetType));
  return CommandBytes(body);
}

// The elements of an implicit VR little endian command set by tag (group << 16 | element).
inline std::map<uint32_t, Bytes> CommandElements(const Bytes& bytes) {
  std::map<uint32_t, Bytes> elements;
  size_t at = 0;
  while (at + 8 <= bytes.size()) {
    const uint32_t group = bytes[at] | (bytes[at + 1] << 8);
    const uint32_t element = bytes[at + 2] | (bytes[at + 3] << 8);
    const uint32_t length = bytes[at + 4] | (bytes[at + 5] << 8) | (bytes[at + 6] << 16) |
                            (uint32_t{bytes[at + 7]} << 24);
    at += 8;
    if (length > bytes.size() - at) break;
    elements[(group << 16) | element] = Slice(bytes, at, length);
    at += length;
  }
  return elements;
}

// A 16-bit command element, or -1 when it is missing.
inline int CommandNumber(const std::map<uint32_t, Bytes>& elements, uint16_t element) {
  const auto it = elements.find(element);
  if (it == elements.end() || it->second.size() != 2) return -1;
  return it->second[0] | (it->second[1] << 8);
}

// One message, or the other PDU that came instead.
struct ReceivedMessage {
  uint8_t pduType = 0;  // 0x04 for a message; 0 when the connection closed
  uint8_t contextID = 0;
  bool command = false;
  Bytes bytes;  // the message, or the whole other PDU
};

class ScriptedRequester {
 public:
  explicit ScriptedRequester(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connected_ = fd_ >= 0 &&
                 ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  ~ScriptedRequester() { Close(); }
  ScriptedRequester(const ScriptedRequester&) = delete;
  ScriptedRequester& operator=(const ScriptedRequester&) = delete;

  bool connected() const { return connected_; }
  int fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // Sends an A-ASSOCIATE-RQ proposing the context items and returns the answer PDU.
  Bytes Associate(const std::vector<Bytes>& contexts, std::string_view calling = "SCRIPTSCU") {
    WireBuilder items;
    items.UidItem(0x10, kApplicationContextUid);
    for (const Bytes& context : contexts)
      items.Append(context);
    items.Append(UserInformationItem(16384, "1.2.3.4", "SCRIPT"));
    if (!Send(AssociatePdu(0x01, "NORVANESCP", calling, items.bytes()))) return {};
    return ReadPdu(fd_);
  }

  bool Send(const Bytes& bytes) { return SendAll(fd_, bytes); }

  // A message in PDVs of at most 16000 bytes, one P-DATA-TF each. `last` false leaves the
  // message unfinished.
  bool SendMessage(uint8_t contextID, bool command, const Bytes& message, bool last = true) {
    constexpr size_t kFragment = 16000;
    size_t at = 0;
    do {
      const size_t n = std::min(kFragment, message.size() - at);
      const bool final = last && at + n == message.size();
      const uint8_t header = static_cast<uint8_t>((command ? 0x01 : 0x00) | (final ? 0x02 : 0x00));
      if (!Send(PDataPdu({Pdv(contextID, header, Slice(message, at, n))}))) return false;
      at += n;
    } while (at < message.size());
    return true;
  }

  // Reads P-DATA-TF PDUs until a message is complete.
  ReceivedMessage ReadMessage() {
    ReceivedMessage message;
    for (;;) {
      const Bytes pdu = ReadPdu(fd_);
      if (pdu.size() < 6) return message;
      message.pduType = pdu[0];
      if (pdu[0] != 0x04) {
        message.bytes = pdu;
        return message;
      }
      size_t at = 6;
      while (at + 6 <= pdu.size()) {
        const uint32_t length = BigEndian32(pdu, at);
        if (length < 2 || length - 2 > pdu.size() - at - 6) return message;
        message.contextID = pdu[at + 4];
        const uint8_t header = pdu[at + 5];
        message.command = (header & 0x01) != 0;
        const Bytes fragment = Slice(pdu, at + 6, length - 2);
        message.bytes.insert(message.bytes.end(), fragment.begin(), fragment.end());
        at += 4 + length;
        if (header & 0x02) return message;
      }
    }
  }

  // A-RELEASE-RQ; the answer PDU.
  Bytes Release() {
    Send(WireBuilder().U8(0x05).U8(0).U32(4).U32(0).bytes());
    return ReadPdu(fd_);
  }
  bool SendReleaseRP() { return Send(WireBuilder().U8(0x06).U8(0).U32(4).U32(0).bytes()); }
  bool SendAbort() {
    return Send(WireBuilder().U8(0x07).U8(0).U32(4).U8(0).U8(0).U8(0).U8(0).bytes());
  }
  // True when the other end has closed the connection (within 5 s).
  bool SeesClose() {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, 5000) != 1) return false;
    uint8_t byte;
    return ::recv(fd_, &byte, 1, 0) <= 0;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

}  // namespace norvane::testing
