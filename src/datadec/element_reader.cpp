#include "datadec/element_reader.hpp"

#include <sys/stat.h>

namespace norvane {
namespace {

std::optional<uint64_t> BytesLeft(std::FILE* file) {
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0) return std::nullopt;
  const off_t position = ::ftello(file);
  if (position < 0 || position > info.st_size) return std::nullopt;
  return static_cast<uint64_t>(info.st_size - position);
}

void Rewind(std::FILE* file, off_t mark) {
  std::clearerr(file);
  ::fseeko(file, mark, SEEK_SET);
}

}  // namespace

ElementReader::ElementReader(std::span<const uint8_t> bytes, bool explicitVR, bool bigEndian,
                             bool inMetaGroup)
    : ElementReaderState{explicitVR, bigEndian, inMetaGroup}, stream(bytes) {}

std::optional<ElementHeader> ReadElementHeader(ElementReader& reader) {
  if (reader.AtEnd()) return std::nullopt;
  const std::optional<ElementHeader> header =
      DecodeElementHeader(reader.stream.subspan(reader.position), kFileRules, reader);
  if (header) reader.position += header->headerSize;
  return header;
}

std::optional<std::span<const uint8_t>> ReadElementValue(ElementReader& reader, uint32_t length) {
  if (reader.Remaining() < length) return std::nullopt;
  const auto value = reader.stream.subspan(reader.position, length);
  reader.position += length;
  return value;
}

std::optional<TagRecord> ReadElement(ElementReader& reader) {
  if (reader.AtEnd()) return std::nullopt;
  std::optional<DecodedElement> element =
      DecodeElement(reader.stream.subspan(reader.position), kFileRules, reader);
  if (!element) return std::nullopt;
  reader.position += element->size;
  return std::move(element->record);
}

std::optional<ElementHeader> ReadElementHeader(ElementReaderState& state, std::FILE* file) {
  // The longest header is read into a small span and decoded there; the file is then left
  // just after the header, whatever its size.
  const off_t mark = ::ftello(file);
  if (mark < 0) return std::nullopt;
  uint8_t bytes[kMaxHeaderSize];
  const size_t got = std::fread(bytes, 1, sizeof bytes, file);
  const std::optional<ElementHeader> header =
      DecodeElementHeader(std::span<const uint8_t>(bytes, got), kFileRules, state);
  Rewind(file, header ? mark + static_cast<off_t>(header->headerSize) : mark);
  return header;
}

std::optional<std::vector<uint8_t>> ReadElementValue(std::FILE* file, uint32_t length) {
  const std::optional<uint64_t> left = BytesLeft(file);
  if (!left || *left < length) return std::nullopt;
  const off_t mark = ::ftello(file);
  std::vector<uint8_t> value(length);
  if (length > 0 && std::fread(value.data(), 1, length, file) != length) {
    Rewind(file, mark);
    return std::nullopt;
  }
  return value;
}

std::optional<TagRecord> ReadElement(ElementReaderState& state, std::FILE* file) {
  const off_t mark = ::ftello(file);
  const ElementReaderState before = state;
  const std::optional<ElementHeader> header = ReadElementHeader(state, file);
  if (!header) return std::nullopt;
  TagRecord record = header->ToRecord();
  if (header->HasValue()) {
    std::optional<std::vector<uint8_t>> value = ReadElementValue(file, header->length);
    if (!value) {
      state = before;
      Rewind(file, mark);
      return std::nullopt;
    }
    record.value = std::move(*value);
  }
  return record;
}

}  // namespace norvane
