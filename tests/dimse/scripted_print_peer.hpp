#pragma once

// A print SCP played by the test on a loopback port: it answers the A-ASSOCIATE-RQ as
// told, records every DIMSE-N request (command and data set bytes as they came off the
// wire) and answers each one with the scripted status, the instance UIDs of a film
// session and film box it "created", and the image box list the script asks for.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/message_fixture.hpp"
#include "support/scripted_peer.hpp"

namespace norvane::testing {

inline constexpr std::string_view kImplicitSyntax = "1.2.840.10008.1.2";
inline constexpr std::string_view kGrayscalePrintMeta = "1.2.840.10008.5.1.1.9";
inline constexpr std::string_view kColorPrintMeta = "1.2.840.10008.5.1.1.18";
inline constexpr std::string_view kPrinterClass = "1.2.840.10008.5.1.1.16";
inline constexpr std::string_view kPrinterInstance = "1.2.840.10008.5.1.1.17";
inline constexpr std::string_view kFilmSessionClass = "1.2.840.10008.5.1.1.1";
inline constexpr std::string_view kFilmBoxClass = "1.2.840.10008.5.1.1.2";
inline constexpr std::string_view kGrayscaleImageBoxClass = "1.2.840.10008.5.1.1.4";
inline constexpr std::string_view kColorImageBoxClass = "1.2.840.10008.5.1.1.4.1";
inline constexpr std::string_view kFilmSessionUID = "1.2.826.0.1.3680043.2.4821.10";
inline constexpr std::string_view kFilmBoxUID = "1.2.826.0.1.3680043.2.4821.20";
inline constexpr std::string_view kImageBoxUID = "1.2.826.0.1.3680043.2.4821.30.1";

// A UID value as it travels: NUL-padded to even length.
inline Bytes UidValue(std::string_view uid) {
  Bytes value(uid.begin(), uid.end());
  if (value.size() % 2 != 0) value.push_back(0);
  return value;
}

// A text value as it travels: blank-padded to even length.
inline Bytes TextValue(std::string_view text) {
  Bytes value(text.begin(), text.end());
  if (value.size() % 2 != 0) value.push_back(' ');
  return value;
}

inline Bytes U32Value(uint32_t v) {
  return Bytes{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
               static_cast<uint8_t>(v >> 24)};
}

// An implicit VR little endian command set: group length, then the elements as given.
inline Bytes CommandBytes(const std::vector<std::pair<uint16_t, Bytes>>& elements) {
  MessageBuilder body;
  for (const auto& [element, value] : elements)
    body.Implicit(0x0000, element, value);
  MessageBuilder command;
  command.Implicit(0x0000, 0x0000, U32Value(static_cast<uint32_t>(body.bytes().size())));
  return command.Append(body.bytes()).bytes();
}

// How the film box response lists its image boxes.
enum class ImageBoxListing {
  kDefinedLength,  // a Referenced Image Box Sequence of defined length
  kFlat,           // sequence and item of undefined length
  kNone,           // no sequence at all
};

struct PrintPeerScript {
  bool reject = false;        // answer with an A-ASSOCIATE-RJ
  uint8_t contextResult = 0;  // 3: abstract syntax not supported
  // Response status by request, counted from 0 (N-GET 0, film session 1, film box 2,
  // image box 3, action 4, delete 5); 0x0000 for the others.
  std::map<size_t, uint16_t> statuses;
  bool getWithDataset = true;  // the N-GET-RSP carries printer attributes
  bool setWithDataset = true;  // the N-SET-RSP carries the image box position
  ImageBoxListing listing = ImageBoxListing::kDefinedLength;
  std::string imageBoxClass = std::string(kGrayscaleImageBoxClass);
  int imageBoxes = 1;  // items in the list; the first is kImageBoxUID
};

struct PrintPeerRecord {
  bool connected = false;
  Bytes associateRQ;
  std::vector<ReceivedRequest> requests;
  bool released = false;
  bool aborted = false;
  std::vector<ProposedContext> Proposed() const { return ProposedContexts(associateRQ); }
};

// The Referenced Image Box Sequence of the film box response.
inline Bytes ImageBoxList(const PrintPeerScript& script) {
  MessageBuilder list;
  if (script.listing == ImageBoxListing::kNone) return list.bytes();
  std::vector<Bytes> items;
  for (int i = 0; i < script.imageBoxes; ++i) {
    const std::string instance =
        i == 0 ? std::string(kImageBoxUID) : std::string(kImageBoxUID) + std::to_string(i + 1);
    items.push_back(MessageBuilder()
                        .Implicit(0x0008, 0x1150, UidValue(script.imageBoxClass))
                        .Implicit(0x0008, 0x1155, UidValue(instance))
                        .bytes());
  }
  if (script.listing == ImageBoxListing::kDefinedLength) {
    MessageBuilder sequence;
    for (const Bytes& item : items)
      sequence.Implicit(0xFFFE, 0xE000, item);
    return list.Implicit(0x2010, 0x0510, sequence.bytes()).bytes();
  }
  list.Tag(0x2010, 0x0510).U32(0xFFFFFFFF);
  for (const Bytes& item : items) {
    list.Tag(0xFFFE, 0xE000).U32(0xFFFFFFFF).Append(item).Tag(0xFFFE, 0xE00D).U32(0);
  }
  return list.Tag(0xFFFE, 0xE0DD).U32(0).bytes();
}

class ScriptedPrintPeer {
 public:
  explicit ScriptedPrintPeer(PrintPeerScript script) : script_(std::move(script)) {
    acceptor_.emplace([this](int fd) { Run(fd); });
    port_ = acceptor_->Port();
  }

  std::string Port() const { return port_; }
  const PrintPeerRecord& Finish() {
    acceptor_->Join();
    return record_;
  }
  const PrintPeerRecord& Stop() {
    acceptor_.reset();
    return record_;
  }

 private:
  void Run(int fd) {
    record_.connected = true;
    record_.associateRQ = ReadPdu(fd);
    if (record_.associateRQ.size() < 74) return;
    if (script_.reject) {
      SendAll(fd, {0x03, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x01, 0x07});
      return;
    }
    const std::vector<ProposedContext> proposed = ProposedContexts(record_.associateRQ);
    const uint8_t id = proposed.empty() ? 1 : proposed.front().id;
    const Bytes items = WireBuilder()
                            .UidItem(0x10, kApplicationContextUid)
                            .Append(AcceptContextItem(id, script_.contextResult, kImplicitSyntax))
                            .Append(UserInformationItem(16384, "1.2.3.4", "PRINTER"))
                            .bytes();
    SendAll(fd, AssociatePdu(0x02, "PRINTER", "NORVANE", items));

    const DataPhaseEnd end = ServeRequests(fd, [this, fd](const ReceivedRequest& request) {
      record_.requests.push_back(request);
      return Answer(fd, request);
    });
    record_.released = end.released;
    record_.aborted = end.aborted;
  }

  bool Answer(int fd, const ReceivedRequest& request) {
    const std::vector<CommandElement> command = request.Command();
    const uint16_t field = CommandUS(command, 0x0100);
    const auto status = script_.statuses.find(record_.requests.size() - 1);
    const uint16_t statusValue = status == script_.statuses.end() ? 0x0000 : status->second;
    Bytes sopClass = CommandValue(command, field == 0x0140 ? 0x0002 : 0x0003).value_or(Bytes{});
    Bytes instance = CommandValue(command, field == 0x0140 ? 0x1000 : 0x1001).value_or(Bytes{});
    Bytes dataset;
    if (field == 0x0110 && script_.getWithDataset) {
      dataset = MessageBuilder()
                    .Implicit(0x2110, 0x0010, TextValue("NORMAL"))
                    .Implicit(0x2110, 0x0020, TextValue("NORMAL"))
                    .bytes();
    } else if (field == 0x0140 && sopClass == UidValue(kFilmSessionClass)) {
      instance = UidValue(kFilmSessionUID);
      dataset = request.dataset;
    } else if (field == 0x0140) {
      instance = UidValue(kFilmBoxUID);
      dataset = MessageBuilder()
                    .Implicit(0x2010, 0x0010, TextValue("STANDARD\\1,1"))
                    .Append(ImageBoxList(script_))
                    .bytes();
    } else if (field == 0x0120 && script_.setWithDataset) {
      dataset = MessageBuilder().Implicit(0x2020, 0x0010, US(1)).bytes();
    }
    const Bytes response = CommandBytes({{0x0002, sopClass},
                                         {0x0100, US(static_cast<uint16_t>(field | 0x8000))},
                                         {0x0120, US(CommandUS(command, 0x0110))},
                                         {0x0800, US(dataset.empty() ? 0x0101 : 0x0102)},
                                         {0x0900, US(statusValue)},
                                         {0x1000, instance}});
    std::vector<Bytes> pdvs = {Pdv(request.contextID, 0x03, response)};
    if (!dataset.empty()) pdvs.push_back(Pdv(request.contextID, 0x02, dataset));
    return SendAll(fd, PDataPdu(pdvs));
  }

  PrintPeerScript script_;
  PrintPeerRecord record_;
  std::string port_;
  std::optional<ScriptedAcceptor> acceptor_;  // last: its thread uses the members above
};

}  // namespace norvane::testing
