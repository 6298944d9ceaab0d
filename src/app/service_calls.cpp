#include "app/service_calls.hpp"

#include "app/find_operation.hpp"
#include "app/worklist_operation.hpp"
#include "dimse/print_scu.hpp"
#include "dimse/store_scu.hpp"
#include "dimse/verification.hpp"

namespace norvane {

AssociationParameters PeerOfSettings(const Settings& settings, const TlsSettings& tls) {
  AssociationParameters peer;
  peer.host = settings.host();
  peer.port = settings.port();
  peer.callingAETitle = settings.localAET();
  peer.calledAETitle = settings.remoteAET();
  peer.tls = tls;
  return peer;
}

ServiceResult EchoService(const Settings& settings, const TlsSettings& tls) {
  return EchoSCU(PeerOfSettings(settings, tls));
}

ServiceResult StoreService(const Settings& settings, const std::string& fileName,
                           std::string_view transferSyntaxUID, const TlsSettings& tls) {
  return StoreSCU(PeerOfSettings(settings, tls), fileName, transferSyntaxUID, true);
}

ServiceResult FindService(const Settings& settings, const QueryFilter& filter, const LineSink& out,
                          const TlsSettings& tls) {
  return RunFindOperation(PeerOfSettings(settings, tls),
                          StudyQueryFromFilters(filter.PatientNameFilter, filter.DateFilter), out);
}

ServiceResult WorklistService(const Settings& settings, const QueryFilter& filter,
                              const LineSink& out, const TlsSettings& tls) {
  return RunWorklistOperation(PeerOfSettings(settings, tls),
                              WorklistQueryFromFilters(filter.PatientNameFilter, filter.DateFilter),
                              out);
}

ServiceResult PrintService(const Settings& settings, const std::string& fileName,
                           const FilmSessioncfg& session, const FilmBoxcfg& box,
                           const TlsSettings& tls) {
  return PrintSCU_Ex(fileName, PeerOfSettings(settings, tls), session, box, true,
                     settings.planarConfiguration() ? 1 : 0);
}

}  // namespace norvane
