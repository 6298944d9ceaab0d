#include "database/stored_objects.hpp"

#include <algorithm>
#include <unordered_set>

#include "database/index_file.hpp"
#include "database/index_record.hpp"
#include "database/store_uid.hpp"
#include "datadec/dicom_header_reader.hpp"
#include "elements/record_values.hpp"
#include "elements/tags.hpp"
#include "platform/folders.hpp"

namespace norvane {
namespace {

// The fields of the index records that name a folder or file, and the study's patient.
constexpr int kStudyUIDField = 1;
constexpr int kSeriesUIDField = 2;
constexpr int kPatientIDField = 4;

// The values of one field that select a line, as the index writes them: empty selects
// every line.
class FieldSelection {
 public:
  FieldSelection(int field, const std::vector<std::string>& values) : field_(field) {
    for (const std::string& value : values)
      values_.insert(IndexFieldText(std::string(TrimmedText(value)), kCommaInText));
  }
  int Field() const { return field_; }
  bool Selects(std::string_view line) const {
    return values_.empty() || values_.contains(GetField(line, kIndexFieldSeparator, field_));
  }

 private:
  int field_;
  std::unordered_set<std::string> values_;
};

const FieldSelection kEveryLine(0, {});

// The names in the selection's field of an index file that can name a folder or file, of
// the lines that `selection` and `also` select, each once, in the order of their first line.
std::vector<std::string> IndexedNames(const std::string& indexPath, const FieldSelection& selection,
                                      const FieldSelection& also = kEveryLine) {
  std::vector<std::string> names;
  const auto lines = ReadIndexLines(indexPath);
  if (!lines) return names;
  std::unordered_set<std::string> seen;
  for (const std::string& line : *lines) {
    if (!selection.Selects(line) || !also.Selects(line)) continue;
    std::string name = GetField(line, kIndexFieldSeparator, selection.Field());
    if (!IsSafeStoreName(name)) continue;
    if (seen.insert(name).second) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace

std::vector<IndexedStudy> ReadStoredCatalogue(const std::string& root, const InstanceKeys& keys) {
  const FieldSelection patients(kPatientIDField, keys.patientIDs);
  const FieldSelection studies(kStudyUIDField, keys.studyInstanceUIDs);
  const FieldSelection series(kSeriesUIDField, keys.seriesInstanceUIDs);
  const FieldSelection instances(kImageFileField, keys.sopInstanceUIDs);
  const std::string rootFolder = WithTrailingSeparator(root);

  std::vector<IndexedStudy> catalogue;
  for (std::string& studyUID :
       IndexedNames(rootFolder + std::string(kStudyIndexFile), studies, patients)) {
    IndexedStudy study;
    study.folder = rootFolder + studyUID + "/";
    study.studyInstanceUID = std::move(studyUID);
    for (std::string& seriesUID :
         IndexedNames(study.folder + std::string(kSeriesIndexFile), series)) {
      IndexedSeries entry;
      entry.folder = study.folder + seriesUID + "/";
      entry.seriesInstanceUID = std::move(seriesUID);
      entry.sopInstanceUIDs = IndexedNames(entry.folder + std::string(kImageIndexFile), instances);
      if (!entry.sopInstanceUIDs.empty()) study.series.push_back(std::move(entry));
    }
    if (!study.series.empty()) catalogue.push_back(std::move(study));
  }
  return catalogue;
}

std::string StoredFilePath(const IndexedSeries& series, const std::string& sopInstanceUID) {
  return series.folder + sopInstanceUID + std::string(kStoredFileExtension);
}

std::optional<StoredInstance> ReadStoredInstance(const IndexedStudy& study,
                                                 const IndexedSeries& series,
                                                 const std::string& sopInstanceUID,
                                                 TagList* header) {
  StoredInstance instance;
  instance.filePath = StoredFilePath(series, sopInstanceUID);
  TagList read;
  if (!DICOMHeader(instance.filePath, read)) return std::nullopt;
  instance.studyInstanceUID = study.studyInstanceUID;
  instance.seriesInstanceUID = series.seriesInstanceUID;
  instance.sopInstanceUID = sopInstanceUID;
  instance.transferSyntax = GetStoreUID(read, tag::kTransferSyntaxUID);
  instance.sopClassUID = GetStoreUID(read, tag::kSOPClassUID);
  if (instance.sopClassUID.empty()) {
    instance.sopClassUID = GetStoreUID(read, tag::kMediaStorageSOPClassUID);
  }
  if (instance.transferSyntax.empty() || instance.sopClassUID.empty()) return std::nullopt;
  if (header != nullptr) *header = std::move(read);
  return instance;
}

StoredInstances ListStoredInstances(const std::string& root, const InstanceKeys& keys) {
  StoredInstances listing;
  for (const IndexedStudy& study : ReadStoredCatalogue(root, keys)) {
    for (const IndexedSeries& series : study.series) {
      for (const std::string& uid : series.sopInstanceUIDs) {
        if (auto instance = ReadStoredInstance(study, series, uid)) {
          listing.instances.push_back(std::move(*instance));
        } else {
          listing.unreadableFiles.push_back(StoredFilePath(series, uid));
        }
      }
    }
  }
  return listing;
}

}  // namespace norvane
