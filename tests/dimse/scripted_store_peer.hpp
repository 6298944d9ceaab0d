#pragma once

// A storage SCP played by the test on a loopback port: it answers the A-ASSOCIATE-RQ as
// told, records every C-STORE request (command and data set bytes as they came off the
// wire) and answers each with the next scripted status; a C-ECHO-RQ gets a C-ECHO-RSP. It
// is strict: an A-ASSOCIATE-RQ whose AE title fields hold control characters (NUL padding)
// is rejected, as strict peers do.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/message_fixture.hpp"
#include "support/scripted_peer.hpp"

namespace norvane::testing {

using ReceivedStore = ReceivedRequest;

// A C-STORE-RSP command set as a peer sends it.
inline Bytes StoreResponseCommand(const std::vector<CommandElement>& request, uint16_t status,
                                  bool withStatus = true, uint16_t commandField = 0x8001) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, CommandValue(request, 0x0002).value_or(Bytes{}))
      .Implicit(0x0000, 0x0100, US(commandField))
      .Implicit(0x0000, 0x0120, US(CommandUS(request, 0x0110)))
      .Implicit(0x0000, 0x0800, US(0x0101));
  if (withStatus) body.Implicit(0x0000, 0x0900, US(status));
  if (const auto instance = CommandValue(request, 0x1000)) body.Implicit(0x0000, 0x1000, *instance);
  MessageBuilder command;
  command.Implicit(0x0000, 0x0000,
                   MessageBuilder().U32(static_cast<uint32_t>(body.bytes().size())).bytes());
  return command.Append(body.bytes()).bytes();
}

enum class PeerAnswer {
  kStatus,         // a C-STORE-RSP with the scripted status
  kNoStatus,       // a C-STORE-RSP without a Status element
  kEchoResponse,   // a C-ECHO-RSP instead
  kCloseAtRequest  // close the connection instead of answering
};

struct StorePeerScript {
  bool reject = false;  // answer with an A-ASSOCIATE-RJ
  // Reject titles with control characters.
  bool strict = true;
  // The transfer syntaxes the peer takes, in its order of preference: each proposed context
  // is accepted with the first of them it offers, and refused (result 4) when it offers none.
  std::vector<std::string> acceptedSyntaxes = {"1.2.840.10008.1.2"};
  uint8_t contextResult = 0;       // 4: every context refused, whatever it offers
  std::vector<uint16_t> statuses;  // per request; 0x0000 once they run out
  PeerAnswer answer = PeerAnswer::kStatus;
  uint32_t maximumLength = 16384;
};

// What the peer saw; complete once the ScriptedAcceptor has been joined.
struct StorePeerRecord {
  bool connected = false;
  Bytes associateRQ;
  uint8_t rejectedTitle = 0;  // the A-ASSOCIATE-RJ reason the strict check gave, or 0
  std::vector<ReceivedStore> stores;
  bool released = false;
  bool aborted = false;
  bool oversized = false;   // a PDU passed the announced maximum length (then aborted)
  uint32_t longestPdu = 0;  // the longest P-DATA-TF PDU length received
  std::map<uint8_t, std::string> accepted;  // the syntax of each accepted context, by ID
  std::vector<ProposedContext> Proposed() const { return ProposedContexts(associateRQ); }
};

class ScriptedStorePeer {
 public:
  explicit ScriptedStorePeer(StorePeerScript script) : script_(std::move(script)) {
    acceptor_.emplace([this](int fd) { Run(fd); });
    port_ = acceptor_->Port();
  }

  std::string Port() const { return port_; }
  // Waits for the association to end and returns what was seen.
  const StorePeerRecord& Finish() {
    acceptor_->Join();
    return record_;
  }
  // Stops listening (for tests where nothing may connect) and returns what was seen.
  const StorePeerRecord& Stop() {
    acceptor_.reset();
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
    if (script_.reject) {
      SendAll(fd, RejectPdu(1, 1, 1));
      return;
    }
    WireBuilder items;
    items.UidItem(0x10, kApplicationContextUid);
    for (const ProposedContext& context : ProposedContexts(record_.associateRQ)) {
      const uint8_t result = Decide(context);
      const auto accepted = record_.accepted.find(context.id);
      items.Append(AcceptContextItem(context.id, result,
                                     accepted == record_.accepted.end() ? "" : accepted->second));
    }
    items.Append(UserInformationItem(script_.maximumLength, "1.2.3.4", "PEER"));
    SendAll(fd, AssociatePdu(0x02, "PEER", "NORVANE", items.bytes()));

    const DataPhaseEnd end = ServeRequests(
        fd,
        [this, fd](const ReceivedRequest& request) {
          if (!Answer(fd, request)) return false;
          record_.stores.push_back(request);
          return true;
        },
        script_.maximumLength);
    record_.released = end.released;
    record_.aborted = end.aborted;
    record_.oversized = end.oversized;
    record_.longestPdu = end.longestPdu;
  }

  // The result for one proposed context; an accepted one's syntax goes to record_.accepted.
  uint8_t Decide(const ProposedContext& context) {
    if (script_.contextResult != 0) return script_.contextResult;
    for (const std::string& syntax : script_.acceptedSyntaxes) {
      const auto& offered = context.transferSyntaxes;
      if (std::find(offered.begin(), offered.end(), syntax) != offered.end()) {
        record_.accepted[context.id] = syntax;
        return 0;
      }
    }
    return 4;
  }

  bool Answer(int fd, const ReceivedStore& request) {
    const size_t index = record_.stores.size();
    const uint16_t status = index < script_.statuses.size() ? script_.statuses[index] : 0x0000;
    const std::vector<CommandElement> command = request.Command();
    if (CommandUS(command, 0x0100) == 0x0030) {
      return SendAll(fd, PDataPdu({Pdv(request.contextID, 0x03,
                                       EchoResponseCommand(CommandUS(command, 0x0110), 0))}));
    }
    switch (script_.answer) {
      case PeerAnswer::kStatus:
        return SendAll(
            fd, PDataPdu({Pdv(request.contextID, 0x03, StoreResponseCommand(command, status))}));
      case PeerAnswer::kNoStatus:
        return SendAll(
            fd, PDataPdu({Pdv(request.contextID, 0x03, StoreResponseCommand(command, 0, false))}));
      case PeerAnswer::kEchoResponse:
        return SendAll(fd, PDataPdu({Pdv(request.contextID, 0x03,
                                         EchoResponseCommand(CommandUS(command, 0x0110), 0))}));
      case PeerAnswer::kCloseAtRequest:
        record_.stores.push_back(request);
        return false;
    }
    return false;
  }

  StorePeerScript script_;
  StorePeerRecord record_;
  std::string port_;
  std::optional<ScriptedAcceptor> acceptor_;  // last: its thread uses the members above
};

}  // namespace norvane::testing
