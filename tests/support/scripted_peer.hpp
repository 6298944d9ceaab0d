#pragma once

// What every scripted SCP of the tests shares: reading the requester's command sets and
// proposed presentation contexts, and the data phase loop that gathers each request (its
// command and, when the command announces one, its data set) from the PDVs and answers it.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/message_fixture.hpp"

namespace norvane::testing {

// One element of an implicit VR little endian command set.
struct CommandElement {
  uint16_t group = 0;
  uint16_t element = 0;
  Bytes value;
};

inline std::vector<CommandElement> ParseCommand(const Bytes& bytes) {
  std::vector<CommandElement> elements;
  size_t at = 0;
  while (at + 8 <= bytes.size()) {
    CommandElement e;
    e.group = static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    e.element = static_cast<uint16_t>(bytes[at + 2] | (bytes[at + 3] << 8));
    const uint32_t length = bytes[at + 4] | (bytes[at + 5] << 8) | (bytes[at + 6] << 16) |
                            (uint32_t{bytes[at + 7]} << 24);
    at += 8;
    if (length > bytes.size() - at) break;
    e.value = Slice(bytes, at, length);
    at += length;
    elements.push_back(std::move(e));
  }
  return elements;
}

inline std::optional<Bytes> CommandValue(const std::vector<CommandElement>& command,
                                         uint16_t element) {
  for (const CommandElement& e : command) {
    if (e.group == 0x0000 && e.element == element) return e.value;
  }
  return std::nullopt;
}

inline uint16_t CommandUS(const std::vector<CommandElement>& command, uint16_t element) {
  const std::optional<Bytes> v = CommandValue(command, element);
  return v && v->size() >= 2 ? static_cast<uint16_t>((*v)[0] | ((*v)[1] << 8)) : 0xFFFF;
}

// A proposed presentation context of an A-ASSOCIATE-RQ.
struct ProposedContext {
  uint8_t id = 0;
  std::string abstractSyntax;
  std::vector<std::string> transferSyntaxes;
};

inline std::vector<ProposedContext> ProposedContexts(const Bytes& rq) {
  std::vector<ProposedContext> contexts;
  size_t at = 74;  // PDU header and the fixed fields
  while (at + 4 <= rq.size()) {
    const uint8_t type = rq[at];
    const size_t length = BigEndian16(rq, at + 2);
    const size_t end = std::min(rq.size(), at + 4 + length);
    if (type == 0x20 && at + 8 <= end) {
      ProposedContext context;
      context.id = rq[at + 4];
      size_t sub = at + 8;
      while (sub + 4 <= end) {
        const uint8_t subType = rq[sub];
        const size_t subLength = BigEndian16(rq, sub + 2);
        const std::string text(
            rq.begin() + static_cast<ptrdiff_t>(sub + 4),
            rq.begin() + static_cast<ptrdiff_t>(std::min(end, sub + 4 + subLength)));
        if (subType == 0x30) context.abstractSyntax = text;
        if (subType == 0x40) context.transferSyntaxes.push_back(text);
        sub += 4 + subLength;
      }
      contexts.push_back(std::move(context));
    }
    at = end;
  }
  return contexts;
}

// The presentation context items of an A-ASSOCIATE-RQ, as they stand on the wire.
inline Bytes ProposedContextBytes(const Bytes& rq) {
  Bytes items;
  size_t at = 74;
  while (at + 4 <= rq.size()) {
    const size_t end = std::min(rq.size(), at + 4 + BigEndian16(rq, at + 2));
    if (rq[at] == 0x20)
      items.insert(items.end(), rq.begin() + static_cast<ptrdiff_t>(at),
                   rq.begin() + static_cast<ptrdiff_t>(end));
    at = end;
  }
  return items;
}

// One DIMSE request as it came off the wire.
struct ReceivedRequest {
  uint8_t contextID = 0;
  Bytes command;  // the whole command message
  Bytes dataset;  // the whole data set message
  std::vector<CommandElement> Command() const { return ParseCommand(command); }
  uint16_t CommandField() const { return CommandUS(Command(), 0x0100); }
};

// How the data phase ended.
struct DataPhaseEnd {
  bool released = false;    // an A-RELEASE-RQ came and was answered
  bool aborted = false;     // an A-ABORT came
  bool oversized = false;   // a P-DATA-TF PDU was longer than the announced maximum
  uint32_t longestPdu = 0;  // the longest P-DATA-TF PDU length seen
};

// Reads P-DATA-TF PDUs and hands each whole request to `answer` until the association
// ends, the connection closes, a PDV does not fit its PDU, a PDU is longer than
// `maximumLength` (when not 0; the peer then aborts, as a strict acceptor does), a data
// set comes before its command, or `answer` gives false.
template <class Answer>
DataPhaseEnd ServeRequests(int fd, Answer&& answer, uint32_t maximumLength = 0) {
  DataPhaseEnd end;
  ReceivedRequest current;
  bool commandDone = false;
  for (;;) {
    const Bytes pdu = ReadPdu(fd);
    if (pdu.size() < 6) return end;
    if (pdu[0] == 0x04) {
      const uint32_t length = BigEndian32(pdu, 2);
      end.longestPdu = std::max(end.longestPdu, length);
      if (maximumLength != 0 && length > maximumLength) {
        end.oversized = true;
        SendAll(fd, {0x07, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x06});
        return end;
      }
    }
    if (pdu[0] == 0x05) {
      end.released = true;
      SendAll(fd, {0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00});
      return end;
    }
    if (pdu[0] == 0x07) end.aborted = true;
    if (pdu[0] != 0x04) return end;
    size_t at = 6;
    while (at + 6 <= pdu.size()) {
      const uint32_t length = BigEndian32(pdu, at);
      if (length < 2 || length > pdu.size() - at - 4) return end;
      current.contextID = pdu[at + 4];
      const uint8_t header = pdu[at + 5];
      const Bytes fragment = Slice(pdu, at + 6, length - 2);
      Bytes& message = (header & 0x01) ? current.command : current.dataset;
      message.insert(message.end(), fragment.begin(), fragment.end());
      at += 4 + length;
      if ((header & 0x02) == 0) continue;
      if (header & 0x01) {
        commandDone = true;
        if (CommandUS(current.Command(), 0x0800) != 0x0101) continue;
      } else if (!commandDone) {
        return end;
      }
      if (!answer(current)) return end;
      current = ReceivedRequest();
      commandDone = false;
    }
  }
}

}  // namespace norvane::testing
