#include "datadec/dicom_file_writer.hpp"

#include <algorithm>

#include "datadec/dicom_file_format.hpp"
#include "datadec/element_encoding.hpp"
#include "elements/tag_list.hpp"
#include "platform/replace_file.hpp"

namespace norvane {
namespace {

// The bytes of EncodeTags, written record by record so that large values are not copied.
bool WriteList(FileReplacement& file, const TagList& list, bool explicitVR, ByteOrder order) {
  for (const TagRecord& record : list) {
    const HeaderForm form = DatasetHeaderForm(record, explicitVR);
    const bool bigEndian = order == ByteOrder::kBigEndian && record.group != kMetaGroup;
    uint8_t header[kMaxHeaderSize];
    const std::optional<size_t> headerSize = WriteElementHeader(record, form, bigEndian, header);
    if (!headerSize || !file.Write(std::span<const uint8_t>(header, *headerSize))) return false;
    if (!record.HasValue()) continue;
    // The length is what counts; a value buffer that is short is completed with zeros.
    const std::span<const uint8_t> value = ValueBytes(record);
    if (!file.Write(value) || !file.WriteZeros(record.length - value.size())) return false;
  }
  return true;
}

}  // namespace

bool WriteDicomFile(const std::string& fileName, const TagList* meta, const TagList& dataset,
                    bool explicitVR, ByteOrder order) {
  FileReplacement file(fileName);
  if (!file.Open()) return false;
  if (meta) {
    uint8_t start[kMetaGroupStart] = {};
    std::copy(kDicmPrefix.begin(), kDicmPrefix.end(), start + kPreambleSize);
    if (!file.Write(start)) return false;
    if (!WriteList(file, *meta, true, ByteOrder::kLittleEndian)) return false;
  }
  if (!WriteList(file, dataset, explicitVR, order)) return false;
  return file.Commit();
}

}  // namespace norvane
