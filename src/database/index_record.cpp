#include "database/index_record.hpp"

#include <algorithm>

#include "database/store_uid.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

// Builds one record field by field, in the order of its table.
class RecordBuilder {
 public:
  explicit RecordBuilder(const TagList& dataset) : dataset_(dataset) {}

  // The element's trimmed text. A line break inside a value would split the record, so CR
  // and LF are written as blanks; every other byte stands as it came.
  RecordBuilder& Text(uint16_t group, uint16_t element) {
    std::string text = GetTagText(dataset_, group, element);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return Field(text);
  }

  // A UID that names a folder or file, written exactly as the folder or file is named.
  RecordBuilder& StoreUID(uint16_t group, uint16_t element) {
    return Field(GetStoreUID(dataset_, group, element));
  }

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

std::string BuildStudyRecord(const TagList& dataset, std::string_view writtenAt) {
  std::string stamp(1, kStudyStampMark);
  stamp += writtenAt;
  return RecordBuilder(dataset)
      .StoreUID(0x0020, 0x000D)  // Study Instance UID
      .Text(0x0008, 0x0020)      // Study Date
      .Text(0x0008, 0x0030)      // Study Time
      .Text(0x0010, 0x0020)      // Patient ID
      .Text(0x0010, 0x0030)      // Patient's Birth Date
      .Text(0x0010, 0x0010)      // Patient's Name, commas turned into carets
      .Text(0x0008, 0x0090)      // Referring Physician's Name
      .Text(0x0008, 0x0050)      // Accession Number
      .Text(0x0008, 0x0061)      // Modalities in Study
      .Text(0x0008, 0x1030)      // Study Description
      .Field(stamp)              // when the record was written
      .Line();
}

std::string BuildSeriesRecord(const TagList& dataset) {
  return RecordBuilder(dataset)
      .Text(0x0020, 0x0011)      // Series Number
      .StoreUID(0x0020, 0x000E)  // Series Instance UID
      .Text(0x0020, 0x0012)      // Acquisition Number
      .Text(0x0008, 0x0021)      // Series Date
      .Text(0x0008, 0x0031)      // Series Time
      .Text(0x0008, 0x103E)      // Series Description
      .Text(0x0018, 0x5100)      // Patient Position
      .Text(0x0018, 0x0015)      // Body Part Examined
      .Text(0x0008, 0x0070)      // Manufacturer
      .Text(0x0020, 0x0052)      // Frame of Reference UID
      .Line();
}

std::string BuildImageRecord(const TagList& dataset) {
  return RecordBuilder(dataset)
      .Text(0x0020, 0x0012)      // Acquisition Number
      .Text(0x0020, 0x0013)      // Instance Number
      .StoreUID(0x0008, 0x0018)  // SOP Instance UID: the file's name
      .Text(0x0008, 0x0023)      // Content Date
      .Text(0x0008, 0x0033)      // Content Time
      .Text(0x0018, 0x0086)      // Echo Numbers
      .Text(0x0028, 0x0008)      // Number of Frames
      .Text(0x0020, 0x1041)      // Slice Location
      .Text(0x0008, 0x0016)      // SOP Class UID
      .Text(0x0028, 0x0010)      // Rows, decimal
      .Text(0x0028, 0x0011)      // Columns, decimal
      .Text(0x0008, 0x0008)      // Image Type
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
