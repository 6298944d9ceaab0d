// Part 10 files, DICOMDIRs, transfer syntax conversion and thumbnails.

#include <string>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/tag_lists.hpp"
#include "convert/convert_dataset.hpp"
#include "convert/convert_file.hpp"
#include "datadec/append_meta_header.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_header_reader.hpp"
#include "rddcmdir/read_dcmdir.hpp"
#include "thumbnail/create_thumbnail.hpp"

using norvane::api::AppendRecords;
using norvane::api::Byte;
using norvane::api::Guarded;
using norvane::api::Text;

namespace {

// Hands the records read to the caller's list, when there is one.
void Deliver(TList* list, norvane::TagList&& records) {
  if (list != nullptr) AppendRecords(*list, std::move(records));
}

}  // namespace

extern "C" {

uint8_t DICOMHeader(const char* fileName, TList* elements) {
  return Guarded<uint8_t>(0, [&] {
    norvane::TagList records;
    const bool read = norvane::DICOMHeader(std::string(Text(fileName)), records);
    Deliver(elements, std::move(records));
    return Byte(read);
  });
}

// The records read before a failure are appended too.
int32_t DICOMFile(const char* fileName, TList* meta, TList* dataset, uint8_t* explicitVR) {
  return Guarded<int32_t>(0, [&] {
    norvane::DicomFileContent content = norvane::DICOMFile(std::string(Text(fileName)));
    Deliver(meta, std::move(content.meta));
    Deliver(dataset, std::move(content.dataset));
    if (explicitVR != nullptr) *explicitVR = Byte(content.explicitVR);
    return int32_t{Byte(content.Ok())};
  });
}

uint8_t ReadDCMDIR(const char* fileName, TList* records) {
  return Guarded<uint8_t>(0, [&] {
    norvane::TagList read;
    const bool found = norvane::ReadDCMDIR(std::string(Text(fileName)), read);
    Deliver(records, std::move(read));
    return Byte(found);
  });
}

// On success the caller's records are freed and the list holds the converted ones; on
// failure the list and its records are left exactly as they were.
uint8_t ConvertTS(TList* dataset, const char* targetTransferSyntax,
                  const char* sourceTransferSyntax) {
  if (dataset == nullptr) return 0;
  return Guarded<uint8_t>(0, [&] {
    norvane::api::LentTags lent(*dataset);
    if (!norvane::ConvertTS(lent.tags(), Text(targetTransferSyntax), Text(sourceTransferSyntax))) {
      return Byte(false);
    }
    lent.Replace();
    return Byte(true);
  });
}

int32_t ConvertFileTS(const char* newFileName, const char* existingFileName,
                      const char* targetTransferSyntax) {
  return Guarded<int32_t>(0, [&] {
    return int32_t{
        Byte(norvane::ConvertFileTS(std::string(Text(newFileName)),
                                    std::string(Text(existingFileName)), Text(targetTransferSyntax))
                 .Ok())};
  });
}

int32_t AppendMetaHeader(const char* fileName, const char* transferSyntax) {
  return Guarded<int32_t>(0, [&] {
    return int32_t{
        Byte(norvane::AppendMetaHeader(std::string(Text(fileName)), Text(transferSyntax)) ==
             norvane::AppendMetaResult::kDone)};
  });
}

uint8_t CreateThumbnail(const char* outputName, const char* dicomName, int32_t width) {
  return Guarded<uint8_t>(0, [&] {
    return Byte(norvane::CreateThumbnail(std::string(Text(outputName)),
                                         std::string(Text(dicomName)),
                                         width) == norvane::ThumbnailStatus::kWritten);
  });
}

}  // extern "C"
