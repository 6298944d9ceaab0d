// Part 10 files as the file commands and the store SCU read them: the whole-file reader
// (then dumped as `norvane dump` prints it) and the header reader, which stops at the
// pixel data and reads from a file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_header_reader.hpp"
#include "dump/dump_list.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size > fuzz::kMaxInput) return 0;
  const std::span<const uint8_t> bytes(data, size);
  const DicomFileContent content = DICOMFile(bytes);
  const DumpSink discard = [](std::string_view) {};
  DumpList(content.meta, discard, content.explicitVR, DumpListOptions{.terminalText = true});
  DumpList(content.dataset, discard, content.explicitVR, DumpListOptions{.terminalText = true});

  const fuzz::MemoryFile file(bytes);
  TagList header;
  if (!file.Name().empty()) DICOMHeader(file.Name(), header);
  return 0;
}
