#pragma once

// DICOM objects and folders for the storage SCU tests: small images written by our own
// writer, series folders laid out as the storage SCP lays them out, and data sets read
// back from the bytes a peer received.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/database_index.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tag_list.hpp"
#include "platform/folders.hpp"

namespace norvane::testing {

inline constexpr std::string_view kCTImageStorage = "1.2.840.10008.5.1.4.1.1.2";
inline constexpr std::string_view kMRImageStorage = "1.2.840.10008.5.1.4.1.1.4";
inline constexpr std::string_view kSecondaryCapture = "1.2.840.10008.5.1.4.1.1.7";
inline constexpr std::string_view kImplicitTS = "1.2.840.10008.1.2";
inline constexpr std::string_view kExplicitTS = "1.2.840.10008.1.2.1";
inline constexpr std::string_view kBigEndianTS = "1.2.840.10008.1.2.2";
inline constexpr std::string_view kBaselineTS = "1.2.840.10008.1.2.4.50";
inline constexpr std::string_view kLosslessTS = "1.2.840.10008.1.2.4.70";

inline TagRecord Padded(uint16_t group, uint16_t element, std::string_view vr,
                        std::string_view text) {
  std::string value(text);
  if (value.size() % 2 != 0) value += vr == "UI" ? '\0' : ' ';
  return GenerateTextTag(group, element, vr, value);
}

// A MONOCHROME2 image of rows x columns 16-bit samples (little endian, a ramp that
// depends on `seed`), with the UIDs the local database files it under. An empty instance
// UID leaves (0008,0018) out.
inline TagList SmallImage(std::string_view sopClass, std::string_view instance,
                          std::string_view study, std::string_view series, uint16_t rows = 8,
                          uint16_t columns = 8, uint32_t seed = 1) {
  TagList list;
  list.push_back(Padded(0x0008, 0x0016, "UI", sopClass));
  if (!instance.empty()) list.push_back(Padded(0x0008, 0x0018, "UI", instance));
  list.push_back(Padded(0x0008, 0x0060, "CS", "CT"));
  list.push_back(Padded(0x0010, 0x0010, "PN", "STORE^TEST"));
  list.push_back(Padded(0x0010, 0x0020, "LO", "STORE1"));
  list.push_back(Padded(0x0020, 0x000D, "UI", study));
  list.push_back(Padded(0x0020, 0x000E, "UI", series));
  list.push_back(Padded(0x0020, 0x0013, "IS", std::to_string(seed)));
  list.push_back(GenerateUSTag(0x0028, 0x0002, 1));
  list.push_back(Padded(0x0028, 0x0004, "CS", "MONOCHROME2"));
  list.push_back(GenerateUSTag(0x0028, 0x0010, rows));
  list.push_back(GenerateUSTag(0x0028, 0x0011, columns));
  list.push_back(GenerateUSTag(0x0028, 0x0100, 16));
  list.push_back(GenerateUSTag(0x0028, 0x0101, 16));
  list.push_back(GenerateUSTag(0x0028, 0x0102, 15));
  list.push_back(GenerateUSTag(0x0028, 0x0103, 0));
  std::vector<uint8_t> pixels(size_t{rows} * columns * 2);
  for (size_t i = 0; i < pixels.size() / 2; ++i) {
    const uint16_t v = static_cast<uint16_t>((i * 37 + seed * 1009) & 0xFFFF);
    pixels[2 * i] = static_cast<uint8_t>(v);
    pixels[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  list.push_back(GenerateTag(0x7FE0, 0x0010, "OW", pixels));
  return list;
}

// Writes the data set as a Part 10 file in the syntax (only the uncompressed little
// endian ones: the values are written as they stand).
inline bool WriteObject(const std::string& path, const TagList& dataset,
                        std::string_view syntax = kExplicitTS) {
  TagList meta;
  BuildMetaHeader(meta, GetTagText(dataset, 0x0008, 0x0016), GetTagText(dataset, 0x0008, 0x0018),
                  syntax);
  return WriteDicomFile(path, &meta, dataset, EncodingOfTransferSyntax(syntax).explicitVR,
                        ByteOrder::kLittleEndian);
}

inline std::string ImageUID(std::string_view base, size_t i) {
  return std::string(base) + "." + std::to_string(i + 1);
}

// A series of `count` images stored the way the storage SCP stores a received object:
// the index updated under `root`, then the file written as <SOPInstanceUID>.dcm in the
// series folder. Returns the series folder with its trailing '/'.
inline std::string StoreSeries(const std::string& root, size_t count,
                               std::string_view sopClass = kCTImageStorage, uint16_t rows = 8,
                               uint16_t columns = 8) {
  const std::string study = "1.2.826.0.1.3680043.2.4821.7.1";
  const std::string series = "1.2.826.0.1.3680043.2.4821.7.1.2";
  const std::string folder = WithTrailingSeparator(root) + study + "/" + series + "/";
  for (size_t i = 0; i < count; ++i) {
    const TagList image = SmallImage(sopClass, ImageUID("1.2.826.0.1.3680043.2.4821.7.1.2.3", i),
                                     study, series, rows, columns, static_cast<uint32_t>(i + 1));
    const std::string file = folder + ImageUID("1.2.826.0.1.3680043.2.4821.7.1.2.3", i) + ".dcm";
    if (!IndexSucceeded(UpdateDatabaseIndex(file, root, image))) return "";
    if (!WriteObject(file, image)) return "";
  }
  return folder;
}

// The data set a peer received as data set message bytes, read back by our file reader.
inline DicomFileContent ReadWireDataset(const std::vector<uint8_t>& bytes,
                                        std::string_view syntax) {
  TagList meta;
  BuildMetaHeader(meta, "1.2.3", "1.2.3.4", syntax);
  std::vector<uint8_t> file(128, 0);
  file.insert(file.end(), {'D', 'I', 'C', 'M'});
  const std::optional<std::vector<uint8_t>> metaBytes =
      EncodeTags(meta, true, ByteOrder::kLittleEndian);
  if (metaBytes) file.insert(file.end(), metaBytes->begin(), metaBytes->end());
  file.insert(file.end(), bytes.begin(), bytes.end());
  return DICOMFile(std::span<const uint8_t>(file));
}

}  // namespace norvane::testing
