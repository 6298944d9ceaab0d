#include "datadec/dicom_file_writer.hpp"

#include "datadec/transfer_syntax.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "platform/replace_file.hpp"

namespace norvane {

bool MetaNamesDeflate(const TagList& meta) {
  const TagRecord* syntax = FindTag(meta, tag::kTransferSyntaxUID);
  return syntax != nullptr && UidText(ValueBytes(*syntax)) == kDeflatedExplicitVRLittleEndian;
}

bool WriteDicomFile(const std::string& fileName, const TagList* meta, const TagList& dataset,
                    bool explicitVR, ByteOrder order) {
  FileReplacement file(fileName);
  if (!file.Open()) return false;
  const DatasetEncoding encoding{.explicitVR = explicitVR,
                                 .bigEndian = order == ByteOrder::kBigEndian,
                                 .deflated = meta != nullptr && MetaNamesDeflate(*meta)};
  return PutDicomFile(file, meta, dataset, encoding) && file.Commit();
}

}  // namespace norvane
