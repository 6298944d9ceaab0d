#include "datadec/dicom_header_reader.hpp"
#include "platform/c_file.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "datadec/deflate_stream.hpp"
#include "datadec/dicom_file_format.hpp"
#include "datadec/element_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

// The file is read from its start in steps of this size, so that a header of many small
// elements takes one or a few reads and no seeks.
constexpr size_t kReadStep = 64 * 1024;

// Makes sure `bytes`, the file's start, hold the bytes before `end` (at most `size`); false
// when the file ends sooner.
bool Reach(std::FILE* file, uint64_t size, uint64_t end, std::vector<uint8_t>& bytes) {
  end = std::min(end, size);
  if (end <= bytes.size()) return true;
  const size_t have = bytes.size();
  bytes.resize(
      static_cast<size_t>(std::min<uint64_t>(size, std::max<uint64_t>(end, have + kReadStep))));
  bytes.resize(have + std::fread(bytes.data() + have, 1, bytes.size() - have, file));
  return bytes.size() >= end;
}

// A deflated data set starts where the meta group ends: at the end its group length gives,
// or else at the first element not of group 0002.
bool MetaGroupEnds(const std::vector<uint8_t>& bytes, size_t position,
                   std::optional<uint64_t> metaEnd) {
  if (metaEnd) return position >= *metaEnd;
  return bytes.size() < position + 2 || LoadU16(bytes.data() + position, false) != kMetaGroup;
}

// The rest of the file, from `position`, inflated into `bytes`; false when it is not deflate.
bool InflateRest(std::FILE* file, uint64_t size, size_t position, std::vector<uint8_t>& bytes) {
  if (!Reach(file, size, size, bytes) || position > bytes.size()) return false;
  std::optional<std::vector<uint8_t>> inflated =
      InflateAll(std::span<const uint8_t>(bytes).subspan(position));
  if (!inflated) return false;
  bytes = std::move(*inflated);
  return true;
}

}  // namespace

bool DICOMHeader(const std::string& fileName, TagList& list) {
  std::optional<TagRecord> pixelData;
  return DICOMHeader(fileName, list, pixelData);
}

bool DICOMHeader(const std::string& fileName, TagList& list, std::optional<TagRecord>& pixelData) {
  CFile file = OpenCFile(fileName.c_str(), "rb");
  if (!file) return false;
  struct stat info;
  if (::fstat(::fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const uint64_t size = static_cast<uint64_t>(info.st_size);

  std::vector<uint8_t> bytes;
  if (!Reach(file.get(), size, kMetaGroupStart, bytes) || !HasDicmPrefix(bytes)) return false;

  ElementReader reader({}, /*explicitVR=*/true, /*bigEndian=*/false, /*inMetaGroup=*/true);
  reader.position = kMetaGroupStart;
  // A deflated data set is inflated whole when the meta group ends and read from memory.
  bool deflated = false;
  std::optional<uint64_t> metaEnd;
  uint64_t end = size;
  while (reader.position < end) {
    Reach(file.get(), end, reader.position + kMaxHeaderSize, bytes);
    reader.stream = bytes;
    const std::optional<ElementHeader> header = ReadElementHeader(reader);
    if (!header) break;
    if (header->group == tag::kPixelData.group) {
      // One byte short at the very end of the file is accepted, as the full reader does.
      if (header->Is(tag::kPixelData) &&
          (!header->HasValue() || header->length <= end - reader.position + 1)) {
        pixelData = header->ToRecord();
      }
      break;
    }
    TagRecord record = header->ToRecord();
    const bool inMeta = reader.inMetaGroup && header->group == kMetaGroup;
    if (header->HasValue()) {
      Reach(file.get(), end, reader.position + header->length, bytes);
      reader.stream = bytes;
      const size_t available = reader.Remaining();
      // One byte short at the very end of the file is accepted, as the full reader does.
      if (available + 1 < header->length) return false;
      const auto from = bytes.begin() + static_cast<ptrdiff_t>(reader.position);
      const size_t taken = std::min<size_t>(available, header->length);
      record.value.assign(from, from + static_cast<ptrdiff_t>(taken));
      if (taken < header->length) record.value.push_back(0);
      reader.position += taken;
    }
    if (header->Is(tag::kTransferSyntaxUID)) {
      ApplyTransferSyntax(reader, record.value);
      deflated = EncodingOfTransferSyntax(UidText(record.value)).deflated;
    }
    if (header->Is(tag::kFileMetaInformationGroupLength) && record.value.size() >= 4) {
      metaEnd = reader.position + LoadU32(record.value.data(), false);
    }
    list.push_back(std::move(record));
    if (deflated && inMeta) {
      Reach(file.get(), end, reader.position + 2, bytes);
      if (MetaGroupEnds(bytes, reader.position, metaEnd)) {
        if (!InflateRest(file.get(), size, reader.position, bytes)) return false;
        end = bytes.size();
        reader.position = 0;
        reader.inMetaGroup = false;
        deflated = false;
      }
    }
  }
  return true;
}

}  // namespace norvane
