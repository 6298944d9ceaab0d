#pragma once

// The shared ground of the conversion's interoperability tests: a work folder, DCMTK and
// pydicom runs that must succeed, and image files written and read by our own code.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/test_bytes.hpp"
#include "elements/tag_list.hpp"
#include "support/peers.hpp"

namespace norvane::testing {

// pydicom's view of a converted file against the original (tests/convert/pixel_check.py).
inline std::string PixelCheck(const std::string& original, const std::string& converted) {
  const auto result = RunProgram({"/usr/bin/python3",
                                  std::string(NORVANE_SOURCE_DIR) + "/tests/convert/pixel_check.py",
                                  original, converted});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  return result.output;
}

inline int Field(const std::string& line, const std::string& name) {
  const size_t at = line.find(name + "=");
  return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + name.size() + 1);
}

class ConversionPeers : public ::testing::Test {
 protected:
  // Skips nothing: a missing program fails the test, as the tests are meant to run.
  void Require(std::initializer_list<const char*> programs) {
    for (const char* program : programs) {
      ASSERT_TRUE(HaveProgram(program)) << program << " is not installed";
    }
  }

  std::string Path(const std::string& name) const { return dir_ / name; }

  void Run(const std::vector<std::string>& argv) {
    const auto result = RunProgram(argv);
    std::string line;
    for (const auto& a : argv)
      line += a + " ";
    ASSERT_EQ(result.exitCode, 0) << line << "\n" << result.output;
  }

  // An explicit VR little endian image file written by our writer.
  std::string WriteImage(const std::string& name, const TagList& dataset) {
    const std::string path = Path(name + ".dcm");
    TagList meta;
    BuildMetaHeader(meta, GetTagText(dataset, 0x0008, 0x0016), GetTagText(dataset, 0x0008, 0x0018),
                    "1.2.840.10008.1.2.1");
    EXPECT_TRUE(WriteDicomFile(path, &meta, dataset, true, ByteOrder::kLittleEndian)) << path;
    return path;
  }

  DicomFileContent Read(const std::string& path) {
    DicomFileContent content = DICOMFile(path);
    EXPECT_TRUE(content.Ok()) << path << ": " << norvane::Describe(content.status);
    return content;
  }

  Bytes PixelData(const std::string& path) {
    const DicomFileContent content = Read(path);
    const TagRecord* data = FindTag(content.dataset, 0x7FE0, 0x0010);
    EXPECT_TRUE(data) << path << " has no pixel data";
    return data ? data->value : Bytes{};
  }

  // The pixels of a file as pydicom decodes them (GDCM for JPEG 2000 and JPEG-LS): every
  // frame, interleaved, little endian (tests/convert/jpeg_interop.py).
  Bytes PydicomPixels(const std::string& file) {
    const std::string raw = Path(std::filesystem::path(file).filename().string() + ".pydicom.raw");
    Run({"/usr/bin/python3", std::string(NORVANE_SOURCE_DIR) + "/tests/convert/jpeg_interop.py",
         "decoded", file, raw});
    return ReadFileBytes(raw);
  }

  TempDir dir_;
};

}  // namespace norvane::testing
