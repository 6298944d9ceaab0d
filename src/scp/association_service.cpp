#include "scp/association_service.hpp"

#include <string>

#include "dimse/dimse_exchange.hpp"
#include "log/log.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {
namespace {

// Answers a request that cannot be served with a failure status, after reading past the
// data set it announces: for the DIMSE-N services `nStatus`, for the others 0xC000. False
// when the association has ended.
bool Refuse(AcceptorAssociation& association, const ReceivedCommand& received, uint16_t nStatus,
            const std::string& why, const AssociationActivity& activity) {
  WriteLog("Refused: " + why);
  const DimseCommand& request = received.command;
  if (request.HasDataSet()) {
    TagList dropped;
    activity(true);
    if (!association.ReadMessage(dropped, ExpectedMessage::kDataSet)) return false;
    activity(false);
  }
  const bool nService = (request.commandField & 0xFF00) == 0x0100;
  DimseCommand response = ResponseTo(request, nService ? nStatus : kStatusCannotUnderstand);
  response.errorComment = why.substr(0, kMaxErrorComment);
  return SendCommand(association, received.contextID, response).Ok();
}

}  // namespace

void ServeAssociation(int connection, const StoreSCPSettings& settings,
                      const ServiceRegistry& services, const AssociationActivity& activity,
                      const TlsContext* tls) {
  AcceptorAssociation association;
  association.SetTrace(settings.trace);
  if (tls != nullptr) {
    const ServiceResult secured = association.Secure(connection, *tls, settings.artimTimeout);
    if (!secured) {
      WriteLog("TLS handshake refused: " + secured.reason);
      return;
    }
  }
  if (!association.Accept(connection, services.Policy())) return;
  association.SetReceiveProgress([&activity](size_t) { activity(true); });
  association.SetMessageLimit(settings.maxObjectSize);
  for (;;) {
    activity(true);
    const ReceivedCommand received = ReceiveCommand(association);
    // A failed read has ended the association and closed the connection.
    if (!association.Connected()) return;
    activity(false);
    const DimseCommand& command = received.command;
    // Nothing is in progress that a C-CANCEL-RQ could end.
    if (command.commandField == kCCancelRQ) continue;
    if (!IsKnownCommand(command.commandField) || command.IsResponse()) {
      WriteLog("Aborted: " + (received ? CommandWithArticle(command.commandField) +
                                             " is no request this SCP answers"
                                       : received.reason));
      association.AbortAssociation(kAbortSourceServiceProvider, kAbortReasonUnexpectedPdu);
      return;
    }
    if (!received) {
      if (!Refuse(association, received, kStatusProcessingFailure, received.reason, activity)) {
        return;
      }
      continue;
    }
    const std::string_view sopClass = association.AbstractSyntaxOf(received.contextID);
    const ServiceHandler* handler = services.HandlerFor(sopClass, command.commandField);
    if (handler == nullptr) {
      const std::string why = CommandFieldName(command.commandField) + " is not served on " +
                              std::string(sopClass.empty() ? "this context" : sopClass);
      if (!Refuse(association, received, kStatusUnrecognizedOperation, why, activity)) return;
      continue;
    }
    ServiceRequest serving(association, command, received.contextID, settings, activity);
    if (!handler->Handle(serving) || !association.Connected()) return;
  }
}

}  // namespace norvane
