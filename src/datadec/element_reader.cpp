#include "datadec/element_reader.hpp"

#include <sys/stat.h>

#include <cstring>

#include "datadec/element_encoding.hpp"
#include "elements/byte_order.hpp"

namespace norvane {
namespace {

// Bytes of a stream in memory.
class SpanSource {
 public:
  explicit SpanSource(ElementReader& reader) : reader_(reader) {}
  size_t Mark() const { return reader_.position; }
  void Rewind(size_t mark) { reader_.position = mark; }
  bool Read(uint8_t* out, size_t n) {
    if (reader_.Remaining() < n) return false;
    std::memcpy(out, reader_.stream.data() + reader_.position, n);
    reader_.position += n;
    return true;
  }

 private:
  ElementReader& reader_;
};

// Bytes of a C file.
class FileSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  off_t Mark() const { return ::ftello(file_); }
  void Rewind(off_t mark) {
    std::clearerr(file_);
    ::fseeko(file_, mark, SEEK_SET);
  }
  bool Read(uint8_t* out, size_t n) { return std::fread(out, 1, n, file_) == n; }

 private:
  std::FILE* file_;
};

// The header rules, written once for every kind of byte source.
template <class Source>
std::optional<ElementHeader> ReadHeaderFrom(ElementReaderState& state, Source& source) {
  const auto mark = source.Mark();
  ElementReaderState s = state;
  ElementHeader h;
  auto fail = [&]() -> std::optional<ElementHeader> {
    source.Rewind(mark);
    return std::nullopt;
  };

  uint8_t tag[4];
  if (!source.Read(tag, sizeof tag)) return fail();
  const bool tagBigEndian = !s.inMetaGroup && s.bigEndian;
  h.group = LoadU16(tag, tagBigEndian);
  h.element = LoadU16(tag + 2, tagBigEndian);
  if (s.inMetaGroup && h.group != kMetaGroup && s.bigEndian) {
    h.group = LoadU16(tag, true);
    h.element = LoadU16(tag + 2, true);
  }
  if (s.inMetaGroup && h.group > kMetaGroup) s.inMetaGroup = false;

  const bool numbersBigEndian = !s.inMetaGroup && s.bigEndian;
  if ((s.explicitVR && h.group != kItemGroup) || s.inMetaGroup) {
    uint8_t vr[2];
    if (!source.Read(vr, sizeof vr)) return fail();
    h.vr[0] = static_cast<char>(vr[0]);
    h.vr[1] = static_cast<char>(vr[1]);
    if (HasLongLength(h.vr)) {
      uint8_t rest[6];  // 2 reserved bytes, 32-bit length
      if (!source.Read(rest, sizeof rest)) return fail();
      h.length = LoadU32(rest + 2, numbersBigEndian);
      h.headerSize = 12;
    } else {
      uint8_t length[2];
      if (!source.Read(length, sizeof length)) return fail();
      h.length = LoadU16(length, numbersBigEndian);
      h.headerSize = 8;
      if (h.group == kMetaGroup && (h.element == 0x0000 || h.element == 0x0001) && h.length == 0) {
        // Implicit meta group: the "VR" bytes were the low half of a 32-bit length.
        h.length = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(vr[0])));
        h.vr[0] = 0;
        h.vr[1] = 0;
        s.explicitVR = false;
        s.inMetaGroup = false;
      }
    }
  } else {
    uint8_t length[4];
    if (!source.Read(length, sizeof length)) return fail();
    h.length = LoadU32(length, numbersBigEndian);
    h.headerSize = 8;
  }
  state = s;
  return h;
}

std::optional<uint64_t> BytesLeft(std::FILE* file) {
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0) return std::nullopt;
  const off_t position = ::ftello(file);
  if (position < 0 || position > info.st_size) return std::nullopt;
  return static_cast<uint64_t>(info.st_size - position);
}

}  // namespace

TagRecord ElementHeader::ToRecord() const {
  TagRecord record;
  record.group = group;
  record.element = element;
  record.vr[0] = vr[0];
  record.vr[1] = vr[1];
  record.length = length;
  return record;
}

ElementReader::ElementReader(std::span<const uint8_t> bytes, bool explicitVR, bool bigEndian,
                             bool inMetaGroup)
    : ElementReaderState{explicitVR, bigEndian, inMetaGroup}, stream(bytes) {}

std::optional<ElementHeader> ReadElementHeader(ElementReader& reader) {
  SpanSource source(reader);
  return ReadHeaderFrom(static_cast<ElementReaderState&>(reader), source);
}

std::optional<std::span<const uint8_t>> ReadElementValue(ElementReader& reader, uint32_t length) {
  if (reader.Remaining() < length) return std::nullopt;
  const auto value = reader.stream.subspan(reader.position, length);
  reader.position += length;
  return value;
}

std::optional<TagRecord> ReadElement(ElementReader& reader) {
  const ElementReader before = reader;
  const std::optional<ElementHeader> header = ReadElementHeader(reader);
  if (!header) return std::nullopt;
  TagRecord record = header->ToRecord();
  if (header->HasValue()) {
    const auto value = ReadElementValue(reader, header->length);
    if (!value) {
      reader = before;
      return std::nullopt;
    }
    record.value.assign(value->begin(), value->end());
  }
  return record;
}

std::optional<ElementHeader> ReadElementHeader(ElementReaderState& state, std::FILE* file) {
  FileSource source(file);
  return ReadHeaderFrom(state, source);
}

std::optional<std::vector<uint8_t>> ReadElementValue(std::FILE* file, uint32_t length) {
  const std::optional<uint64_t> left = BytesLeft(file);
  if (!left || *left < length) return std::nullopt;
  const off_t mark = ::ftello(file);
  std::vector<uint8_t> value(length);
  if (length > 0 && std::fread(value.data(), 1, length, file) != length) {
    std::clearerr(file);
    ::fseeko(file, mark, SEEK_SET);
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
      std::clearerr(file);
      ::fseeko(file, mark, SEEK_SET);
      return std::nullopt;
    }
    record.value = std::move(*value);
  }
  return record;
}

}  // namespace norvane
