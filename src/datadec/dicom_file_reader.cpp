#include "datadec/dicom_file_reader.hpp"

#include "datadec/deflate_stream.hpp"
#include "datadec/dicom_file_format.hpp"
#include "datadec/element_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "datadec/values_in_file.hpp"
#include "dictionary/dictionary.hpp"
#include "elements/byte_order.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "platform/loaded_file.hpp"

namespace norvane {
namespace {

// Values from this size on go from a loaded file straight into their records (or stay in
// it), not through its loaded pages: a 512x512 16-bit image is one.
constexpr size_t kLargeValue = 64 * 1024;

// Makes sure the loaded file holds the bytes before `end`; a file that ended sooner (it
// shrank while being read) ends the reader's stream where it ends.
void Reach(LoadedFile& source, ElementReader& reader, size_t end) {
  if (!source.Load(end)) reader.stream = reader.stream.first(source.Loaded());
}

// Whether the next element at `position` is of group 0002 still: how the meta group of a
// deflated file without a group length ends, as the data set after it is compressed.
bool MetaGroupGoesOn(std::span<const uint8_t> stream, size_t position) {
  return stream.size() - std::min(stream.size(), position) >= 2 &&
         LoadU16(stream.data() + position, false) == kMetaGroup;
}

// The loaded file a reader's bytes are, and where it leaves large values, if it does.
struct FileSource {
  LoadedFile& file;
  std::shared_ptr<const ValueSource> leftIn;
  LargeValues which = LargeValues::kRead;
};

// Whether a large value is left in the file. Native pixel data is never looked into on the
// way out, and being of even length it needs no pad byte. For a reader that shows only
// lengths, the values that are read as elements stay: sequences (by their own VR or, without
// one, the dictionary's) and items, but for the fragments of encapsulated pixel data.
bool LeftInFile(LargeValues which, const ElementHeader& header, bool inFragments) {
  if (which == LargeValues::kLeftInFile) {
    return header.Is(tag::kPixelData) && header.length % 2 == 0;
  }
  if (which != LargeValues::kOnlyLengthShown) return false;
  if (header.group == kItemGroup) return inFragments;
  TagRecord record = header.ToRecord();
  if (!record.HasVR() || record.VRIs("UN")) LookupVR(record);
  return !record.VRIs("SQ");
}

// Reads every element after "DICM" into the two lists; `source` is the loaded file the
// bytes are, if any.
Part10ReadStatus ReadElements(std::span<const uint8_t> bytes, DicomFileContent& out,
                              const FileSource* from) {
  LoadedFile* source = from != nullptr ? &from->file : nullptr;
  ElementReader reader(bytes, /*explicitVR=*/true, /*bigEndian=*/false, /*inMetaGroup=*/true);
  reader.position = kMetaGroupStart;
  // Where the meta group ends: the end of the file until (0002,0000) says otherwise.
  uint64_t metaEnd = bytes.size();
  bool groupLength = false;
  bool deflated = false;
  std::vector<uint8_t> inflated;  // the data set of a deflated file
  bool inFragments = false;       // between encapsulated pixel data and its delimiter

  while (!reader.AtEnd()) {
    if (source != nullptr) Reach(*source, reader, reader.position + kMaxHeaderSize);
    const std::optional<ElementHeader> header = ReadElementHeader(reader);
    if (!header) break;  // the file ends inside a header: the partial header is no element
    TagRecord record = header->ToRecord();
    const uint64_t valueStart = reader.position;
    if (header->Is(tag::kPixelData)) inFragments = header->length == kUndefinedLength;
    if (header->Is(tag::kSequenceDelimitationItem)) inFragments = false;

    if (header->HasValue() && source != nullptr && header->length >= kLargeValue &&
        reader.Remaining() >= header->length) {
      if (from->leftIn && LeftInFile(from->which, *header, inFragments)) {
        if (!source->Pass(reader.position, header->length)) return Part10ReadStatus::kValueCutShort;
        record.inFile = std::make_shared<const ValueInFile>(
            ValueInFile{.source = from->leftIn, .offset = reader.position});
      } else if (!source->ReadValue(reader.position, header->length, record.value)) {
        return Part10ReadStatus::kValueCutShort;
      }
      reader.position += header->length;
    } else if (header->HasValue()) {
      if (source != nullptr) Reach(*source, reader, reader.position + header->length);
      const size_t available = reader.Remaining();
      if (available < header->length) {
        if (available + 1 < header->length) return Part10ReadStatus::kValueCutShort;
        // One byte short at the very end of the file: the missing byte reads as zero.
        record.value.assign(reader.stream.begin() + static_cast<ptrdiff_t>(reader.position),
                            reader.stream.end());
        record.value.push_back(0);
        reader.position = reader.stream.size();
      } else {
        const auto value = ReadElementValue(reader, header->length);
        record.value.assign(value->begin(), value->end());
      }
    }

    if (header->Is(tag::kTransferSyntaxUID) && reader.inMetaGroup) {
      ApplyTransferSyntax(reader, record.value);
      deflated = EncodingOfTransferSyntax(UidText(record.value)).deflated;
    }

    if (header->group == kMetaGroup) {
      if (const std::string_view vr = MetaElementVR(record.GetTag()); !vr.empty()) {
        record.SetVR(vr);
      }
      if (header->Is(tag::kFileMetaInformationGroupLength) && record.value.size() >= 4) {
        metaEnd = valueStart + header->length + LoadU32(record.value.data(), false);
        groupLength = true;
      }
      out.meta.push_back(std::move(record));
    } else {
      if (record.VRIs("UN")) LookupVR(record);
      out.dataset.push_back(std::move(record));
    }

    // The element just read was the last of the meta group.
    if (!reader.inMetaGroup) continue;
    if (deflated && !groupLength && source != nullptr) {
      Reach(*source, reader, reader.position + 2);
    }
    if (valueStart + header->length >= metaEnd ||
        (deflated && !groupLength && !MetaGroupGoesOn(reader.stream, reader.position))) {
      reader.inMetaGroup = false;
      if (deflated) {
        // The rest of the file is the deflated data set; its values are read from memory.
        if (source != nullptr) Reach(*source, reader, bytes.size());
        if (reader.position > reader.stream.size()) return Part10ReadStatus::kValueCutShort;
        std::optional<std::vector<uint8_t>> data =
            InflateAll(reader.stream.subspan(reader.position));
        if (!data) return Part10ReadStatus::kBadDeflate;
        inflated = std::move(*data);
        reader.stream = inflated;
        reader.position = 0;
        source = nullptr;
      }
    }
  }

  out.explicitVR = reader.explicitVR;
  out.bigEndian = reader.bigEndian;
  return Part10ReadStatus::kOk;
}

}  // namespace

std::string_view Describe(Part10ReadStatus status) {
  switch (status) {
    case Part10ReadStatus::kOk:
      return "read";
    case Part10ReadStatus::kCannotOpen:
      return "cannot be opened";
    case Part10ReadStatus::kNoDicmPrefix:
      return "is not a DICOM file (no \"DICM\" after a 128-byte preamble)";
    case Part10ReadStatus::kValueCutShort:
      return "is cut short (a value needs more bytes than the file holds)";
    case Part10ReadStatus::kBadDeflate:
      return "has a deflated data set that cannot be inflated";
  }
  return "cannot be read";
}

DicomFileContent DICOMFile(std::span<const uint8_t> file) {
  DicomFileContent content;
  content.status =
      HasDicmPrefix(file) ? ReadElements(file, content, nullptr) : Part10ReadStatus::kNoDicmPrefix;
  return content;
}

// Large values go from the file straight into their records, so that the file and its
// records together take about the file's size.
DicomFileContent DICOMFile(const std::string& fileName, LargeValues large) {
  DicomFileContent content;
  const auto file = std::make_shared<LoadedFile>(fileName);
  if (!file->Ok()) {
    content.status = Part10ReadStatus::kCannotOpen;
    return content;
  }
  file->Load(kMetaGroupStart);
  const std::span<const uint8_t> prefix = file->Bytes().first(file->Loaded());
  const FileSource source{.file = *file,
                          .leftIn = large != LargeValues::kRead
                                        ? std::make_shared<const LoadedFileValues>(file)
                                        : nullptr,
                          .which = large};
  content.status = HasDicmPrefix(prefix) ? ReadElements(file->Bytes(), content, &source)
                                         : Part10ReadStatus::kNoDicmPrefix;
  return content;
}

std::optional<std::string> LoadFileDataset(const std::string& fileName, TagList& dataset) {
  DicomFileContent content = DICOMFile(fileName);
  for (TagRecord& r : content.dataset)
    dataset.push_back(std::move(r));
  if (!content.Ok()) return std::nullopt;
  const TagRecord* syntax = FindTag(content.meta, tag::kTransferSyntaxUID);
  if (!syntax) return std::nullopt;
  return std::string(UidText(ValueBytes(*syntax)));
}

}  // namespace norvane
