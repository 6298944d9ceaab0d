#include "app/service_calls.hpp"

#include "app/find_operation.hpp"
#include "app/worklist_operation.hpp"
#include "dimse/print_scu.hpp"
#include "dimse/store_scu.hpp"
#include "dimse/verification.hpp"

namespace norvane {

AssociationParameters PeerOfSettings(const Settings& settings) {
  AssociationParameters peer;
  peer.host = settings.host();
  peer.port = settings.port();
  peer.callingAETitle = settings.localAET();
  peer.calledAETitle = settings.remoteAET();
  return peer;
}

ServiceResult EchoService(const Settings& settings) {
  return EchoSCU(PeerOfSettings(settings));
}

ServiceResult StoreService(const Settings& settings, const std::string& fileName,
                           std::string_view transferSyntaxUID) {
  return StoreSCU(PeerOfSettings(settings), fileName, transferSyntaxUID, true);
}

ServiceResult FindService(const Settings& settings, const QueryFilter& filter,
                          const LineSink& out) {
  return RunFindOperation(PeerOfSettings(settings),
                          StudyQueryFromFilters(filter.PatientNameFilter, filter.DateFilter), out);
}

ServiceResult WorklistService(const Settings& settings, const QueryFilter& filter,
                              const LineSink& out) {
  return RunWorklistOperation(PeerOfSettings(settings),
                              WorklistQueryFromFilters(filter.PatientNameFilter, filter.DateFilter),
                              out);
}

ServiceResult PrintService(const Settings& settings, const std::string& fileName,
                           const FilmSessioncfg& session, const FilmBoxcfg& box) {
  return PrintSCU_Ex(fileName, PeerOfSettings(settings), session, box, true,
                     settings.planarConfiguration() ? 1 : 0);
}

}  // namespace norvane
