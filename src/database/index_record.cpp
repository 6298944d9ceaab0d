#include "database/index_record.hpp"

#include <algorithm>

#include "database/store_uid.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

// Builds one record field by field, in the order of its table.
class RecordBuilder {
 public:
  explicit RecordBuilder(const TagList& dataset) : dataset_(dataset) {}

  // The top-level element's trimmed text, made to stay one field of one line: a line break inside a
  // value would split the record and a comma would add a field, so CR and LF are written
  // as blanks and commas as `kCommaInText`; every other byte stands as it came.
  RecordBuilder& Text(Tag tag) {
    return Field(IndexFieldText(TopLevelText(dataset_, tag), kCommaInText));
  }

  // A person name: a comma there separates name components, as the caret does in DICOM.
  RecordBuilder& PersonName(Tag tag) {
    return Field(IndexFieldText(TopLevelText(dataset_, tag), kCommaInPersonName));
  }

  // A UID that names a folder or file, written exactly as the folder or file is named.
  RecordBuilder& StoreUID(Tag tag) { return Field(GetStoreUID(dataset_, tag)); }

  RecordBuilder& Field(std::string_view text) {
    if (!first_) line_ += kIndexFieldSeparator;
    first_ = false;
    line_ += text;
    return *this;
  }

  std::string Line() {
    line_ += kIndexLineEnd;
    return std::move(line_);
  }

 private:
  const TagList& dataset_;
  std::string line_;
  bool first_ = true;
};

}  // namespace

std::string IndexFieldText(std::string text, char commaReplacement) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
    if (c == kIndexFieldSeparator) c = commaReplacement;
  }
  return text;
}

std::string BuildStudyRecord(const TagList& dataset, std::string_view writtenAt) {
  std::string stamp(1, kStudyStampMark);
  stamp += writtenAt;
  return RecordBuilder(dataset)
      .StoreUID(tag::kStudyInstanceUID)
      .Text(tag::kStudyDate)
      .Text(tag::kStudyTime)
      .Text(tag::kPatientID)
      .Text(tag::kPatientBirthDate)
      .PersonName(tag::kPatientName)
      .PersonName(tag::kReferringPhysicianName)
      .Text(tag::kAccessionNumber)
      .Text(tag::kModalitiesInStudy)
      .Text(tag::kStudyDescription)
      .Field(stamp)  // when the record was written
      .Line();
}

std::string BuildSeriesRecord(const TagList& dataset) {
  return RecordBuilder(dataset)
      .Text(tag::kSeriesNumber)
      .StoreUID(tag::kSeriesInstanceUID)
      .Text(tag::kAcquisitionNumber)
      .Text(tag::kSeriesDate)
      .Text(tag::kSeriesTime)
      .Text(tag::kSeriesDescription)
      .Text(tag::kPatientPosition)
      .Text(tag::kBodyPartExamined)
      .Text(tag::kManufacturer)
      .Text(tag::kFrameOfReferenceUID)
      .Line();
}

std::string BuildImageRecord(const TagList& dataset) {
  return RecordBuilder(dataset)
      .Text(tag::kAcquisitionNumber)
      .Text(tag::kInstanceNumber)
      .StoreUID(tag::kSOPInstanceUID)  // the file's name
      .Text(tag::kContentDate)
      .Text(tag::kContentTime)
      .Text(tag::kEchoNumbers)
      .Text(tag::kNumberOfFrames)
      .Text(tag::kSliceLocation)
      .Text(tag::kSOPClassUID)
      .Text(tag::kRows)     // decimal
      .Text(tag::kColumns)  // decimal
      .Text(tag::kImageType)
      .Line();
}

std::string GetField(std::string_view line, char separator, int n) {
  std::string_view field;
  size_t start = 0;
  for (int pass = 1; pass <= n; ++pass) {
    const size_t end = line.find(separator, start);
    if (end == std::string_view::npos) {
      field = pass == n ? line.substr(start) : std::string_view();
      break;
    }
    field = line.substr(start, end - start);
    start = end + 1;
  }
  return std::string(field);
}

}  // namespace norvane
