#pragma once

// A query/retrieve SCP (or worklist provider) played by the test on a loopback port: it
// accepts the association, records the request (command and identifier bytes as they came
// off the wire, and the PDUs that carried them), sends the scripted responses, and answers
// the release. It is strict, as some archives are: AE title fields and a Move Destination
// holding control characters (NUL padding) are refused. It can also answer without end, to
// see what the requester does about it (C-CANCEL-RQ, abort).

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dimse/scripted_store_peer.hpp"
#include "net/message_fixture.hpp"

namespace norvane::testing {

// An implicit VR little endian command set with its group length in front.
inline Bytes CommandMessage(const std::vector<std::pair<uint16_t, Bytes>>& elements) {
  MessageBuilder body;
  for (const auto& [element, value] : elements)
    body.Implicit(0x0000, element, value);
  const uint32_t length = static_cast<uint32_t>(body.bytes().size());
  const Bytes lengthValue = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length >> 16),
                             static_cast<uint8_t>(length >> 24)};
  MessageBuilder command;
  command.Implicit(0x0000, 0x0000, lengthValue);
  return command.Append(body.bytes()).bytes();
}

inline Bytes Uid(std::string_view uid) {
  Bytes bytes = Text(uid);
  if (bytes.size() % 2 != 0) bytes.push_back(0);
  return bytes;
}

// A C-FIND-RSP (or, with another command field, whatever the test wants instead).
inline Bytes FindResponseCommand(uint16_t messageID, std::optional<uint16_t> status,
                                 bool withIdentifier, uint16_t commandField = 0x8020,
                                 std::string_view sopClass = "1.2.840.10008.5.1.4.1.2.2.1") {
  std::vector<std::pair<uint16_t, Bytes>> elements = {
      {0x0002, Uid(sopClass)},
      {0x0100, US(commandField)},
      {0x0120, US(messageID)},
      {0x0800, US(withIdentifier ? 0x0000 : 0x0101)}};
  if (status) elements.push_back({0x0900, US(*status)});
  return CommandMessage(elements);
}

// A C-MOVE-RSP with the sub-operation numbers that are given.
struct MoveNumbers {
  std::optional<uint16_t> remaining;
  std::optional<uint16_t> completed;
  std::optional<uint16_t> failed;
  std::optional<uint16_t> warning;
};

inline Bytes MoveResponseCommand(uint16_t messageID, uint16_t status, const MoveNumbers& n,
                                 bool withDataSet = false, uint16_t commandField = 0x8021) {
  std::vector<std::pair<uint16_t, Bytes>> elements = {{0x0002, Uid("1.2.840.10008.5.1.4.1.2.2.2")},
                                                      {0x0100, US(commandField)},
                                                      {0x0120, US(messageID)},
                                                      {0x0800, US(withDataSet ? 0x0000 : 0x0101)},
                                                      {0x0900, US(status)}};
  if (n.remaining) elements.push_back({0x1020, US(*n.remaining)});
  if (n.completed) elements.push_back({0x1021, US(*n.completed)});
  if (n.failed) elements.push_back({0x1022, US(*n.failed)});
  if (n.warning) elements.push_back({0x1023, US(*n.warning)});
  return CommandMessage(elements);
}

// One response: a command message and, when not empty, the data set after it.
struct ScriptedResponse {
  Bytes command;
  Bytes dataset;
};

struct QueryPeerScript {
  // Empty: the association is rejected (A-ASSOCIATE-RJ).
  std::string acceptedSyntax = "1.2.840.10008.1.2";
  // Wait for a data set after the request's command (its Data Set Type is 0x0102).
  bool expectIdentifier = true;
  // Answered once the request is complete, in order.
  std::vector<ScriptedResponse> responses;
  // Put the last PDV of each command and the whole data set in one P-DATA-TF PDU.
  bool commandAndDataSetInOnePdu = false;
  // Close the connection after the responses instead of waiting for the release.
  bool closeAfterResponses = false;
  // Raw bytes sent after the responses (a broken PDU, for example).
  Bytes trailer;
  // Refuse titles and Move Destinations with control characters: the association with an
  // A-ASSOCIATE-RJ, the move with a final status 0xA801 (Move Destination unknown).
  bool strict = true;
  // After the scripted responses: this one again and again, every `endlessInterval`, until
  // a C-CANCEL-RQ arrives (then `afterCancel` is sent and the peer goes on as usual), or
  // until the requester aborts or closes when `ignoreCancel` is set.
  std::optional<ScriptedResponse> endless;
  std::chrono::milliseconds endlessInterval{0};
  std::vector<ScriptedResponse> afterCancel;
  bool ignoreCancel = false;
};

struct QueryPeerRecord {
  bool connected = false;
  Bytes associateRQ;
  uint8_t rejectedTitle = 0;        // the A-ASSOCIATE-RJ reason the strict check gave, or 0
  bool refusedDestination = false;  // the Move Destination held control characters
  size_t endlessSent = 0;           // endless responses sent
  Bytes cancel;                     // the C-CANCEL-RQ command, when one came
  std::vector<Bytes> requestPdus;   // every P-DATA-TF PDU of the request, whole
  uint8_t contextID = 0;
  Bytes command;     // the request's command message
  Bytes identifier;  // the request's data set message
  bool released = false;
  bool aborted = false;
  std::vector<ProposedContext> Proposed() const { return ProposedContexts(associateRQ); }
  std::vector<CommandElement> Command() const { return ParseCommand(command); }
};

class ScriptedQueryPeer {
 public:
  explicit ScriptedQueryPeer(QueryPeerScript script) : script_(std::move(script)) {
    acceptor_.emplace([this](int fd) { Run(fd); });
    port_ = acceptor_->Port();
  }

  std::string Port() const { return port_; }
  // Waits for the association to end and returns what was seen.
  const QueryPeerRecord& Finish() {
    acceptor_->Join();
    return record_;
  }

 private:
  void Run(int fd) {
    record_.connected = true;
    record_.associateRQ = ReadPdu(fd);
    if (record_.associateRQ.size() < 74) return;
    if (script_.strict) record_.rejectedTitle = StrictTitleRejection(record_.associateRQ);
    if (record_.rejectedTitle != 0) {
      SendAll(fd, RejectPdu(1, 1, record_.rejectedTitle));
      return;
    }
    if (script_.acceptedSyntax.empty()) {
      SendAll(fd, RejectPdu(1, 1, 1));
      return;
    }
    const std::vector<ProposedContext> proposed = ProposedContexts(record_.associateRQ);
    const uint8_t id = proposed.empty() ? 1 : proposed.front().id;
    const Bytes items = WireBuilder()
                            .UidItem(0x10, kApplicationContextUid)
                            .Append(AcceptContextItem(id, 0, script_.acceptedSyntax))
                            .Append(UserInformationItem(16384, "1.2.3.4", "PEER"))
                            .bytes();
    SendAll(fd, AssociatePdu(0x02, "PEER", "NORVANE", items));

    if (!ReadRequest(fd)) return;
    const std::optional<Bytes> destination = CommandValue(record_.Command(), 0x0600);
    if (script_.strict && destination && HasControlCharacters(*destination)) {
      record_.refusedDestination = true;
      SendResponse(fd, {MoveResponseCommand(CommandUS(record_.Command(), 0x0110), 0xA801, {}), {}});
    } else {
      for (const ScriptedResponse& response : script_.responses) {
        if (!SendResponse(fd, response)) return;
      }
      if (script_.endless && !SendEndlessly(fd)) return;
    }
    if (!script_.trailer.empty()) SendAll(fd, script_.trailer);
    if (script_.closeAfterResponses) return;
    const Bytes next = ReadPdu(fd);
    if (next.size() >= 6 && next[0] == 0x05) {
      record_.released = true;
      SendAll(fd, {0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00});
    } else if (!next.empty() && next[0] == 0x07) {
      record_.aborted = true;
    }
  }

  // Gathers PDVs until the command (and, when expected, the data set) is complete.
  bool ReadRequest(int fd) {
    bool commandDone = false;
    for (;;) {
      const Bytes pdu = ReadPdu(fd);
      if (pdu.size() < 6) return false;
      if (pdu[0] == 0x07) {
        record_.aborted = true;
        return false;
      }
      if (pdu[0] != 0x04) return false;
      record_.requestPdus.push_back(pdu);
      size_t at = 6;
      while (at + 6 <= pdu.size()) {
        const uint32_t length = BigEndian32(pdu, at);
        if (length < 2 || length > pdu.size() - at - 4) return false;
        record_.contextID = pdu[at + 4];
        const uint8_t header = pdu[at + 5];
        const Bytes fragment = Slice(pdu, at + 6, length - 2);
        Bytes& message = (header & 0x01) ? record_.command : record_.identifier;
        message.insert(message.end(), fragment.begin(), fragment.end());
        at += 4 + length;
        if ((header & 0x02) == 0) continue;
        if (header & 0x01) {
          commandDone = true;
          if (!script_.expectIdentifier) return true;
        } else if (commandDone) {
          return true;
        }
      }
    }
  }

  // The endless responses; false when the requester aborted or closed.
  bool SendEndlessly(int fd) {
    for (;;) {
      pollfd entry{fd, POLLIN, 0};
      if (::poll(&entry, 1, 0) == 1) {
        const Bytes pdu = ReadPdu(fd);
        if (pdu.size() < 12 || pdu[0] != 0x04) {
          record_.aborted = !pdu.empty() && pdu[0] == 0x07;
          return false;
        }
        record_.cancel = Slice(pdu, 12, pdu.size() - 12);
        if (!script_.ignoreCancel) break;
      }
      if (!SendResponse(fd, *script_.endless)) {
        // The requester may abort and close while a response is on its way; its A-ABORT
        // still waits in our receive queue.
        for (Bytes pdu = ReadPdu(fd); pdu.size() >= 6; pdu = ReadPdu(fd)) {
          if (pdu[0] == 0x07) record_.aborted = true;
        }
        return false;
      }
      ++record_.endlessSent;
      if (script_.endlessInterval.count() > 0) std::this_thread::sleep_for(script_.endlessInterval);
    }
    for (const ScriptedResponse& response : script_.afterCancel) {
      if (!SendResponse(fd, response)) return false;
    }
    return true;
  }

  bool SendResponse(int fd, const ScriptedResponse& response) {
    const uint8_t id = record_.contextID;
    if (response.dataset.empty()) return SendAll(fd, PDataPdu({Pdv(id, 0x03, response.command)}));
    if (script_.commandAndDataSetInOnePdu) {
      return SendAll(fd,
                     PDataPdu({Pdv(id, 0x03, response.command), Pdv(id, 0x02, response.dataset)}));
    }
    return SendAll(fd, PDataPdu({Pdv(id, 0x03, response.command)})) &&
           SendAll(fd, PDataPdu({Pdv(id, 0x02, response.dataset)}));
  }

  QueryPeerScript script_;
  QueryPeerRecord record_;
  std::string port_;
  std::optional<ScriptedAcceptor> acceptor_;  // last: its thread uses the members above
};

}  // namespace norvane::testing
