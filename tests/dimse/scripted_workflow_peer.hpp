#pragma once

// An MPPS and storage commitment SCP played by the test on a loopback port: it accepts the
// first proposed context with implicit VR little endian, records every message as it came
// off the wire, answers N-CREATE, N-SET and N-ACTION with success and, after an N-ACTION,
// when told to, sends an N-EVENT-REPORT-RQ of its own on the same association (event type
// 1, the N-ACTION's own data set as the report: every instance committed) and records the
// answer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/scripted_print_peer.hpp"

namespace norvane::testing {

inline constexpr std::string_view kMppsClass = "1.2.840.10008.3.1.2.3.3";
inline constexpr std::string_view kCommitmentClass = "1.2.840.10008.1.20.1";
inline constexpr std::string_view kCommitmentInstance = "1.2.840.10008.1.20.1.1";

// The top-level tags of an implicit VR little endian data set, with sequences of undefined
// length skipped whole; and the value of one of them.
struct TopLevelElement {
  uint16_t group;
  uint16_t element;
  Bytes value;  // empty for a sequence of undefined length
};
inline std::vector<TopLevelElement> TopLevelElements(const Bytes& data) {
  std::vector<TopLevelElement> elements;
  size_t at = 0;
  int depth = 0;
  while (at + 8 <= data.size()) {
    const uint16_t group = static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
    const uint16_t element = static_cast<uint16_t>(data[at + 2] | (data[at + 3] << 8));
    const uint32_t length = static_cast<uint32_t>(data[at + 4] | (data[at + 5] << 8) |
                                                  (data[at + 6] << 16) | (data[at + 7] << 24));
    at += 8;
    if (group == 0xFFFE && (element == 0xE00D || element == 0xE0DD)) {
      --depth;
      continue;
    }
    if (length == 0xFFFFFFFF) {
      if (depth == 0) elements.push_back({group, element, {}});
      ++depth;
      continue;
    }
    if (length > data.size() - at) break;
    if (depth == 0) elements.push_back({group, element, Slice(data, at, length)});
    at += length;
  }
  return elements;
}
inline const TopLevelElement* FindElement(const std::vector<TopLevelElement>& elements,
                                          uint16_t group, uint16_t element) {
  for (const TopLevelElement& e : elements) {
    if (e.group == group && e.element == element) return &e;
  }
  return nullptr;
}

struct WorkflowPeerRecord {
  Bytes associateRQ;
  std::vector<ReceivedRequest> messages;  // requests and our report's answer
  bool released = false;
};

class ScriptedWorkflowPeer {
 public:
  explicit ScriptedWorkflowPeer(bool report = true) : report_(report) {
    acceptor_.emplace([this](int fd) { Run(fd); });
  }
  std::string Port() const { return acceptor_->Port(); }
  const WorkflowPeerRecord& Finish() {
    acceptor_->Join();
    return record_;
  }

 private:
  void Run(int fd) {
    record_.associateRQ = ReadPdu(fd);
    const std::vector<ProposedContext> proposed = ProposedContexts(record_.associateRQ);
    if (proposed.empty()) return;
    const Bytes items = WireBuilder()
                            .UidItem(0x10, kApplicationContextUid)
                            .Append(AcceptContextItem(proposed.front().id, 0, kImplicitSyntax))
                            .Append(UserInformationItem(16384, "1.2.3.4", "WORKFLOW"))
                            .bytes();
    SendAll(fd, AssociatePdu(0x02, "ARCHIVE", "NORVANE", items));
    const DataPhaseEnd end = ServeRequests(fd, [this, fd](const ReceivedRequest& request) {
      record_.messages.push_back(request);
      return Answer(fd, request);
    });
    record_.released = end.released;
  }

  bool Answer(int fd, const ReceivedRequest& request) {
    const std::vector<CommandElement> command = request.Command();
    const uint16_t field = CommandUS(command, 0x0100);
    if (field & 0x8000) return true;  // the answer to our report
    const bool create = field == 0x0140;
    const Bytes sopClass = CommandValue(command, create ? 0x0002 : 0x0003).value_or(Bytes{});
    const Bytes instance = CommandValue(command, create ? 0x1000 : 0x1001).value_or(Bytes{});
    std::vector<std::pair<uint16_t, Bytes>> response = {
        {0x0002, sopClass},
        {0x0100, US(static_cast<uint16_t>(field | 0x8000))},
        {0x0120, US(CommandUS(command, 0x0110))},
        {0x0800, US(0x0101)},
        {0x0900, US(0x0000)},
        {0x1000, instance}};
    if (field == 0x0130) response.push_back({0x1008, US(1)});
    if (!SendAll(fd, PDataPdu({Pdv(request.contextID, 0x03, CommandBytes(response))}))) {
      return false;
    }
    if (field != 0x0130 || !report_) return true;
    const Bytes report = CommandBytes({{0x0002, UidValue(kCommitmentClass)},
                                       {0x0100, US(0x0100)},
                                       {0x0110, US(77)},
                                       {0x0800, US(0x0102)},
                                       {0x1000, UidValue(kCommitmentInstance)},
                                       {0x1002, US(1)}});
    return SendAll(fd, PDataPdu({Pdv(request.contextID, 0x03, report),
                                 Pdv(request.contextID, 0x02, request.dataset)}));
  }

  bool report_;
  WorkflowPeerRecord record_;
  std::optional<ScriptedAcceptor> acceptor_;  // last: its thread uses the members above
};

}  // namespace norvane::testing
