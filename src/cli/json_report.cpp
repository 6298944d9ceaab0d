#include "cli/json_report.hpp"

#include "cli/options.hpp"
#include "net/pdu_service.hpp"

namespace norvane::cli {

Json PeerJson(const Peer& peer) {
  Json json = Json::object();
  json["host"] = peer.host;
  const std::optional<long> port = ParseNumber(peer.port);
  json["port"] = port ? Json(*port) : Json(peer.port);
  json["calledAET"] = peer.calledAET;
  json["callingAET"] = peer.callingAET;
  if (peer.tls.enabled) {
    json["tls"] = {{"profile", TlsProfileName(peer.tls.profile)},
                   {"verifyPeer", peer.tls.verifyPeer}};
  }
  return json;
}

AssociationSummary AgreedWith(const PDU_Service& pdu) {
  AssociationSummary summary;
  for (const NegotiatedContext& context : pdu.Contexts()) {
    if (context.Accepted()) {
      summary.acceptedContexts.push_back({context.abstractSyntax, context.transferSyntax});
    }
  }
  summary.implementationClassUID = pdu.Peer().implementationClassUID;
  summary.implementationVersionName = pdu.Peer().implementationVersionName;
  summary.maximumPDULength = pdu.Peer().maximumLength;
  return summary;
}

Json AssociationJson(const AssociationSummary& association) {
  Json contexts = Json::array();
  for (const AcceptedContext& context : association.acceptedContexts) {
    contexts.push_back(
        {{"abstractSyntax", context.abstractSyntax}, {"transferSyntax", context.transferSyntax}});
  }
  Json json = Json::object();
  json["acceptedContexts"] = std::move(contexts);
  json["implementationClassUID"] = association.implementationClassUID;
  json["implementationVersionName"] = association.implementationVersionName;
  json["maximumPDULength"] = association.maximumPDULength;
  return json;
}

JsonReport::JsonReport(std::string_view command) : start_(std::chrono::steady_clock::now()) {
  // The common fields first, filled in at the end.
  document_["command"] = command;
  document_["ok"] = false;
  document_["exitCode"] = nullptr;
  document_["elapsedMs"] = 0;
  document_["reason"] = nullptr;
}

void JsonReport::SetPeer(const Peer& peer) {
  document_["peer"] = PeerJson(peer);
}

void JsonReport::SetAssociation(const AssociationSummary& association) {
  document_["peer"]["association"] = AssociationJson(association);
}

std::string JsonReport::Finish(int exitCode, std::string_view reason) {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start_);
  document_["ok"] = exitCode == 0;
  document_["exitCode"] = exitCode;
  document_["elapsedMs"] = elapsed.count();
  document_["reason"] = reason.empty() ? Json(nullptr) : Json(reason);
  return document_.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace norvane::cli
