// Deflated data sets: the input follows the meta group of a Deflated Explicit VR Little
// Endian file, read by the whole-file reader and the header reader; and, as a message on
// a deflated context brings it, fed to the inflater in two pieces.

#include <cstddef>
#include <cstdint>
#include <span>

#include "datadec/byte_vector_sink.hpp"
#include "datadec/deflate_stream.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/dicom_header_reader.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "fuzz_support.hpp"

namespace {

// Preamble, "DICM" and a meta group naming the deflated syntax.
const std::vector<uint8_t>& FileStart() {
  static const std::vector<uint8_t> start = [] {
    using namespace norvane;
    TagList meta;
    BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.7", "1.2.3.4", kDeflatedExplicitVRLittleEndian);
    ByteVectorSink sink;
    PutDicomFile(sink, &meta, TagList{}, DatasetEncoding{});
    return sink.bytes;
  }();
  return start;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size > fuzz::kMaxInput) return 0;
  std::vector<uint8_t> file = FileStart();
  file.insert(file.end(), data, data + size);
  DICOMFile(file);
  const fuzz::MemoryFile named(file);
  TagList header;
  if (!named.Name().empty()) DICOMHeader(named.Name(), header);

  InflateStream stream;
  size_t inflated = 0;
  const ByteOutput count = [&inflated](std::span<const uint8_t> bytes) {
    inflated += bytes.size();
    return inflated <= 64 * fuzz::kMaxInput;
  };
  const std::span<const uint8_t> input(data, size);
  if (stream.Write(input.first(size / 2), count)) stream.Write(input.subspan(size / 2), count);
  return 0;
}
