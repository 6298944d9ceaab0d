#include "rddcmdir/read_dcmdir.hpp"

#include <optional>
#include <unordered_set>

#include "datadec/dicom_file_format.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/element_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/byte_order.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"
#include "platform/file_bytes.hpp"

namespace norvane {
namespace {

enum class Level { kPatient, kStudy, kSeries, kImage };

// The links and the type of one directory record.
struct RecordHead {
  uint32_t next = 0;   // 0: last record of its level
  uint32_t lower = 0;  // 0: no lower level
  std::optional<TagRecord> type;
};

Tag TagOf(const ElementHeader& header) {
  return Tag{header.group, header.element};
}

bool FitsLevel(Level level, const TagRecord& type) {
  switch (level) {
    case Level::kPatient:
      return TrimmedText(ValueText(type)) == "PATIENT";
    case Level::kStudy:
      return TrimmedText(ValueText(type)) == "STUDY";
    case Level::kSeries:
      return TrimmedText(ValueText(type)) == "SERIES";
    case Level::kImage:
      return true;
  }
  return false;
}

TagRecord Marker(Level level, const TagRecord& type) {
  std::string_view value;
  switch (level) {
    case Level::kPatient:
      value = kPatientMarker;
      break;
    case Level::kStudy:
      value = kStudyMarker;
      break;
    case Level::kSeries:
      value = kSeriesMarker;
      break;
    case Level::kImage:
      return type;
  }
  return GenerateTextTag(tag::kDirectoryRecordType, type.VRText(), value);
}

class DirectoryReader {
 public:
  explicit DirectoryReader(std::span<const uint8_t> bytes)
      : reader_(bytes, /*explicitVR=*/true, /*bigEndian=*/false, /*inMetaGroup=*/true),
        // A directory read in order reads every element header at most once or twice; a
        // file whose offsets send the reader round in circles stops here.
        headerBudget_(2 * (bytes.size() / 8) + 64) {
    reader_.position = kMetaGroupStart;
  }

  // Reads up to the root offset element; nullopt when the file has none.
  std::optional<uint32_t> RootOffset() {
    while (std::optional<ElementHeader> header = NextHeader()) {
      const Tag headerTag = TagOf(*header);
      if (headerTag == tag::kOffsetOfTheFirstDirectoryRecordOfTheRootDirectoryEntity) {
        return ReadOffset(*header);
      }
      if (headerTag == tag::kTransferSyntaxUID && reader_.inMetaGroup) {
        // The directory's own encoding, so that implicit and big-endian directories read
        // as they were written.
        const auto value = ReadElementValue(reader_, header->HasValue() ? header->length : 0);
        if (!value) return std::nullopt;
        ApplyTransferSyntax(reader_, *value);
      } else if (!Skip(*header)) {
        return std::nullopt;
      }
    }
    return std::nullopt;
  }

  void ReadLevel(Level level, uint32_t offset, TagList& out) {
    while (offset != 0 && SeekToRecord(offset)) {
      const std::optional<RecordHead> head = ReadRecordHead();
      if (!head) return;  // the data ended inside the record
      if (head->type && FitsLevel(level, *head->type)) {
        out.push_back(Marker(level, *head->type));
        AppendRecordElements(out);
        if (level != Level::kImage && head->lower != 0) {
          ReadLevel(static_cast<Level>(static_cast<int>(level) + 1), head->lower, out);
        }
      }
      offset = head->next;
    }
  }

 private:
  std::optional<ElementHeader> NextHeader() {
    if (headerBudget_ == 0 || reader_.AtEnd()) return std::nullopt;
    --headerBudget_;
    return ReadElementHeader(reader_);
  }

  // Moves past the value; the content of an undefined length follows, so nothing is skipped.
  bool Skip(const ElementHeader& header) {
    return !header.HasValue() || ReadElementValue(reader_, header.length).has_value();
  }

  std::optional<uint32_t> ReadOffset(const ElementHeader& header) {
    if (!header.HasValue()) return 0;
    const auto value = ReadElementValue(reader_, header.length);
    if (!value) return std::nullopt;
    if (value->size() < 4) return 0;
    return LoadU32(value->data(), reader_.bigEndian);
  }

  // False for an offset outside the dataset or one that was read before.
  bool SeekToRecord(uint32_t offset) {
    if (offset < kMetaGroupStart || offset >= reader_.stream.size()) return false;
    if (!visited_.insert(offset).second) return false;
    reader_.position = offset;
    return true;
  }

  // The record's Item, then its elements up to the record type. An offset missing from the
  // record counts as 0; an Item before the record type ends a record that has no type.
  std::optional<RecordHead> ReadRecordHead() {
    RecordHead head;
    for (;;) {
      const std::optional<ElementHeader> header = NextHeader();
      if (!header) return std::nullopt;
      if (header->group == kItemGroup) break;
      if (!Skip(*header)) return std::nullopt;
    }
    for (;;) {
      const std::optional<ElementHeader> header = NextHeader();
      if (!header) return std::nullopt;
      if (header->group == kItemGroup) return head;
      const Tag headerTag = TagOf(*header);
      if (headerTag == tag::kOffsetOfTheNextDirectoryRecord ||
          headerTag == tag::kOffsetOfReferencedLowerLevelDirectoryEntity) {
        const std::optional<uint32_t> offset = ReadOffset(*header);
        if (!offset) return std::nullopt;
        (headerTag == tag::kOffsetOfTheNextDirectoryRecord ? head.next : head.lower) = *offset;
      } else if (headerTag == tag::kDirectoryRecordType) {
        TagRecord type = header->ToRecord();
        if (header->HasValue()) {
          const auto value = ReadElementValue(reader_, header->length);
          if (!value) return std::nullopt;
          type.value.assign(value->begin(), value->end());
        }
        head.type = std::move(type);
        return head;
      } else if (!Skip(*header)) {
        return std::nullopt;
      }
    }
  }

  // The record's elements after its type, up to the Item that opens the next record, the
  // delimiter that closes the Directory Record Sequence, or the end of the data. Items inside the
  // record's own sequences do not end it.
  void AppendRecordElements(TagList& out) {
    FlatNesting nesting;
    while (std::optional<ElementHeader> header = NextHeader()) {
      // The next record's Item, or the end of the Directory Record Sequence.
      if (nesting.AtTopLevel() &&
          (TagOf(*header) == tag::kItem || TagOf(*header) == tag::kSequenceDelimitationItem)) {
        return;
      }
      TagRecord record = header->ToRecord();
      if (header->HasValue()) {
        const auto value = ReadElementValue(reader_, header->length);
        if (!value) return;
        record.value.assign(value->begin(), value->end());
      }
      nesting.Step(record);
      out.push_back(std::move(record));
    }
  }

  ElementReader reader_;
  size_t headerBudget_;
  std::unordered_set<uint32_t> visited_;
};

}  // namespace

bool ReadDCMDIR(std::span<const uint8_t> file, TagList& list) {
  if (!HasDicmPrefix(file)) return false;
  DirectoryReader reader(file);
  const std::optional<uint32_t> root = reader.RootOffset();
  if (!root) return false;
  TagList records;
  reader.ReadLevel(Level::kPatient, *root, records);
  for (TagRecord& r : records)
    list.push_back(std::move(r));
  return true;
}

bool ReadDCMDIR(const std::string& fileName, TagList& list) {
  const std::optional<std::vector<uint8_t>> bytes = LoadFileBytes(fileName);
  return bytes && ReadDCMDIR(*bytes, list);
}

}  // namespace norvane
