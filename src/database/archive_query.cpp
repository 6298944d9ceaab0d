#include "database/archive_query.hpp"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "database/key_matching.hpp"
#include "database/stored_objects.hpp"
#include "dictionary/dictionary.hpp"
#include "elements/record_values.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

enum class Level { kPatient, kStudy, kSeries, kImage };

struct AttributeLevel {
  Tag tag;
  Level level;
};

// The attributes of the patient, study and series entities; every other attribute is one
// of the image. In the Study Root model the patient's attributes belong to the study. An
// attribute is answered from the first object of the entity at its level: the institution
// counts as the study's, as this system's study records (StudyInfo) have it, and the
// series attributes include those the index's series record holds.
constexpr AttributeLevel kAttributeLevels[] = {
    {tag::kPatientName, Level::kPatient},
    {tag::kPatientID, Level::kPatient},
    {tag::kIssuerOfPatientID, Level::kPatient},
    {tag::kPatientBirthDate, Level::kPatient},
    {tag::kPatientBirthTime, Level::kPatient},
    {tag::kPatientSex, Level::kPatient},
    {tag::kOtherPatientIDs, Level::kPatient},
    {tag::kOtherPatientNames, Level::kPatient},
    {tag::kEthnicGroup, Level::kPatient},
    {tag::kPatientComments, Level::kPatient},
    {tag::kNumberOfPatientRelatedStudies, Level::kPatient},
    {tag::kNumberOfPatientRelatedSeries, Level::kPatient},
    {tag::kNumberOfPatientRelatedInstances, Level::kPatient},
    {tag::kStudyDate, Level::kStudy},
    {tag::kInstitutionName, Level::kStudy},
    {tag::kStudyTime, Level::kStudy},
    {tag::kAccessionNumber, Level::kStudy},
    {tag::kModalitiesInStudy, Level::kStudy},
    {tag::kSOPClassesInStudy, Level::kStudy},
    {tag::kReferringPhysicianName, Level::kStudy},
    {tag::kStudyDescription, Level::kStudy},
    {tag::kPhysiciansOfRecord, Level::kStudy},
    {tag::kNameOfPhysiciansReadingStudy, Level::kStudy},
    {tag::kAdmittingDiagnosesDescription, Level::kStudy},
    {tag::kPatientAge, Level::kStudy},
    {tag::kPatientSize, Level::kStudy},
    {tag::kPatientWeight, Level::kStudy},
    {tag::kOccupation, Level::kStudy},
    {tag::kAdditionalPatientHistory, Level::kStudy},
    {tag::kStudyInstanceUID, Level::kStudy},
    {tag::kStudyID, Level::kStudy},
    {tag::kOtherStudyNumbers, Level::kStudy},
    {tag::kNumberOfStudyRelatedSeries, Level::kStudy},
    {tag::kNumberOfStudyRelatedInstances, Level::kStudy},
    {tag::kModality, Level::kSeries},
    {tag::kSeriesDate, Level::kSeries},
    {tag::kSeriesTime, Level::kSeries},
    {tag::kSeriesDescription, Level::kSeries},
    {tag::kManufacturer, Level::kSeries},
    {tag::kManufacturerModelName, Level::kSeries},
    {tag::kInstitutionalDepartmentName, Level::kSeries},
    {tag::kDeviceSerialNumber, Level::kSeries},
    {tag::kSoftwareVersions, Level::kSeries},
    {tag::kStationName, Level::kSeries},
    {tag::kPerformingPhysicianName, Level::kSeries},
    {tag::kOperatorsName, Level::kSeries},
    {tag::kBodyPartExamined, Level::kSeries},
    {tag::kProtocolName, Level::kSeries},
    {tag::kSeriesInstanceUID, Level::kSeries},
    {tag::kSeriesNumber, Level::kSeries},
    {tag::kLaterality, Level::kSeries},
    {tag::kPatientPosition, Level::kSeries},
    {tag::kFrameOfReferenceUID, Level::kSeries},
    {tag::kPerformedProcedureStepStartDate, Level::kSeries},
    {tag::kPerformedProcedureStepStartTime, Level::kSeries},
    {tag::kPerformedProcedureStepID, Level::kSeries},
    {tag::kPerformedProcedureStepDescription, Level::kSeries},
    {tag::kNumberOfSeriesRelatedInstances, Level::kSeries},
};

Level LevelOf(Tag tag, QueryModel model) {
  for (const AttributeLevel& entry : kAttributeLevels) {
    if (entry.tag == tag) {
      if (entry.level == Level::kPatient && model == QueryModel::kStudyRoot) return Level::kStudy;
      return entry.level;
    }
  }
  return Level::kImage;
}

std::optional<Level> ParseLevel(std::string_view text, QueryModel model) {
  if (text == "PATIENT" && model == QueryModel::kPatientRoot) return Level::kPatient;
  if (text == "STUDY") return Level::kStudy;
  if (text == "SERIES") return Level::kSeries;
  if (text == "IMAGE") return Level::kImage;
  return std::nullopt;
}

bool IsSequence(const TagRecord& record) {
  return record.VRIs("SQ") || record.HasUndefinedLength();
}

// One key of the request: its record as it came (VR from the dictionary when the
// message had none), its value as text and the level of its attribute.
struct QueryKey {
  TagRecord record;
  std::string value;
  Level level = Level::kImage;
  bool sequence = false;
  bool answeredOnly = false;  // the level, the character set, the retrieve title: never matched
};

std::vector<QueryKey> ReadKeys(const TagList& identifier, QueryModel model) {
  std::vector<QueryKey> keys;
  for (const TagRecord& record : TopLevel(identifier)) {
    QueryKey key;
    key.record.group = record.group;
    key.record.element = record.element;
    key.record.SetVR(record.VRText());
    if (!key.record.HasVR()) LookupVR(key.record);
    key.sequence = IsSequence(record) || key.record.VRIs("SQ");
    if (!key.sequence) {
      key.record.length = record.length;
      key.record.value = record.value;
      key.value = TrimmedText(record);
    }
    key.level = LevelOf(record.GetTag(), model);
    key.answeredOnly = record.Is(tag::kQueryRetrieveLevel) ||
                       record.Is(tag::kSpecificCharacterSet) || record.Is(tag::kRetrieveAETitle);
    keys.push_back(std::move(key));
  }
  return keys;
}

// The UIDs a unique key lists, or none when it matches every UID.
std::vector<std::string> ListedUIDs(const std::vector<QueryKey>& keys, Tag tag, Level queryLevel) {
  std::vector<std::string> uids;
  for (const QueryKey& key : keys) {
    if (!key.record.Is(tag) || key.level > queryLevel || key.value.empty() || key.value == "*")
      continue;
    std::string_view list = key.value;
    for (size_t start = 0;;) {
      const size_t end = list.find('\\', start);
      uids.emplace_back(TrimmedText(list.substr(start, end - start)));
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  return uids;
}

// What stands for one patient, study, series or image: the header of its first readable
// object and the values counted over its members.
struct Entity {
  TagList header;
  std::vector<std::pair<Tag, std::string>> counted;

  const std::string* Counted(Tag tag) const {
    for (const auto& [countedTag, text] : counted) {
      if (countedTag == tag) return &text;
    }
    return nullptr;
  }
};

// The stored value of an attribute as text for matching: numbers of binary VRs as
// decimal, texts as they stand; empty for a sequence or a missing attribute.
std::string StoredText(const Entity& entity, const QueryKey& key) {
  if (const std::string* text = entity.Counted(key.record.GetTag())) return *text;
  const TagRecord* stored = FindTopLevel(entity.header, key.record.GetTag());
  if (stored == nullptr || IsSequence(*stored)) return {};
  if (key.record.VRIs("US")) return std::to_string(FirstUS(*stored));
  if (key.record.VRIs("UL")) return std::to_string(FirstUL(*stored));
  return TrimmedText(*stored);
}

bool Matches(const Entity& entity, const std::vector<QueryKey>& keys, Level queryLevel) {
  return std::all_of(keys.begin(), keys.end(), [&](const QueryKey& key) {
    if (key.sequence || key.answeredOnly || key.level > queryLevel) return true;
    return MatchesKey(key.record.VRText(), key.value, StoredText(entity, key));
  });
}

TagRecord Answered(const QueryKey& key, std::span<const uint8_t> value) {
  return AnswerRecord(key.record, value);
}

std::span<const uint8_t> Bytes(std::string_view text) {
  return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool Asks(const std::vector<QueryKey>& keys, Tag tag) {
  return std::any_of(keys.begin(), keys.end(),
                     [tag](const QueryKey& key) { return key.record.Is(tag); });
}

TagRecord RetrieveAETitleRecord(std::string_view title) {
  TagRecord key;
  key.group = tag::kRetrieveAETitle.group;
  key.element = tag::kRetrieveAETitle.element;
  key.SetVR("AE");
  return AnswerRecord(key, Bytes(title));
}

// Each key answered in the request's order; Retrieve AE Title, which every answer carries,
// before the first key above it in tag order when it was not asked for.
TagList Answer(const Entity& entity, const std::vector<QueryKey>& keys, Level queryLevel,
               std::string_view retrieveAETitle) {
  TagList answer;
  bool titled = Asks(keys, tag::kRetrieveAETitle);
  for (const QueryKey& key : keys) {
    if (!titled && tag::kRetrieveAETitle < key.record.GetTag()) {
      answer.push_back(RetrieveAETitleRecord(retrieveAETitle));
      titled = true;
    }
    if (key.record.Is(tag::kQueryRetrieveLevel)) {
      answer.push_back(Answered(key, key.record.value));
      continue;
    }
    if (key.record.Is(tag::kRetrieveAETitle)) {
      answer.push_back(Answered(key, Bytes(retrieveAETitle)));
      continue;
    }
    if (key.sequence) {
      answer.push_back(Answered(key, {}));
      continue;
    }
    if (key.level > queryLevel) {
      answer.push_back(Answered(key, {}));
      continue;
    }
    if (const std::string* text = entity.Counted(key.record.GetTag())) {
      answer.push_back(Answered(key, Bytes(*text)));
      continue;
    }
    const TagRecord* stored = FindTopLevel(entity.header, key.record.GetTag());
    if (stored == nullptr || IsSequence(*stored)) {
      answer.push_back(Answered(key, {}));
    } else {
      answer.push_back(Answered(key, ValueBytes(*stored)));
    }
  }
  if (!titled) answer.push_back(RetrieveAETitleRecord(retrieveAETitle));
  return answer;
}

// Reads the first object of a series whose file can be read.
bool ReadFirstOfSeries(const IndexedStudy& study, const IndexedSeries& series, TagList& header) {
  for (const std::string& uid : series.sopInstanceUIDs) {
    if (ReadStoredInstance(study, series, uid, &header)) return true;
  }
  return false;
}

bool ReadFirstOfStudy(const IndexedStudy& study, TagList& header) {
  return std::any_of(study.series.begin(), study.series.end(), [&](const IndexedSeries& series) {
    return ReadFirstOfSeries(study, series, header);
  });
}

size_t InstanceCount(const IndexedStudy& study) {
  size_t count = 0;
  for (const IndexedSeries& series : study.series)
    count += series.sopInstanceUIDs.size();
  return count;
}

// The modalities of a study's series, each once, in index order, '\' between them.
std::string ModalitiesOf(const IndexedStudy& study) {
  std::vector<std::string> modalities;
  for (const IndexedSeries& series : study.series) {
    TagList header;
    if (!ReadFirstOfSeries(study, series, header)) continue;
    std::string modality = TrimmedText(header, tag::kModality);
    if (!modality.empty() &&
        std::find(modalities.begin(), modalities.end(), modality) == modalities.end()) {
      modalities.push_back(std::move(modality));
    }
  }
  std::string text;
  for (const std::string& modality : modalities) {
    if (!text.empty()) text += '\\';
    text += modality;
  }
  return text;
}

// Walks the catalogue at the query level and hands every entity with a readable object to
// `visit`, until it gives false.
template <typename Visit>
void ForEachEntity(const std::vector<IndexedStudy>& catalogue, Level level,
                   const std::vector<QueryKey>& keys, Visit visit) {
  switch (level) {
    case Level::kPatient: {
      // Patients are told apart by their ID, in the order their first study comes.
      std::vector<std::pair<std::string, Entity>> patients;
      std::vector<size_t> studies;
      std::vector<size_t> series;
      std::vector<size_t> instances;
      for (const IndexedStudy& study : catalogue) {
        TagList header;
        if (!ReadFirstOfStudy(study, header)) continue;
        const std::string id = TrimmedText(header, tag::kPatientID);
        auto found = std::find_if(patients.begin(), patients.end(),
                                  [&id](const auto& patient) { return patient.first == id; });
        size_t index = static_cast<size_t>(found - patients.begin());
        if (found == patients.end()) {
          patients.push_back({id, Entity{std::move(header), {}}});
          studies.push_back(0);
          series.push_back(0);
          instances.push_back(0);
        }
        ++studies[index];
        series[index] += study.series.size();
        instances[index] += InstanceCount(study);
      }
      for (size_t i = 0; i < patients.size(); ++i) {
        Entity& patient = patients[i].second;
        patient.counted = {{tag::kNumberOfPatientRelatedStudies, std::to_string(studies[i])},
                           {tag::kNumberOfPatientRelatedSeries, std::to_string(series[i])},
                           {tag::kNumberOfPatientRelatedInstances, std::to_string(instances[i])}};
        if (!visit(patient)) return;
      }
      return;
    }
    case Level::kStudy:
      for (const IndexedStudy& study : catalogue) {
        Entity entity;
        if (!ReadFirstOfStudy(study, entity.header)) continue;
        entity.counted = {
            {tag::kNumberOfStudyRelatedSeries, std::to_string(study.series.size())},
            {tag::kNumberOfStudyRelatedInstances, std::to_string(InstanceCount(study))}};
        if (Asks(keys, tag::kModalitiesInStudy)) {
          entity.counted.emplace_back(tag::kModalitiesInStudy, ModalitiesOf(study));
        }
        if (!visit(entity)) return;
      }
      return;
    case Level::kSeries:
      for (const IndexedStudy& study : catalogue) {
        for (const IndexedSeries& series : study.series) {
          Entity entity;
          if (!ReadFirstOfSeries(study, series, entity.header)) continue;
          entity.counted = {{tag::kNumberOfSeriesRelatedInstances,
                             std::to_string(series.sopInstanceUIDs.size())}};
          if (!visit(entity)) return;
        }
      }
      return;
    case Level::kImage:
      for (const IndexedStudy& study : catalogue) {
        for (const IndexedSeries& series : study.series) {
          for (const std::string& uid : series.sopInstanceUIDs) {
            Entity entity;
            if (ReadStoredInstance(study, series, uid, &entity.header) && !visit(entity)) return;
          }
        }
      }
      return;
  }
}

}  // namespace

QueryAnswer QueryStoredObjects(const std::string& root, QueryModel model, const TagList& identifier,
                               std::string_view retrieveAETitle) {
  QueryAnswer answer;
  QueryAnswer outcome =
      QueryStoredObjects(root, model, identifier, retrieveAETitle, [&answer](TagList match) {
        answer.matches.push_back(std::move(match));
        return true;
      });
  outcome.matches = std::move(answer.matches);
  return outcome;
}

QueryAnswer QueryStoredObjects(const std::string& root, QueryModel model, const TagList& identifier,
                               std::string_view retrieveAETitle, const MatchVisitor& visit) {
  QueryAnswer answer;
  const std::string levelText = TrimmedText(identifier, tag::kQueryRetrieveLevel);
  const std::optional<Level> level = ParseLevel(levelText, model);
  if (!level) {
    answer.identifierValid = false;
    answer.problem = levelText.empty() ? "no Query/Retrieve Level"
                                       : "Query/Retrieve Level '" + levelText +
                                             "' is not one of this information model";
    return answer;
  }
  const std::vector<QueryKey> keys = ReadKeys(identifier, model);
  const InstanceKeys unique{.patientIDs = {},
                            .studyInstanceUIDs = ListedUIDs(keys, tag::kStudyInstanceUID, *level),
                            .seriesInstanceUIDs = ListedUIDs(keys, tag::kSeriesInstanceUID, *level),
                            .sopInstanceUIDs = ListedUIDs(keys, tag::kSOPInstanceUID, *level)};
  const std::vector<IndexedStudy> catalogue = ReadStoredCatalogue(root, unique);
  ForEachEntity(catalogue, *level, keys, [&](const Entity& entity) {
    return !Matches(entity, keys, *level) || visit(Answer(entity, keys, *level, retrieveAETitle));
  });
  return answer;
}

}  // namespace norvane
