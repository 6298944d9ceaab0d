#include "scp/store_association.hpp"

#include <algorithm>
#include <optional>
#include <string>

#include "dimse/store_response.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/pdu_service.hpp"
#include "net/verification.hpp"
#include "scp/acceptor_policy.hpp"
#include "scp/find_service.hpp"
#include "scp/incoming_file.hpp"
#include "scp/retrieve_service.hpp"
#include "scp/store_thread.hpp"

namespace norvane {
namespace {

bool AnnouncesDataSet(const TagList& command) {
  return GetTagUS(command, tag::kCommandDataSetType) != kNoDataSet;
}

// A command the SCP does not serve: its data set is read so that the peer's answer to the
// release is not mistaken for it, then the association is released.
void RefuseCommand(PDU_Service& pdu, const TagList& command, const AssociationActivity& activity) {
  if (AnnouncesDataSet(command)) {
    TagList dataset;
    activity(true);
    if (!pdu.ReadMessage(dataset, ExpectedMessage::kDataSet)) return;
  }
  // The peer's answer to the release is awaited under the idle limit.
  activity(true);
  pdu.ReleaseAssociation();
}

// One C-STORE request; false when the association has ended.
bool ServeStore(PDU_Service& pdu, const TagList& command, uint8_t commandContextID,
                const StoreSCPSettings& settings, const AssociationActivity& activity) {
  activity(true);
  if (!AnnouncesDataSet(command)) {
    pdu.ReleaseAssociation();
    return false;
  }
  TagList dataset;
  // The data set is due on the command's context; the pixels go into their file as they
  // arrive, in that context's syntax.
  IncomingFile incoming(settings.folder, pdu.GetTransferSyntax(commandContextID).value_or(""));
  pdu.SetReceivedValueSink(&incoming);
  const bool read = pdu.ReadMessage(dataset, ExpectedMessage::kDataSet);
  pdu.SetReceivedValueSink(nullptr);
  if (!read) return false;
  activity(false);
  // Only a request that can be answered is stored: the peer must learn the outcome.
  if (!BuildStoreRSP(command, kStatusSuccess)) return true;

  const std::optional<std::string> transferSyntax =
      pdu.GetTransferSyntax(pdu.pDataTF().MessageContextID());
  StoreReport report;
  report.callingApTitle = TrimmedText(pdu.assocRQ().CallingApTitle());
  report.outcome =
      StoreThread(settings.folder, std::move(dataset), transferSyntax.value_or(""), &incoming)
          .Run();
  report.answered = WriteStoreRSP(pdu, command, commandContextID, report.outcome.status);
  if (settings.observer) settings.observer(report);
  return true;
}

}  // namespace

void ServeAssociation(int connection, const StoreSCPSettings& settings,
                      const AssociationActivity& activity) {
  PDU_Service pdu;
  pdu.SetTrace(settings.trace);
  const AcceptedServices services{.allStorage = settings.acceptAllStorage,
                                  .worklist = !settings.worklistFolder.empty()};
  if (!pdu.AcceptAssociation(connection, StorageAcceptorPolicy(services))) return;
  pdu.SetReceiveProgress([&activity] { activity(true); });
  for (;;) {
    TagList command;
    activity(true);
    // A failed read has ended the association and closed the connection.
    if (!pdu.ReadMessage(command, ExpectedMessage::kCommand)) return;
    activity(false);
    const uint8_t contextID = pdu.pDataTF().MessageContextID();
    switch (GetTagUS(command, tag::kCommandField)) {
      case kCStoreRQ:
        if (!ServeStore(pdu, command, contextID, settings, activity)) return;
        break;
      case kCEchoRQ:
        WriteEchoRSP(pdu, command);
        break;
      case kCFindRQ:
        if (!ServeFind(pdu, command, contextID, settings, activity)) return;
        break;
      case kCMoveRQ:
        if (!ServeMove(pdu, command, contextID, settings, activity)) return;
        break;
      case kCGetRQ:
        if (!ServeGet(pdu, command, contextID, settings, activity)) return;
        break;
      case kCCancelRQ:  // a C-FIND's or C-MOVE's responses are all sent by the time it is read
        break;
      default:
        RefuseCommand(pdu, command, activity);
        return;
    }
  }
}

}  // namespace norvane
