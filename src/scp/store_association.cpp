#include "scp/store_association.hpp"

#include <algorithm>
#include <optional>
#include <string>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/pdu_service.hpp"
#include "net/verification.hpp"
#include "scp/acceptor_policy.hpp"
#include "scp/store_response.hpp"
#include "scp/store_thread.hpp"

namespace norvane {
namespace {

std::string TrimmedTitle(std::string_view title) {
  const auto isPad = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  const auto first = std::find_if_not(title.begin(), title.end(), isPad);
  const auto last = std::find_if_not(title.rbegin(), title.rend(), isPad).base();
  return first < last ? std::string(first, last) : std::string();
}

bool AnnouncesDataSet(const TagList& command) {
  return GetTagUS(command, tag::kCommandDataSetType) != kNoDataSet;
}

// A command the SCP does not serve: its data set is read so that the peer's answer to the
// release is not mistaken for it, then the association is released.
void RefuseCommand(PDU_Service& pdu, const TagList& command) {
  if (AnnouncesDataSet(command)) {
    TagList dataset;
    if (!pdu.ReadMessage(dataset)) return;
  }
  pdu.ReleaseAssociation();
}

// One C-STORE request; false when the association has ended.
bool ServeStore(PDU_Service& pdu, const TagList& command, uint8_t commandContextID,
                const StoreSCPSettings& settings) {
  if (!AnnouncesDataSet(command)) {
    pdu.ReleaseAssociation();
    return false;
  }
  TagList dataset;
  if (!pdu.ReadMessage(dataset)) return false;
  // Only a request that can be answered is stored: the peer must learn the outcome.
  if (!BuildStoreRSP(command, kStatusSuccess)) return true;

  const std::optional<std::string> transferSyntax =
      pdu.GetTransferSyntax(pdu.pDataTF().MessageContextID());
  StoreReport report;
  report.callingApTitle = TrimmedTitle(pdu.assocRQ().CallingApTitle());
  report.outcome =
      StoreThread(settings.folder, std::move(dataset), transferSyntax.value_or("")).Run();
  report.answered = WriteStoreRSP(pdu, command, commandContextID, report.outcome.status);
  if (settings.observer) settings.observer(report);
  return true;
}

}  // namespace

void ServeAssociation(int connection, const StoreSCPSettings& settings) {
  PDU_Service pdu;
  pdu.SetTrace(settings.trace);
  if (!pdu.AcceptAssociation(connection, StorageAcceptorPolicy())) return;
  for (;;) {
    TagList command;
    // A failed read has ended the association and closed the connection.
    if (!pdu.ReadMessage(command)) return;
    const uint8_t contextID = pdu.pDataTF().MessageContextID();
    switch (GetTagUS(command, tag::kCommandField)) {
      case kCStoreRQ:
        if (!ServeStore(pdu, command, contextID, settings)) return;
        break;
      case kCEchoRQ:
        WriteEchoRSP(pdu, command);
        break;
      default:
        RefuseCommand(pdu, command);
        return;
    }
  }
}

}  // namespace norvane
