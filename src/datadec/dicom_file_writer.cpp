#include "datadec/dicom_file_writer.hpp"

#include <algorithm>

#include "datadec/dicom_file_format.hpp"
#include "datadec/element_codec.hpp"
#include "platform/replace_file.hpp"

namespace norvane {

bool WriteDicomFile(const std::string& fileName, const TagList* meta, const TagList& dataset,
                    bool explicitVR, ByteOrder order) {
  FileReplacement file(fileName);
  if (!file.Open()) return false;
  if (meta) {
    uint8_t start[kMetaGroupStart] = {};
    std::copy(kDicmPrefix.begin(), kDicmPrefix.end(), start + kPreambleSize);
    if (!file.Write(start)) return false;
    const DatasetEncoding metaEncoding{.explicitVR = true, .bigEndian = false};
    if (!PutElements(file, *meta, kFileRules, metaEncoding)) return false;
  }
  // Record by record, so that no value is copied on its way into the file.
  const DatasetEncoding encoding{.explicitVR = explicitVR,
                                 .bigEndian = order == ByteOrder::kBigEndian};
  if (!PutElements(file, dataset, kFileRules, encoding)) return false;
  return file.Commit();
}

}  // namespace norvane
