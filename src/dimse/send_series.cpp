#include "dimse/send_series.hpp"

#include <sys/stat.h>

#include <algorithm>

#include "database/index_file.hpp"
#include "database/index_record.hpp"
#include "dimse/dicom_files.hpp"
#include "dimse/store_contexts.hpp"
#include "dimse/store_scu.hpp"
#include "elements/tag_list.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "platform/folders.hpp"

namespace norvane {
namespace {

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// The series' result once every file has one: that of the first file not stored.
ServiceResult OutcomeOfFiles(const std::vector<StoreResult>& results) {
  const auto notStored =
      std::count_if(results.begin(), results.end(), [](const StoreResult& r) { return !r.Ok(); });
  if (notStored == 0) return ServiceResult::Success();
  const StoreResult& first =
      *std::find_if(results.begin(), results.end(), [](const StoreResult& r) { return !r.Ok(); });
  return ServiceResult::Failed(
      first.failure,
      std::to_string(notStored) + " of " + std::to_string(results.size()) + " files not stored",
      first.status);
}

}  // namespace

std::optional<std::vector<std::string>> SeriesFiles(const std::string& folder) {
  const std::string prefix = WithTrailingSeparator(folder);
  const std::string indexPath = prefix + std::string(kImageIndexFile);
  std::vector<std::string> files;
  if (!PathExists(indexPath)) {
    ListDicomFiles(prefix, files);
    return files;
  }
  const std::optional<std::vector<std::string>> lines = ReadIndexLines(indexPath);
  if (!lines) return std::nullopt;
  files.reserve(lines->size());
  for (const std::string& line : *lines) {
    files.push_back(prefix + GetField(line, kIndexFieldSeparator, kImageFileField) +
                    std::string(kStoredFileExtension));
  }
  return files;
}

SeriesResult SendSeries(const AssociationParameters& peer, const std::string& folder,
                        std::string_view preferredTransferSyntax, bool convert,
                        const SeriesProgress& progress) {
  SeriesResult series;
  std::optional<std::vector<std::string>> files = SeriesFiles(folder);
  if (!files) {
    series.Set(ServiceResult::Failed(
        ServiceFailure::kLocal,
        WithTrailingSeparator(folder) + std::string(kImageIndexFile) + " cannot be read"));
    return series;
  }
  series.files = std::move(*files);
  if (series.files.empty()) {
    series.Set(ServiceResult::Failed(
        ServiceFailure::kLocal,
        "no files to send in " + folder + " (no Image.dir lines and no DICOM files)"));
    return series;
  }

  // The first file names the SOP class and the file syntax the context proposes.
  StoreResult first;
  TagList firstDataset;
  if (!LoadObjectForStore(series.files.front(), firstDataset, first) || !UsableSOPClass(first)) {
    series.Set(ServiceResult::Failed(
        first.failure, "the series' SOP class comes from the first file, which cannot be used"));
    series.results.push_back(std::move(first));
    return series;
  }
  series.sopClass = first.sopClass;

  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  // The first file's contexts serve the series: each later file goes out on the first of
  // them it can be had in.
  const std::vector<ContextProposal> contexts = StoreContexts(
      firstDataset, series.sopClass, first.fileSyntax, preferredTransferSyntax, convert);
  ServiceResult association = WithProposal(OpenAssoc(pdu, peer, contexts), contexts, convert);
  if (!association) {
    series.Set(std::move(association));
    CloseAssoc(pdu);
    return series;
  }
  series.associated = true;
  series.results.reserve(series.files.size());
  for (size_t i = 0; i < series.files.size(); ++i) {
    // One file's data set at a time: a series may be larger than memory. The first one
    // is already loaded.
    StoreResult result = i == 0 ? std::move(first) : StoreResult();
    TagList dataset = i == 0 ? std::move(firstDataset) : TagList();
    if (i == 0 || LoadObjectForStore(series.files[i], dataset, result)) {
      ExchangeStore(pdu, dataset, series.sopClass, convert, result, preferredTransferSyntax);
    }
    series.results.push_back(std::move(result));
    if (progress) progress(i, series.files.size(), series.files[i], series.results.back());
  }
  CloseAssoc(pdu);
  series.Set(OutcomeOfFiles(series.results));
  return series;
}

}  // namespace norvane
