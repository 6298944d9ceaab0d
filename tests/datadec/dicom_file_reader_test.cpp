// DICOMFile, LoadFileDataset and DICOMHeader on files built byte by byte: transfer syntax
// detection, the meta group's VRs and end, big-endian datasets, and files cut short.

#include "datadec/dicom_file_reader.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "datadec/dicom_header_reader.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/values_in_file.hpp"
#include "dicom_test_files.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Describe;
using testing::Encoded;
using testing::MetaGroup;
using testing::Part10;
using testing::Record;
using testing::Text;
using testing::Undefined;
using testing::WriteBytes;

constexpr ByteOrder kLE = ByteOrder::kLittleEndian;
constexpr ByteOrder kBE = ByteOrder::kBigEndian;

// A small dataset with a sequence of undefined length, as its records are held.
TagList SampleDataset(bool explicitVR) {
  const auto vr = [explicitVR](const char* letters) { return explicitVR ? letters : ""; };
  return {Record(0x0008, 0x0016, vr("UI"), Text("1.2.840.10008.5.1.4.1.1.7\0")),
          Record(0x0008, 0x0018, vr("UI"), Text("1.2.3.4.5.6\0")),
          Undefined(0x0008, 0x1140, vr("SQ")),
          Undefined(0xFFFE, 0xE000, ""),
          Record(0x0008, 0x1150, vr("UI"), Text("1.2.3\0")),
          Record(0xFFFE, 0xE00D, "", {}),
          Record(0xFFFE, 0xE0DD, "", {}),
          Record(0x0010, 0x0010, vr("PN"), Text("DOE^JANE")),
          Record(0x0028, 0x0010, vr("US"), {0x00, 0x02})};
}

void ExpectSameRecords(const TagList& read, const TagList& expected) {
  ASSERT_EQ(read.size(), expected.size()) << "read:\n" << Describe(read);
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_TRUE(testing::SameRecord(read[i], expected[i]))
        << "record " << i << " read as " << Describe(read[i]) << "\nexpected "
        << Describe(expected[i]);
  }
}

class Part10Reader : public ::testing::Test {
 protected:
  std::string Write(const Bytes& bytes, const std::string& name = "file.dcm") {
    const std::string path = dir_ / name;
    WriteBytes(path, bytes);
    return path;
  }
  testing::TempDir dir_;
};

TEST_F(Part10Reader, ReadsEachUncompressedSyntaxAsItsTransferSyntaxNames) {
  struct Case {
    Bytes uid;
    bool explicitVR;
    ByteOrder order;
  };
  const Case cases[] = {{Text("1.2.840.10008.1.2\0"), false, kLE},
                        {Text("1.2.840.10008.1.2.1\0"), true, kLE},
                        {Text("1.2.840.10008.1.2.2\0"), true, kBE},
                        {Text("1.2.840.10008.1.2.4.70"), true, kLE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.uid.begin(), c.uid.end()));
    const TagList meta = MetaGroup(c.uid);
    const TagList dataset = SampleDataset(c.explicitVR);
    const DicomFileContent content =
        DICOMFile(Write(Part10(meta, Encoded(dataset, c.explicitVR, c.order))));
    ASSERT_TRUE(content.Ok()) << Describe(content.status);
    EXPECT_EQ(content.explicitVR, c.explicitVR);
    EXPECT_EQ(content.bigEndian, c.order == kBE);
    ExpectSameRecords(content.meta, meta);
    ExpectSameRecords(content.dataset, dataset);
  }
}

TEST_F(Part10Reader, TransferSyntaxPaddedWithNulIsImplicitButPaddedWithSpaceIsNot) {
  const TagList implicitData = SampleDataset(false);
  const DicomFileContent nulPadded = DICOMFile(
      Write(Part10(MetaGroup(Text("1.2.840.10008.1.2\0")), Encoded(implicitData, false, kLE))));
  ASSERT_TRUE(nulPadded.Ok());
  EXPECT_FALSE(nulPadded.explicitVR);
  for (const TagRecord& r : nulPadded.dataset)
    EXPECT_FALSE(r.HasVR()) << Describe(r);

  // With a space pad the UID names no syntax this reader knows: explicit little endian.
  const TagList explicitData = SampleDataset(true);
  const DicomFileContent spaced = DICOMFile(Write(
      Part10(MetaGroup(Text("1.2.840.10008.1.2 ")), Encoded(explicitData, true, kLE)), "b.dcm"));
  ASSERT_TRUE(spaced.Ok());
  EXPECT_TRUE(spaced.explicitVR);
  ExpectSameRecords(spaced.dataset, explicitData);
}

TEST_F(Part10Reader, BigEndianDatasetIsReadBigEndianFromItsFirstElement) {
  const TagList dataset = {Record(0x0008, 0x0005, "CS", Text("ISO_IR 100")),
                           Record(0x0028, 0x0010, "US", {0x02, 0x00})};
  const Bytes file = Part10(MetaGroup(Text("1.2.840.10008.1.2.2\0")), Encoded(dataset, true, kBE));
  const DicomFileContent content = DICOMFile(Write(file));
  ASSERT_TRUE(content.Ok());
  ExpectSameRecords(content.dataset, dataset);
  // Values stay as the file holds them: Rows 512 big endian.
  EXPECT_EQ(content.dataset[1].value, (Bytes{0x02, 0x00}));
}

TEST_F(Part10Reader, BigEndianDatasetWithoutGroupLengthStillEndsTheMetaGroup) {
  TagList meta = MetaGroup(Text("1.2.840.10008.1.2.2\0"));
  meta.erase(meta.begin());  // no (0002,0000): the meta group ends with its last element
  const TagList dataset = {Record(0x0008, 0x0060, "CS", Text("OT")),
                           Record(0x0028, 0x0011, "US", {0x01, 0x00})};
  const DicomFileContent content = DICOMFile(Write(Part10(meta, Encoded(dataset, true, kBE))));
  ASSERT_TRUE(content.Ok());
  ExpectSameRecords(content.meta, meta);
  ExpectSameRecords(content.dataset, dataset);
}

TEST_F(Part10Reader, MetaGroupEndingWithImplicitTransferSyntaxMakesDatasetImplicit) {
  const TagList meta = {Record(0x0002, 0x0000, "UL", {26, 0, 0, 0}),
                        Record(0x0002, 0x0010, "UI", Text("1.2.840.10008.1.2\0"))};
  const TagList dataset = {Record(0x0008, 0x0060, "", Text("OT")),
                           Record(0x0010, 0x0020, "", Text("PID1"))};
  const DicomFileContent content = DICOMFile(Write(Part10(meta, Encoded(dataset, false, kLE))));
  ASSERT_TRUE(content.Ok());
  EXPECT_FALSE(content.explicitVR);
  ExpectSameRecords(content.dataset, dataset);
}

TEST_F(Part10Reader, TransferSyntaxAfterTheMetaGroupLengthChangesNothing) {
  // The group length covers (0002,0001) only; the UID that follows is past the meta group.
  const TagList meta = {Record(0x0002, 0x0000, "UL", {10, 0, 0, 0}),
                        Record(0x0002, 0x0001, "OB", {0x00, 0x01}),
                        Record(0x0002, 0x0010, "UI", Text("1.2.840.10008.1.2\0"))};
  const TagList dataset = {Record(0x0008, 0x0060, "CS", Text("OT"))};
  const DicomFileContent content = DICOMFile(Write(Part10(meta, Encoded(dataset, true, kLE))));
  ASSERT_TRUE(content.Ok());
  EXPECT_TRUE(content.explicitVR);
  ExpectSameRecords(content.dataset, dataset);
}

TEST_F(Part10Reader, ImplicitMetaGroupIsReadAndItsElementsGetTheMetaVRs) {
  // Meta group written in implicit VR: (0002,0000) with a 32-bit length of 4.
  const Bytes metaBytes = Concat({{0x02, 0x00, 0x00, 0x00, 4, 0, 0, 0, 28, 0, 0, 0},
                                  {0x02, 0x00, 0x10, 0x00, 20, 0, 0, 0},
                                  Text("1.2.840.10008.1.2.1\0")});
  const TagList dataset = {Record(0x0008, 0x0060, "", Text("OT"))};
  const DicomFileContent content =
      DICOMFile(Write(Concat({testing::Preamble(), metaBytes, Encoded(dataset, false, kLE)})));
  ASSERT_TRUE(content.Ok());
  ASSERT_EQ(content.meta.size(), 2u) << Describe(content.meta);
  EXPECT_EQ(content.meta[0].length, 4u);
  EXPECT_EQ(content.meta[0].VRText(), "UL");
  EXPECT_EQ(content.meta[1].VRText(), "UI");
  // The rest of the file is implicit VR, whatever the UID says.
  EXPECT_FALSE(content.explicitVR);
  ExpectSameRecords(content.dataset, dataset);
}

TEST_F(Part10Reader, ElementStoredAsUNGetsItsDictionaryVR) {
  const TagList dataset = {Record(0x0010, 0x0010, "UN", Text("DOE^JOHN")),
                           Record(0x0009, 0x1001, "UN", Text("ABCD"))};
  const DicomFileContent content = DICOMFile(
      Write(Part10(MetaGroup(Text("1.2.840.10008.1.2.1\0")), Encoded(dataset, true, kLE))));
  ASSERT_TRUE(content.Ok());
  ASSERT_EQ(content.dataset.size(), 2u);
  EXPECT_EQ(content.dataset[0].VRText(), "PN");
  EXPECT_EQ(content.dataset[1].VRText(), "UN");  // no dictionary row for a private tag
}

TEST_F(Part10Reader, LargeValuesAreReadWholeWhereverTheyStartAndEnd) {
  // Values from 64 KiB on are read past the loaded file's pages: every byte must still
  // arrive, at page and step boundaries alike, with the records after them.
  for (const size_t size : {size_t{64} << 10, size_t{1} << 20, (size_t{9} << 20) + 4098}) {
    SCOPED_TRACE("value of " + std::to_string(size) + " bytes");
    Bytes pixels(size);
    for (size_t i = 0; i < size; ++i)
      pixels[i] = static_cast<uint8_t>(i * 7 + i / 4099);
    const TagList dataset = {Record(0x0008, 0x0060, "CS", Text("OT")),
                             Record(0x7FE0, 0x0010, "OB", pixels),
                             Record(0xFFFC, 0xFFFC, "OB", Text("PADDING!"))};
    const Bytes encoded = Encoded(dataset, true, kLE);
    const std::string path = Write(Part10(MetaGroup(Text("1.2.840.10008.1.2.1\0")), encoded));
    const DicomFileContent content = DICOMFile(path);
    ASSERT_TRUE(content.Ok()) << Describe(content.status);
    ExpectSameRecords(content.dataset, dataset);

    // Left in the file, the value is encoded from it, read back whole on demand, and a
    // file cut short since fails the encoding instead of giving other bytes.
    DicomFileContent left = DICOMFile(path, LargeValues::kLeftInFile);
    ASSERT_TRUE(left.Ok()) << Describe(left.status);
    ASSERT_EQ(left.dataset.size(), 3u);
    EXPECT_TRUE(left.dataset[1].inFile && left.dataset[1].value.empty());
    EXPECT_EQ(EncodeTags(left.dataset, true, kLE), encoded);
    TagList read = left.dataset;
    ASSERT_TRUE(ReadValuesInFile(read));
    ExpectSameRecords(read, dataset);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - size / 2);
    EXPECT_FALSE(EncodeTags(left.dataset, true, kLE));
    EXPECT_FALSE(ReadValuesInFile(left.dataset));
  }
}

TEST_F(Part10Reader, LastValueOneByteShortIsAcceptedWithAZeroByte) {
  const TagList dataset = {Record(0x0008, 0x0060, "CS", Text("OT")),
                           Record(0x0010, 0x0010, "PN", Text("DOE^JOHN"))};
  Bytes file = Part10(MetaGroup(Text("1.2.840.10008.1.2.1\0")), Encoded(dataset, true, kLE));
  file.pop_back();
  const DicomFileContent content = DICOMFile(Write(file));
  ASSERT_TRUE(content.Ok());
  ASSERT_EQ(content.dataset.size(), 2u);
  EXPECT_EQ(content.dataset[1].length, 8u);
  EXPECT_EQ(content.dataset[1].value, Text("DOE^JOH\0"));
}

TEST_F(Part10Reader, ValueTwoBytesShortFailsAndKeepsTheRecordsBeforeIt) {
  const TagList dataset = {Record(0x0008, 0x0060, "CS", Text("OT")),
                           Record(0x7FE0, 0x0010, "OW", Bytes(64, 0x11))};
  Bytes file = Part10(MetaGroup(Text("1.2.840.10008.1.2.1\0")), Encoded(dataset, true, kLE));
  file.resize(file.size() - 2);
  const DicomFileContent content = DICOMFile(Write(file));
  EXPECT_EQ(content.status, Part10ReadStatus::kValueCutShort);
  EXPECT_EQ(content.meta.size(), 5u);
  ASSERT_EQ(content.dataset.size(), 1u) << Describe(content.dataset);
  EXPECT_TRUE(content.dataset[0].Is(0x0008, 0x0060));
}

TEST_F(Part10Reader, DatasetEndingInsideAnElementHeaderEndsReadingWithSuccess) {
  const TagList dataset = {Record(0x0008, 0x0060, "CS", Text("OT"))};
  const Bytes file =
      Concat({Part10(MetaGroup(Text("1.2.840.10008.1.2.1\0")), Encoded(dataset, true, kLE)),
              Bytes{0x10, 0x00, 0x10, 0x00, 'P'}});
  const DicomFileContent content = DICOMFile(Write(file));
  ASSERT_TRUE(content.Ok());
  ExpectSameRecords(content.dataset, dataset);
}

TEST_F(Part10Reader, FilesWithoutDicmOrMissingFailWithEmptyLists) {
  const TagList dataset = SampleDataset(true);
  const Bytes bare = Encoded(dataset, true, kLE);
  Bytes wrongMagic = Part10(MetaGroup(Text("1.2.840.10008.1.2.1\0")), bare);
  wrongMagic[131] = 'X';
  for (const std::string& path :
       {Write(bare, "bare.dcm"), Write(wrongMagic, "magic.dcm"), Write(Bytes(131, 0), "short.dcm"),
        dir_ / "missing.dcm", dir_.path().string()}) {
    SCOPED_TRACE(path);
    const DicomFileContent content = DICOMFile(path);
    EXPECT_FALSE(content.Ok());
    EXPECT_TRUE(content.meta.empty());
    EXPECT_TRUE(content.dataset.empty());
    TagList header;
    EXPECT_FALSE(DICOMHeader(path, header));
    EXPECT_TRUE(header.empty());
  }
  EXPECT_EQ(DICOMFile(dir_ / "bare.dcm").status, Part10ReadStatus::kNoDicmPrefix);
  EXPECT_EQ(DICOMFile(dir_ / "missing.dcm").status, Part10ReadStatus::kCannotOpen);
}

TEST_F(Part10Reader, LoadFileDatasetGivesTheTransferSyntaxWithoutItsPad) {
  const TagList dataset = SampleDataset(false);
  const std::string path =
      Write(Part10(MetaGroup(Text("1.2.840.10008.1.2\0")), Encoded(dataset, false, kLE)));
  TagList read;
  EXPECT_EQ(LoadFileDataset(path, read), std::optional<std::string>("1.2.840.10008.1.2"));
  ExpectSameRecords(read, dataset);

  TagList meta = MetaGroup(Text("1.2.840.10008.1.2.1\0"));
  meta.pop_back();  // no (0002,0010)
  TagList none;
  EXPECT_FALSE(
      LoadFileDataset(Write(Part10(meta, Encoded(SampleDataset(true), true, kLE)), "n"), none)
          .has_value());
}

TEST_F(Part10Reader, HeaderReaderStopsBeforeThePixelDataGroupAndKeepsFileVRs) {
  const TagList dataset = {
      Record(0x0008, 0x0060, "", Text("OT")), Record(0x0028, 0x0010, "", {0x00, 0x02}),
      Record(0x7FE0, 0x0000, "", {8, 0, 0, 0}), Record(0x7FE0, 0x0010, "", Bytes(8, 0x22)),
      Record(0xFFFC, 0xFFFC, "", Bytes(4, 0))};
  const TagList meta = MetaGroup(Text("1.2.840.10008.1.2\0"));
  TagList list;
  ASSERT_TRUE(DICOMHeader(Write(Part10(meta, Encoded(dataset, false, kLE))), list));
  TagList expected = meta;
  expected.push_back(dataset[0]);
  expected.push_back(dataset[1]);
  ExpectSameRecords(list, expected);
}

TEST_F(Part10Reader, HeaderReaderReadsBigEndianDatasetsAndReportsValuesCutShort) {
  const TagList dataset = {Record(0x0028, 0x0010, "US", {0x02, 0x00}),
                           Record(0x0028, 0x0011, "US", {0x01, 0x00}),
                           Record(0x7FE0, 0x0010, "OW", Bytes(8, 0x22))};
  const Bytes file = Part10(MetaGroup(Text("1.2.840.10008.1.2.2\0")), Encoded(dataset, true, kBE));
  TagList list;
  ASSERT_TRUE(DICOMHeader(Write(file), list));
  ASSERT_EQ(list.size(), 7u) << Describe(list);
  EXPECT_TRUE(testing::SameRecord(list[5], dataset[0]));
  EXPECT_TRUE(testing::SameRecord(list[6], dataset[1]));

  // Cut inside the Columns value, before the pixel data.
  const size_t cut = file.size() - (12 + 8) - 2;
  TagList partial;
  EXPECT_FALSE(DICOMHeader(Write(Bytes(file.begin(), file.begin() + cut), "cut.dcm"), partial));
  EXPECT_EQ(partial.size(), 6u) << Describe(partial);
}

TEST(Part10ReaderDamage, CutAndDamagedFilesNeverGiveRecordsLongerThanTheirValues) {
  const TagList dataset = SampleDataset(true);
  const Bytes whole = Part10(MetaGroup(Text("1.2.840.10008.1.2.1\0")), Encoded(dataset, true, kLE));
  const auto check = [](const DicomFileContent& content) {
    for (const TagList* list : {&content.meta, &content.dataset}) {
      for (const TagRecord& r : *list)
        ASSERT_EQ(r.value.size(), r.HasValue() ? r.length : 0u) << Describe(r);
    }
  };
  for (size_t size = 0; size <= whole.size(); ++size) {
    const DicomFileContent content = DICOMFile(Bytes(whole.begin(), whole.begin() + size));
    check(content);
    if (size < 132) {
      EXPECT_EQ(content.status, Part10ReadStatus::kNoDicmPrefix);
    }
  }
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    Bytes damaged = whole;
    for (int flips = 0; flips < 3; ++flips)
      damaged[132 + random() % (damaged.size() - 132)] = static_cast<uint8_t>(random());
    check(DICOMFile(damaged));
  }
}

}  // namespace
}  // namespace norvane
