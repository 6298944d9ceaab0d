// DICOMFile against DCMTK's dcmdump on pydicom's sample files, and files written by
// WriteDicomFile and AppendMetaHeader read back by dcmdump and pydicom.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <sstream>

#include "datadec/append_meta_header.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "dicom_test_files.hpp"
#include "elements/byte_order.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "support/dcmdump_reference.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::DcmdumpOutput;
using testing::Describe;
using testing::DumpedElement;
using testing::Record;
using testing::Text;
using testing::Undefined;

// Records outside every sequence, without the delimiters that close them: what dcmdump
// prints at its top level.
std::vector<const TagRecord*> TopLevel(const TagList& list) {
  std::vector<const TagRecord*> out;
  int depth = 0;
  for (const TagRecord& r : list) {
    if (depth == 0 && r.group != kItemGroup) out.push_back(&r);
    if (r.group != kItemGroup && r.HasUndefinedLength()) ++depth;
    if (r.Is(tag::kSequenceDelimitationItem) && depth > 0) --depth;
  }
  return out;
}

std::vector<const DumpedElement*> DumpTopLevel(const DcmdumpOutput& dump, bool meta) {
  std::vector<const DumpedElement*> out;
  for (const DumpedElement& e : dump.elements) {
    if (e.meta == meta && e.depth == 0 && e.group != kItemGroup) out.push_back(&e);
  }
  return out;
}

void ExpectListMatchesDump(const std::vector<const TagRecord*>& ours,
                           const std::vector<const DumpedElement*>& theirs, bool explicitVR,
                           bool bigEndian) {
  EXPECT_EQ(ours.size(), theirs.size());
  int reported = 0;
  for (size_t i = 0; i < ours.size() && i < theirs.size() && reported < 10; ++i) {
    const std::string why = testing::DumpMismatch(*ours[i], *theirs[i], explicitVR, bigEndian);
    if (!why.empty()) {
      ADD_FAILURE() << "element " << i << " " << why;
      ++reported;
    }
  }
}

std::string SampleName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name = info.param;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class SampleFile : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleFile, ReadsTheElementsDcmdumpReads) {
  const std::string path = testing::PydicomFile(GetParam());
  const DicomFileContent content = DICOMFile(path);
  ASSERT_TRUE(content.Ok()) << Describe(content.status);
  const DcmdumpOutput dump = testing::RunDcmdump(path);
  ASSERT_EQ(dump.exitCode, 0) << dump.raw.substr(0, 2000);

  SCOPED_TRACE("meta group");
  ExpectListMatchesDump(TopLevel(content.meta), DumpTopLevel(dump, true), true, false);
  SCOPED_TRACE("dataset");
  const auto ours = TopLevel(content.dataset);
  const auto theirs = DumpTopLevel(dump, false);
  ASSERT_FALSE(theirs.empty());
  ExpectListMatchesDump(ours, theirs, content.explicitVR, content.bigEndian);
  const TagRecord* syntax = FindTag(content.meta, 0x0002, 0x0010);
  ASSERT_NE(syntax, nullptr);
  const DatasetEncoding encoding = EncodingOfTransferSyntax(UidText(syntax->value));
  EXPECT_EQ(content.explicitVR, encoding.explicitVR);
  EXPECT_EQ(content.bigEndian, encoding.bigEndian);
}

INSTANTIATE_TEST_SUITE_P(
    Pydicom, SampleFile,
    ::testing::Values("CT_small.dcm", "MR_small.dcm", "MR_small_implicit.dcm",
                      "MR_small_bigendian.dcm", "MR_small_expb.dcm", "MR_small_padded.dcm",
                      "SC_rgb_small_odd.dcm", "SC_ybr_full_422_uncompressed.dcm", "test-SR.dcm",
                      "reportsi.dcm", "reportsi_with_empty_number_tags.dcm", "rtplan.dcm",
                      "rtdose.dcm", "rtdose_expb.dcm", "waveform_ecg.dcm", "ExplVR_BigEnd.dcm",
                      "liver_1frame.dcm", "liver_expb_1frame.dcm", "nested_priv_SQ.dcm",
                      "priv_SQ.dcm", "empty_charset_LEI.dcm", "no_meta_group_length.dcm"),
    SampleName);

class FileWithoutPreamble : public ::testing::TestWithParam<const char*> {};

TEST_P(FileWithoutPreamble, IsNotReadAndLeavesBothListsEmpty) {
  const std::string path = testing::PydicomFile(GetParam());
  ASSERT_TRUE(std::filesystem::exists(path));
  const DicomFileContent content = DICOMFile(path);
  EXPECT_EQ(content.status, Part10ReadStatus::kNoDicmPrefix);
  EXPECT_TRUE(content.meta.empty());
  EXPECT_TRUE(content.dataset.empty());
}

INSTANTIATE_TEST_SUITE_P(Pydicom, FileWithoutPreamble,
                         ::testing::Values("no_meta.dcm", "ExplVR_BigEndNoMeta.dcm",
                                           "ExplVR_LitEndNoMeta.dcm", "rtstruct.dcm"),
                         SampleName);

TEST(TruncatedSample, FailsAfterReadingEveryElementBeforeThePixelData) {
  const std::string path = testing::PydicomFile("MR_truncated.dcm");
  const DicomFileContent content = DICOMFile(path);
  EXPECT_EQ(content.status, Part10ReadStatus::kValueCutShort);
  // dcmdump, told to print what it can of a damaged file, ends with the pixel data whose
  // value the file does not hold.
  const DcmdumpOutput dump = testing::RunDcmdump(path, {"+E"});
  auto theirs = DumpTopLevel(dump, false);
  ASSERT_FALSE(theirs.empty()) << dump.raw.substr(0, 2000);
  ASSERT_TRUE(theirs.back()->group == 0x7FE0 && theirs.back()->element == 0x0010);
  theirs.pop_back();
  ExpectListMatchesDump(TopLevel(content.dataset), theirs, content.explicitVR, false);
  ExpectListMatchesDump(TopLevel(content.meta), DumpTopLevel(dump, true), true, false);
}

TEST(EverySample, IsReadWithoutCrashingWhateverItHolds) {
  // Compressed, deflated, damaged and odd files alike: each read either succeeds or
  // reports why, and every record holds exactly its length in bytes.
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           std::filesystem::path(testing::PydicomFile("CT_small.dcm")).parent_path())) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const DicomFileContent content = DICOMFile(entry.path().string());
    for (const TagList* list : {&content.meta, &content.dataset}) {
      for (const TagRecord& r : *list) {
        ASSERT_EQ(r.value.size(), r.HasValue() ? r.length : 0u)
            << entry.path() << " " << Describe(r);
      }
    }
  }
  EXPECT_GT(files, 60u);
}

// ---- Files written by this system, read by DCMTK and pydicom ----

std::string PydicomReference(const std::vector<std::string>& words) {
  std::vector<std::string> argv = {
      "/usr/bin/python3", std::string(NORVANE_SOURCE_DIR) + "/tests/datadec/pydicom_reference.py"};
  argv.insert(argv.end(), words.begin(), words.end());
  const testing::RunResult run = testing::RunProgram(argv);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  return run.output;
}

void ExpectDcmdumpAcceptsWithoutWarnings(const std::string& path) {
  const DcmdumpOutput dump = testing::RunDcmdump(path);
  EXPECT_EQ(dump.exitCode, 0) << dump.raw.substr(0, 2000);
  EXPECT_TRUE(dump.problems.empty()) << "dcmdump complains:\n"
                                     << [&] {
                                          std::string all;
                                          for (const std::string& p : dump.problems)
                                            all += p + "\n";
                                          return all;
                                        }();
}

class RewrittenSample : public ::testing::TestWithParam<const char*> {};

TEST_P(RewrittenSample, ReadsBackToTheSameRecordsAndValues) {
  const std::string source = testing::PydicomFile(GetParam());
  const DicomFileContent original = DICOMFile(source);
  ASSERT_TRUE(original.Ok());
  const TagRecord* syntax = FindTag(original.meta, 0x0002, 0x0010);
  ASSERT_NE(syntax, nullptr);
  const std::string uid(UidText(syntax->value));

  TagList meta;
  BuildMetaHeader(meta, GetTagText(original.dataset, 0x0008, 0x0016),
                  GetTagText(original.dataset, 0x0008, 0x0018), uid);
  testing::TempDir dir;
  const std::string out = dir / "out.dcm";
  ASSERT_TRUE(
      WriteDicomFile(out, &meta, original.dataset, original.explicitVR,
                     original.bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian));

  const DicomFileContent again = DICOMFile(out);
  ASSERT_TRUE(again.Ok());
  EXPECT_EQ(again.explicitVR, original.explicitVR);
  ASSERT_EQ(again.dataset.size(), original.dataset.size());
  for (size_t i = 0; i < again.dataset.size(); ++i) {
    ASSERT_TRUE(testing::SameRecord(again.dataset[i], original.dataset[i]))
        << "record " << i << ": " << Describe(again.dataset[i]);
  }
  ExpectDcmdumpAcceptsWithoutWarnings(out);
  const std::string compared = PydicomReference({"compare", source, out});
  EXPECT_NE(compared.find("SAME\n"), std::string::npos) << compared;
  EXPECT_NE(compared.find("TS " + uid + "\n"), std::string::npos) << compared;
}

INSTANTIATE_TEST_SUITE_P(Pydicom, RewrittenSample,
                         ::testing::Values("MR_small_implicit.dcm", "MR_small.dcm",
                                           "MR_small_bigendian.dcm", "CT_small.dcm", "rtplan.dcm",
                                           "test-SR.dcm"),
                         SampleName);

// An image built here, its numbers in the byte order of each syntax.
TagList SyntheticImage(bool explicitVR, bool bigEndian) {
  const auto vr = [explicitVR](const char* letters) { return explicitVR ? letters : ""; };
  const auto us = [bigEndian](uint16_t n) {
    Bytes b(2);
    StoreU16(b.data(), n, bigEndian);
    return b;
  };
  Bytes pixels(4 * 6 * 2);
  for (size_t i = 0; i < pixels.size() / 2; ++i)
    StoreU16(pixels.data() + 2 * i, static_cast<uint16_t>(1000 + 37 * i), bigEndian);
  return {Record(0x0008, 0x0016, vr("UI"), Text("1.2.840.10008.5.1.4.1.1.7\0")),
          Record(0x0008, 0x0018, vr("UI"), Text("1.2.826.0.1.3680043.2.1143.71\0")),
          Record(0x0008, 0x0060, vr("CS"), Text("OT")),
          Undefined(0x0008, 0x1140, vr("SQ")),
          Undefined(0xFFFE, 0xE000, ""),
          Record(0x0008, 0x1150, vr("UI"), Text("1.2.840.10008.5.1.4.1.1.7\0")),
          Record(0x0008, 0x1155, vr("UI"), Text("1.2.3.4.5\0")),
          Record(0xFFFE, 0xE00D, "", {}),
          Record(0xFFFE, 0xE0DD, "", {}),
          Record(0x0010, 0x0010, vr("PN"), Text("DOE^JANE")),
          Record(0x0010, 0x0020, vr("LO"), Text("PID0001 ")),
          Record(0x0020, 0x000D, vr("UI"), Text("1.2.826.0.1.3680043.2.1143.72\0")),
          Record(0x0020, 0x000E, vr("UI"), Text("1.2.826.0.1.3680043.2.1143.73\0")),
          Record(0x0028, 0x0002, vr("US"), us(1)),
          Record(0x0028, 0x0004, vr("CS"), Text("MONOCHROME2 ")),
          Record(0x0028, 0x0010, vr("US"), us(4)),
          Record(0x0028, 0x0011, vr("US"), us(6)),
          Record(0x0028, 0x0100, vr("US"), us(16)),
          Record(0x0028, 0x0101, vr("US"), us(16)),
          Record(0x0028, 0x0102, vr("US"), us(15)),
          Record(0x0028, 0x0103, vr("US"), us(0)),
          Record(0x7FE0, 0x0010, vr("OW"), pixels)};
}

TEST(WrittenFile, EachUncompressedSyntaxIsReadByDcmdumpAndPydicomWithTheSameValues) {
  struct Case {
    const char* uid;
    bool explicitVR;
    bool bigEndian;
  };
  for (const Case& c :
       {Case{"1.2.840.10008.1.2", false, false}, Case{"1.2.840.10008.1.2.1", true, false},
        Case{"1.2.840.10008.1.2.2", true, true}}) {
    SCOPED_TRACE(c.uid);
    const TagList dataset = SyntheticImage(c.explicitVR, c.bigEndian);
    TagList meta;
    BuildMetaHeader(meta, GetTagText(dataset, 0x0008, 0x0016), GetTagText(dataset, 0x0008, 0x0018),
                    c.uid);
    testing::TempDir dir;
    const std::string path = dir / "image.dcm";
    ASSERT_TRUE(WriteDicomFile(path, &meta, dataset, c.explicitVR,
                               c.bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian));
    ExpectDcmdumpAcceptsWithoutWarnings(path);

    long sum = 0;
    for (size_t i = 0; i < 24; ++i)
      sum += 1000 + 37 * static_cast<long>(i);
    const std::string fields = PydicomReference({"fields", path});
    for (const std::string& expected :
         {"TS=" + std::string(c.uid),
          std::string("ImplementationClassUID=") + std::string(kImplementationClassUID),
          std::string("ImplementationVersionName=VelmoraSoft"),
          std::string("MediaStorageSOPInstanceUID=1.2.826.0.1.3680043.2.1143.71"),
          std::string("PatientName=DOE^JANE"), std::string("Rows=4"), std::string("Columns=6"),
          std::string("ReferencedSOPInstanceUID=1.2.3.4.5"), "PixelSum=" + std::to_string(sum),
          std::string("PixelFirst=1000")}) {
      EXPECT_NE(fields.find(expected + "\n"), std::string::npos)
          << "pydicom does not read " << expected << " in:\n"
          << fields;
    }
  }
}

// Bare datasets (no preamble, no meta group) made by dcmconv, then given their meta group.
TEST(AppendMetaHeaderOnDcmconvOutput, GivesFilesDcmdumpAndPydicomReadLikeTheOriginal) {
  struct Case {
    const char* option;
    const char* uid;
  };
  for (const Case& c : {Case{"+ti", "1.2.840.10008.1.2"}, Case{"+te", "1.2.840.10008.1.2.1"},
                        Case{"+tb", "1.2.840.10008.1.2.2"}}) {
    SCOPED_TRACE(c.option);
    testing::TempDir dir;
    const std::string source = testing::PydicomFile("CT_small.dcm");
    const std::string bare = dir / "bare";
    const std::string full = dir / "full.dcm";
    ASSERT_EQ(testing::RunProgram({"dcmconv", "-F", c.option, source, bare}).exitCode, 0);
    ASSERT_EQ(testing::RunProgram({"dcmconv", c.option, source, full}).exitCode, 0);
    const Bytes bareBytes = testing::ReadFileBytes(bare);

    ASSERT_EQ(AppendMetaHeader(bare, c.uid), AppendMetaResult::kDone);
    ExpectDcmdumpAcceptsWithoutWarnings(bare);
    const std::string compared = PydicomReference({"compare", full, bare});
    EXPECT_NE(compared.find("SAME\n"), std::string::npos) << compared;
    EXPECT_NE(compared.find(std::string("TS ") + c.uid + "\n"), std::string::npos) << compared;

    // The dataset bytes follow the meta group unchanged.
    const Bytes written = testing::ReadFileBytes(bare);
    ASSERT_GE(written.size(), bareBytes.size());
    EXPECT_TRUE(std::equal(bareBytes.begin(), bareBytes.end(),
                           written.end() - static_cast<long>(bareBytes.size())));
  }
}

TEST(AppendMetaHeaderOnSamplesWithoutMeta, GivesFilesPydicomReadsLikeTheOriginal) {
  struct Case {
    const char* file;
    const char* uid;
  };
  for (const Case& c : {Case{"ExplVR_LitEndNoMeta.dcm", "1.2.840.10008.1.2.1"},
                        Case{"ExplVR_BigEndNoMeta.dcm", "1.2.840.10008.1.2.2"},
                        Case{"rtstruct.dcm", "1.2.840.10008.1.2"}}) {
    SCOPED_TRACE(c.file);
    testing::TempDir dir;
    const std::string path = dir / "copy.dcm";
    std::filesystem::copy_file(testing::PydicomFile(c.file), path);
    ASSERT_EQ(AppendMetaHeader(path, c.uid), AppendMetaResult::kDone);
    ExpectDcmdumpAcceptsWithoutWarnings(path);
    const std::string compared =
        PydicomReference({"compare", testing::PydicomFile(c.file), path, "force"});
    EXPECT_NE(compared.find("SAME\n"), std::string::npos) << compared;
    EXPECT_TRUE(DICOMFile(path).Ok());
  }
}

}  // namespace
}  // namespace norvane
