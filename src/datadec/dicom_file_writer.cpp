#include "datadec/dicom_file_writer.hpp"

#include "platform/replace_file.hpp"

namespace norvane {

bool WriteDicomFile(const std::string& fileName, const TagList* meta, const TagList& dataset,
                    bool explicitVR, ByteOrder order) {
  FileReplacement file(fileName);
  if (!file.Open()) return false;
  const DatasetEncoding encoding{.explicitVR = explicitVR,
                                 .bigEndian = order == ByteOrder::kBigEndian};
  return PutDicomFile(file, meta, dataset, encoding) && file.Commit();
}

}  // namespace norvane
