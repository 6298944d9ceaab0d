// Query, worklist and print records as C callers make, read, fill and free them. Fields are
// reached by the names of the core's field tables, the same names the command line takes.

#include <string>
#include <type_traits>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "dimse/query_fields.hpp"

namespace {

using norvane::api::Byte;
using norvane::api::Guarded;
using norvane::api::Text;

// Why a record has no field of that name.
template <class Record>
void NoField(const Record* record, const char* name) {
  if (record == nullptr) {
    norvane::api::SetLastError("no record (NULL)");
  } else {
    norvane::api::SetLastError("the record has no field '" + std::string(Text(name)) + "'");
  }
}

// The named field of a record (const or not), or null.
template <class Record>
auto* FieldOf(Record* record, const char* name) {
  using Core = typename std::remove_const_t<Record>::Core;
  using Field = std::conditional_t<std::is_const_v<Record>, const std::string, std::string>;
  if (record == nullptr || name == nullptr) return static_cast<Field*>(nullptr);
  const norvane::RecordField<Core>* field = norvane::FindRecordField<Core>(name);
  if (field == nullptr) return static_cast<Field*>(nullptr);
  return &(record->*(field->member));
}

template <class Record>
Record* NewRecord() {
  return Guarded<Record*>(nullptr, [] { return new Record; });
}

template <class Record>
const char* GetField(const Record* record, const char* name) {
  const std::string* field = FieldOf(record, name);
  if (field == nullptr) {
    NoField(record, name);
    return nullptr;
  }
  return field->c_str();
}

template <class Record>
uint8_t SetField(Record* record, const char* name, const char* value) {
  std::string* field = FieldOf(record, name);
  if (field == nullptr) {
    NoField(record, name);
    return 0;
  }
  return Guarded<uint8_t>(0, [&] {
    field->assign(Text(value));
    return Byte(true);
  });
}

}  // namespace

extern "C" {

StudyInfo* NewStudyInfo(void) {
  return NewRecord<StudyInfo>();
}
void DeleteStudyInfo(StudyInfo* record) {
  delete record;
}
const char* GetStudyInfoField(const StudyInfo* record, const char* field) {
  return GetField(record, field);
}
uint8_t SetStudyInfoField(StudyInfo* record, const char* field, const char* value) {
  return SetField(record, field, value);
}

SeriesInfo* NewSeriesInfo(void) {
  return NewRecord<SeriesInfo>();
}
void DeleteSeriesInfo(SeriesInfo* record) {
  delete record;
}
const char* GetSeriesInfoField(const SeriesInfo* record, const char* field) {
  return GetField(record, field);
}
uint8_t SetSeriesInfoField(SeriesInfo* record, const char* field, const char* value) {
  return SetField(record, field, value);
}

ImageInfo* NewImageInfo(void) {
  return NewRecord<ImageInfo>();
}
void DeleteImageInfo(ImageInfo* record) {
  delete record;
}
const char* GetImageInfoField(const ImageInfo* record, const char* field) {
  return GetField(record, field);
}
uint8_t SetImageInfoField(ImageInfo* record, const char* field, const char* value) {
  return SetField(record, field, value);
}

TWorklistItem* NewWorklistItem(void) {
  return NewRecord<TWorklistItem>();
}
void DeleteWorklistItem(TWorklistItem* record) {
  delete record;
}
const char* GetWorklistItemField(const TWorklistItem* record, const char* field) {
  return GetField(record, field);
}
uint8_t SetWorklistItemField(TWorklistItem* record, const char* field, const char* value) {
  return SetField(record, field, value);
}

FilmSessioncfg* NewFilmSessioncfg(void) {
  return NewRecord<FilmSessioncfg>();
}
void DeleteFilmSessioncfg(FilmSessioncfg* record) {
  delete record;
}
const char* GetFilmSessioncfgField(const FilmSessioncfg* record, const char* field) {
  return GetField(record, field);
}
uint8_t SetFilmSessioncfgField(FilmSessioncfg* record, const char* field, const char* value) {
  return SetField(record, field, value);
}

FilmBoxcfg* NewFilmBoxcfg(void) {
  return NewRecord<FilmBoxcfg>();
}
void DeleteFilmBoxcfg(FilmBoxcfg* record) {
  delete record;
}
const char* GetFilmBoxcfgField(const FilmBoxcfg* record, const char* field) {
  return GetField(record, field);
}
uint8_t SetFilmBoxcfgField(FilmBoxcfg* record, const char* field, const char* value) {
  return SetField(record, field, value);
}

}  // extern "C"
