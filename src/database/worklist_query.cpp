#include "database/worklist_query.hpp"

#include <algorithm>
#include <filesystem>

#include "database/key_matching.hpp"
#include "database/nested_dataset.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "elements/record_values.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

const NestedElement* Find(const NestedItem& item, Tag tag) {
  for (const NestedElement& element : item) {
    if (element.record.GetTag() == tag) return &element;
  }
  return nullptr;
}

// The stored value as text for matching: a number of the VR US as decimal.
std::string StoredText(const NestedElement& key, const NestedElement& stored) {
  if (key.record.VRIs("US")) return std::to_string(FirstUS(stored.record));
  return TrimmedText(stored.record);
}

bool Universal(const NestedItem& keys) {
  return std::all_of(keys.begin(), keys.end(), [](const NestedElement& key) {
    if (key.sequence) return key.items.empty() || Universal(key.items.front());
    const std::string value = TrimmedText(key.record);
    return value.empty() || value == "*";
  });
}

bool ItemMatches(const NestedItem& keys, const NestedItem& stored) {
  return std::all_of(keys.begin(), keys.end(), [&stored](const NestedElement& key) {
    if (key.record.Is(tag::kSpecificCharacterSet)) return true;
    const NestedElement* value = Find(stored, key.record.GetTag());
    if (key.sequence) {
      if (key.items.empty() || Universal(key.items.front())) return true;
      if (value == nullptr || !value->sequence) return false;
      return std::any_of(value->items.begin(), value->items.end(), [&key](const NestedItem& item) {
        return ItemMatches(key.items.front(), item);
      });
    }
    const std::string text = value != nullptr && !value->sequence ? StoredText(key, *value) : "";
    return MatchesKey(key.record.VRText(), TrimmedText(key.record), text);
  });
}

NestedItem AnswerItem(const NestedItem& keys, const NestedItem& stored) {
  NestedItem answer;
  for (const NestedElement& key : keys) {
    const NestedElement* value = Find(stored, key.record.GetTag());
    NestedElement element;
    element.sequence = key.sequence;
    if (!key.sequence) {
      const bool has = value != nullptr && !value->sequence;
      element.record =
          AnswerRecord(key.record, has ? ValueBytes(value->record) : std::span<const uint8_t>());
    } else {
      element.record = AnswerRecord(key.record, {});
      if (value != nullptr && value->sequence) {
        for (const NestedItem& item : value->items) {
          if (key.items.empty()) {
            element.items.push_back(item);
          } else if (ItemMatches(key.items.front(), item)) {
            element.items.push_back(AnswerItem(key.items.front(), item));
          }
        }
      }
    }
    answer.push_back(std::move(element));
  }
  return answer;
}

// A worklist item holds at least one scheduled procedure step; a file without one was cut
// short or is no worklist item.
bool HoldsAStep(const NestedItem& item) {
  for (const NestedElement& element : item) {
    if (element.record.Is(tag::kScheduledProcedureStepSequence)) {
      return element.sequence && !element.items.empty();
    }
  }
  return false;
}

// The worklist files of the folder in name order.
std::vector<std::filesystem::path> WorklistFiles(const std::string& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::error_code typeError;
    if (entry.is_regular_file(typeError) && entry.path().extension() == kWorklistFileExtension)
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

QueryAnswer QueryWorklist(const std::string& folder, const TagList& identifier, bool explicitVR) {
  QueryAnswer answer;
  QueryAnswer outcome = QueryWorklist(folder, identifier, explicitVR, [&answer](TagList match) {
    answer.matches.push_back(std::move(match));
    return true;
  });
  outcome.matches = std::move(answer.matches);
  return outcome;
}

QueryAnswer QueryWorklist(const std::string& folder, const TagList& identifier, bool explicitVR,
                          const MatchVisitor& visit) {
  QueryAnswer answer;
  const std::optional<NestedItem> keys = NestDataset(identifier, explicitVR);
  if (!keys) {
    answer.identifierValid = false;
    answer.problem = "the identifier's sequences cannot be read";
    return answer;
  }
  for (const std::filesystem::path& path : WorklistFiles(folder)) {
    const DicomFileContent file = DICOMFile(path.string());
    const std::string name = path.string();
    if (!file.Ok()) {
      answer.skipped.push_back(name + " " + std::string(Describe(file.status)));
      continue;
    }
    if (file.bigEndian) {
      answer.skipped.push_back(name + " is big endian, which worklist queries do not read");
      continue;
    }
    const std::optional<NestedItem> stored = NestDataset(file.dataset, file.explicitVR);
    if (!stored) {
      answer.skipped.push_back(name + " has sequences that cannot be read");
      continue;
    }
    if (!HoldsAStep(*stored)) {
      answer.skipped.push_back(name +
                               " holds no Scheduled Procedure Step Sequence item (cut short?)");
      continue;
    }
    if (!ItemMatches(*keys, *stored)) continue;
    if (!visit(FlattenDataset(AnswerItem(*keys, *stored)))) break;
  }
  return answer;
}

}  // namespace norvane
