#include "datadec/append_meta_header.hpp"
#include "platform/c_file.hpp"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "datadec/deflate_stream.hpp"
#include "datadec/dicom_file_format.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/element_reader.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "platform/file_bytes.hpp"

namespace norvane {
namespace {

// A bare deflated dataset: the whole file inflated, then read from memory.
AppendMetaResult ReadDeflatedDataset(const std::string& fileName, TagList& dataset) {
  const std::optional<std::vector<uint8_t>> file = LoadFileBytes(fileName);
  if (!file) return AppendMetaResult::kCannotOpen;
  if (HasDicmPrefix(*file)) return AppendMetaResult::kAlreadyPart10;
  const std::optional<std::vector<uint8_t>> inflated = InflateAll(*file);
  if (!inflated) return AppendMetaResult::kValueCutShort;
  ElementReader reader(*inflated, /*explicitVR=*/true, /*bigEndian=*/false);
  while (!reader.AtEnd()) {
    std::optional<TagRecord> record = ReadElement(reader);
    if (!record) return AppendMetaResult::kValueCutShort;
    dataset.push_back(std::move(*record));
  }
  return dataset.empty() ? AppendMetaResult::kNoElements : AppendMetaResult::kDone;
}

// Reads the whole file as a bare dataset in the given encoding.
AppendMetaResult ReadBareDataset(const std::string& fileName, const DatasetEncoding& encoding,
                                 TagList& dataset) {
  CFile file = OpenCFile(fileName.c_str(), "rb");
  if (!file) return AppendMetaResult::kCannotOpen;
  struct stat info;
  if (::fstat(::fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
    return AppendMetaResult::kCannotOpen;
  }
  const off_t size = info.st_size;

  // Read as a bare dataset, a DICOM file would come back as a heap of nonsense elements.
  uint8_t start[kMetaGroupStart];
  if (std::fread(start, 1, sizeof start, file.get()) == sizeof start && HasDicmPrefix(start)) {
    return AppendMetaResult::kAlreadyPart10;
  }
  std::rewind(file.get());

  ElementReaderState state{
      .explicitVR = encoding.explicitVR, .bigEndian = encoding.bigEndian, .inMetaGroup = false};
  while (::ftello(file.get()) < size) {
    const std::optional<ElementHeader> header = ReadElementHeader(state, file.get());
    if (!header) break;
    TagRecord record = header->ToRecord();
    if (header->HasValue()) {
      std::optional<std::vector<uint8_t>> value = ReadElementValue(file.get(), header->length);
      if (!value) {
        // One byte short at the very end is taken as the file reader takes it.
        value = ReadElementValue(file.get(), header->length - 1);
        if (!value) return AppendMetaResult::kValueCutShort;
        value->push_back(0);
      }
      record.value = std::move(*value);
    }
    dataset.push_back(std::move(record));
  }
  return dataset.empty() ? AppendMetaResult::kNoElements : AppendMetaResult::kDone;
}

}  // namespace

std::string_view Describe(AppendMetaResult result) {
  switch (result) {
    case AppendMetaResult::kDone:
      return "meta header added";
    case AppendMetaResult::kCannotOpen:
      return "cannot be opened";
    case AppendMetaResult::kAlreadyPart10:
      return "is already a DICOM file with a meta header";
    case AppendMetaResult::kNoElements:
      return "holds no data elements";
    case AppendMetaResult::kValueCutShort:
      return "is cut short or not encoded in the given transfer syntax "
             "(a value needs more bytes than the file holds)";
    case AppendMetaResult::kCannotWrite:
      return "could not be rewritten (left unchanged)";
  }
  return "cannot be rewritten";
}

AppendMetaResult AppendMetaHeader(const std::string& fileName, std::string_view transferSyntaxUID) {
  const DatasetEncoding encoding = EncodingOfTransferSyntax(transferSyntaxUID);
  TagList dataset;
  const AppendMetaResult read = encoding.deflated ? ReadDeflatedDataset(fileName, dataset)
                                                  : ReadBareDataset(fileName, encoding, dataset);
  if (read != AppendMetaResult::kDone) return read;

  TagList meta;
  BuildMetaHeader(meta, TrimmedText(dataset, tag::kSOPClassUID),
                  TrimmedText(dataset, tag::kSOPInstanceUID), UidText(transferSyntaxUID));
  if (!WriteDicomFile(fileName, &meta, dataset, encoding.explicitVR, encoding.Order())) {
    return AppendMetaResult::kCannotWrite;
  }
  return AppendMetaResult::kDone;
}

}  // namespace norvane
