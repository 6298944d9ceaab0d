#include "dimse/store_files.hpp"

#include <algorithm>
#include <optional>

#include "dimse/store_contexts.hpp"
#include "dimse/store_scu.hpp"
#include "elements/tag_list.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"

namespace norvane {
namespace {

// Consecutive files sent over one association, and the contexts it proposes.
struct Run {
  size_t first = 0;
  size_t end = 0;
  std::vector<ContextProposal> contexts;
};

// A file as the scan found it: sendable, with its contexts, or failed with its result.
struct ScannedFile {
  std::optional<StoreResult> failure;
  std::vector<ContextProposal> contexts;
  bool read = false;  // read whole by the scan
};

// Planned from the file's header where it settles the contexts, so that the file is read
// whole only once, for its sending; otherwise read whole, into `dataset` and `result`.
ScannedFile Scan(const std::string& file, std::string_view preferred, bool convert,
                 TagList& dataset, StoreResult& result) {
  ScannedFile scanned;
  if (std::optional<std::vector<ContextProposal>> contexts =
          StoreContextsFromHeader(file, preferred, convert)) {
    scanned.contexts = std::move(*contexts);
    return scanned;
  }
  if (!LoadObjectForStore(file, dataset, result) || !UsableSOPClass(result)) {
    scanned.failure = result;
    return scanned;
  }
  scanned.contexts = StoreContexts(dataset, result.sopClass, result.fileSyntax, preferred, convert);
  scanned.read = true;
  return scanned;
}

std::vector<Run> PlanRuns(const std::vector<ScannedFile>& scanned) {
  std::vector<Run> runs;
  for (size_t i = 0; i < scanned.size(); ++i) {
    if (runs.empty() || !AddContexts(runs.back().contexts, scanned[i].contexts)) {
      runs.push_back(Run{i, i, {}});
      AddContexts(runs.back().contexts, scanned[i].contexts);
    }
    runs.back().end = i + 1;
  }
  return runs;
}

}  // namespace

std::vector<StoreResult> StoreFiles(const AssociationParameters& peer,
                                    const std::vector<std::string>& files,
                                    std::string_view preferredTransferSyntax, bool convert,
                                    const StoreFileReport& report) {
  // Files are planned from their headers; the first one read whole by its scan is kept for
  // its sending, so that a file the header does not settle is read twice only when it is
  // not the first.
  std::vector<ScannedFile> scanned;
  scanned.reserve(files.size());
  TagList firstDataset;
  StoreResult firstResult;
  for (size_t i = 0; i < files.size(); ++i) {
    TagList dataset;
    StoreResult result;
    scanned.push_back(Scan(files[i], preferredTransferSyntax, convert, dataset, result));
    if (i == 0 && scanned.back().read) {
      firstDataset = std::move(dataset);
      firstResult = std::move(result);
    }
  }
  std::vector<StoreResult> results(files.size());
  const auto finish = [&](size_t i, StoreResult result) {
    results[i] = std::move(result);
    if (report) report(i, results[i]);
  };

  for (const Run& run : PlanRuns(scanned)) {
    std::optional<RequesterAssociation> pdu;
    ServiceResult association = ServiceResult::Success();
    for (size_t i = run.first; i < run.end; ++i) {
      if (scanned[i].failure) {
        finish(i, std::move(*scanned[i].failure));
        continue;
      }
      const bool kept = i == 0 && scanned[i].read;
      StoreResult result = kept ? std::move(firstResult) : StoreResult();
      TagList dataset = kept ? std::move(firstDataset) : TagList();
      // Read before the association is opened, so that no association is opened for a file
      // that cannot be sent.
      if (!kept && (!LoadObjectForStore(files[i], dataset, result) || !UsableSOPClass(result))) {
        finish(i, std::move(result));
        continue;
      }
      // Opened for the first file that needs it, and again when the peer ended it.
      if (!pdu || (association && !pdu->Connected())) {
        if (pdu) CloseAssoc(*pdu);
        pdu.emplace();
        if (LogLevel() > 1) pdu->SetTrace(true);
        association = WithProposal(OpenAssoc(*pdu, peer, run.contexts), run.contexts, convert);
      }
      if (association) {
        ExchangeStore(*pdu, dataset, result.sopClass, convert, result, preferredTransferSyntax);
      } else {
        result.Set(association);
      }
      finish(i, std::move(result));
    }
    if (pdu) CloseAssoc(*pdu);
  }
  return results;
}

}  // namespace norvane
