#include "scp/storage_service.hpp"

#include <optional>
#include <string>

#include "dictionary/storage_sop_classes.hpp"
#include "dimse/store_response.hpp"
#include "scp/incoming_file.hpp"
#include "scp/storage_syntaxes.hpp"
#include "scp/store_thread.hpp"

namespace norvane {

bool StorageService::Serves(std::string_view sopClass) const {
  return IsAcceptedStorageClass(sopClass) || (allStorageClasses_ && IsStorageSOPClass(sopClass));
}

std::string_view StorageService::ChooseTransferSyntax(std::string_view sopClass,
                                                      const std::vector<UIDitem>& proposed) const {
  return norvane::ChooseTransferSyntax(sopClass, proposed);
}

bool StorageService::GrantsRequesterScpRole(std::string_view sopClass) const {
  return IsStorageSOPClass(sopClass);
}

std::string_view StorageService::ChooseSyntaxToSend(std::string_view sopClass,
                                                    const std::vector<UIDitem>& proposed) const {
  return norvane::ChooseSyntaxToSend(sopClass, proposed);
}

bool StorageService::Handle(ServiceRequest& request) const {
  if (!request.Command().HasDataSet()) {
    DimseCommand refusal = StoreResponse(request.Command(), kStatusCannotUnderstand);
    refusal.errorComment = "the C-STORE-RQ announces no data set";
    return request.Respond(refusal).Ok();
  }
  AcceptorAssociation& association = request.Association();
  const StoreSCPSettings& settings = request.Settings();
  TagList dataset;
  // The data set is due on the command's context; the pixels go into their file as they
  // arrive, in that context's syntax.
  IncomingFile incoming(settings.folder,
                        association.GetTransferSyntax(request.ContextID()).value_or(""));
  association.SetReceivedValueSink(&incoming);
  request.AwaitingPeer();
  const MessageRead read = association.ReadMessage(dataset, ExpectedMessage::kDataSet);
  association.SetReceivedValueSink(nullptr);
  if (!read) return false;
  request.Working();

  StoreReport report;
  report.callingApTitle = request.CallingApTitle();
  report.outcome =
      StoreThread(settings.folder, std::move(dataset),
                  association.GetTransferSyntax(read.contextID).value_or(""), &incoming)
          .Run();
  report.answered =
      WriteStoreRSP(association, request.Command(), request.ContextID(), report.outcome.status)
          .Ok();
  if (settings.observer) settings.observer(report);
  return true;
}

}  // namespace norvane
