#include "app/service_calls.hpp"

#include "app/find_operation.hpp"
#include "app/worklist_operation.hpp"
#include "dimse/print_scu.hpp"
#include "dimse/store_scu.hpp"
#include "net/verification.hpp"

namespace norvane {

bool EchoService(const Settings& settings) {
  std::string calling = settings.localAET();
  return static_cast<bool>(
      EchoSCU(settings.host(), settings.port(), calling, settings.remoteAET()));
}

bool StoreService(const Settings& settings, const std::string& fileName,
                  std::string_view transferSyntaxUID) {
  std::string calling = settings.localAET();
  return StoreSCU(settings.host(), settings.port(), calling, settings.remoteAET(), fileName,
                  transferSyntaxUID, true)
      .Ok();
}

bool FindService(const Settings& settings, const QueryFilter& filter, const LineSink& out) {
  std::string calling = settings.localAET();
  return RunFindOperation(settings.host(), settings.port(), calling, settings.remoteAET(),
                          StudyQueryFromFilters(filter.PatientNameFilter, filter.DateFilter), out)
      .Ok();
}

bool WorklistService(const Settings& settings, const QueryFilter& filter, const LineSink& out) {
  std::string calling = settings.localAET();
  return RunWorklistOperation(settings.host(), settings.port(), calling, settings.remoteAET(),
                              WorklistQueryFromFilters(filter.PatientNameFilter, filter.DateFilter),
                              out)
      .Ok();
}

bool PrintService(const Settings& settings, const std::string& fileName,
                  const FilmSessioncfg& session, const FilmBoxcfg& box) {
  std::string calling = settings.localAET();
  return static_cast<bool>(PrintSCU_Ex(fileName, settings.host(), settings.port(), calling,
                                       settings.remoteAET(), session, box, true,
                                       settings.planarConfiguration() ? 1 : 0));
}

}  // namespace norvane
