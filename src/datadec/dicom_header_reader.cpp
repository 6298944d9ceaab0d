#include "datadec/dicom_header_reader.hpp"
#include "platform/c_file.hpp"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "datadec/dicom_file_format.hpp"
#include "datadec/element_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tags.hpp"

namespace norvane {

bool DICOMHeader(const std::string& fileName, TagList& list) {
  std::optional<TagRecord> pixelData;
  return DICOMHeader(fileName, list, pixelData);
}

bool DICOMHeader(const std::string& fileName, TagList& list, std::optional<TagRecord>& pixelData) {
  CFile file = OpenCFile(fileName.c_str(), "rb");
  if (!file) return false;
  struct stat info;
  if (::fstat(::fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const off_t size = info.st_size;

  uint8_t start[kMetaGroupStart];
  if (std::fread(start, 1, sizeof start, file.get()) != sizeof start || !HasDicmPrefix(start)) {
    return false;
  }

  ElementReaderState state{.explicitVR = true, .bigEndian = false, .inMetaGroup = true};
  while (::ftello(file.get()) < size) {
    const std::optional<ElementHeader> header = ReadElementHeader(state, file.get());
    if (!header) break;
    if (header->group == tag::kPixelData.group) {
      // One byte short at the very end of the file is accepted, as the full reader does.
      const off_t remaining = size - ::ftello(file.get());
      if (header->Is(tag::kPixelData) &&
          (!header->HasValue() || off_t{header->length} <= remaining + 1)) {
        pixelData = header->ToRecord();
      }
      break;
    }
    TagRecord record = header->ToRecord();
    if (header->HasValue()) {
      std::optional<std::vector<uint8_t>> value = ReadElementValue(file.get(), header->length);
      if (!value) {
        // One byte short at the very end of the file is accepted, as the full reader does.
        value = ReadElementValue(file.get(), header->length - 1);
        if (!value) return false;
        value->push_back(0);
      }
      record.value = std::move(*value);
    }
    if (header->Is(tag::kTransferSyntaxUID)) ApplyTransferSyntax(state, record.value);
    list.push_back(std::move(record));
  }
  return true;
}

}  // namespace norvane
