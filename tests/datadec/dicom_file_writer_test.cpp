// BuildMetaHeader, WriteDicomFile and AppendMetaHeader: the meta group's bytes, the file
// layout, read-back through DICOMFile, and failures that leave the old file intact.

#include "datadec/dicom_file_writer.hpp"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "datadec/append_meta_header.hpp"
#include "datadec/deflate_stream.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_header_reader.hpp"
#include "datadec/meta_header.hpp"
#include "dicom_test_files.hpp"
#include "elements/tag_list.hpp"
#include "support/deflated.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Deflated;
using testing::Describe;
using testing::Encoded;
using testing::Hex;
using testing::Record;
using testing::Text;
using testing::Undefined;
using testing::WriteBytes;

constexpr ByteOrder kLE = ByteOrder::kLittleEndian;
constexpr ByteOrder kBE = ByteOrder::kBigEndian;

TagList Dataset(bool explicitVR) {
  const auto vr = [explicitVR](const char* letters) { return explicitVR ? letters : ""; };
  return {Record(0x0008, 0x0016, vr("UI"), Text("1.2.840.10008.5.1.4.1.1.7\0")),
          Record(0x0008, 0x0018, vr("UI"), Text("1.2.826.0.1.3680043.2.1143.1\0")),
          Undefined(0x0008, 0x1140, vr("SQ")),
          Undefined(0xFFFE, 0xE000, ""),
          Record(0x0008, 0x1150, vr("UI"), Text("1.2.3\0")),
          Record(0xFFFE, 0xE00D, "", {}),
          Record(0xFFFE, 0xE0DD, "", {}),
          Record(0x0010, 0x0010, vr("PN"), Text("DOE^JANE")),
          Record(0x7FE0, 0x0010, vr("OW"), Bytes(512, 0x5A))};
}

void ExpectSameRecords(const TagList& read, const TagList& expected) {
  ASSERT_EQ(read.size(), expected.size()) << "read:\n" << Describe(read);
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_TRUE(testing::SameRecord(read[i], expected[i]))
        << "record " << i << " read as " << Describe(read[i]) << "\nexpected "
        << Describe(expected[i]);
  }
}

uint32_t GroupLength(const TagList& meta) {
  const TagRecord& r = meta.at(0);
  return r.value.at(0) | (r.value.at(1) << 8) | (r.value.at(2) << 16) |
         (uint32_t{r.value.at(3)} << 24);
}

// Runs `work` in a child process whose files may not grow past `limit` bytes, so that a
// write fails part way as on a full disk; returns the child's exit status.
template <class Work>
int WithFileSizeLimit(rlim_t limit, Work work) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &small);
    ::_exit(work() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

size_t FilesIn(const std::filesystem::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
    ++n;
  return n;
}

TEST(MetaHeader, HoldsTheSevenElementsInOrderWithPaddedUIDs) {
  TagList meta = {Record(0x0010, 0x0010, "PN", Text("OLD"))};
  BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.2", "1.2.3.4.5.6.7.8.9.10.11.12.1",
                  "1.2.840.10008.1.2", false);
  const TagList expected = {
      Record(0x0002, 0x0000, "UL", {0, 0, 0, 0}),
      Record(0x0002, 0x0001, "OB", {0x00, 0x01}),
      Record(0x0002, 0x0002, "UI", Text("1.2.840.10008.5.1.4.1.1.2\0")),
      Record(0x0002, 0x0003, "UI", Text("1.2.3.4.5.6.7.8.9.10.11.12.1")),
      Record(0x0002, 0x0010, "UI", Text("1.2.840.10008.1.2\0")),
      Record(0x0002, 0x0012, "UI", Text("1.2.826.0.1.3680043.2.4821.999")),
      Record(0x0002, 0x0013, "SH", Text("VelmoraSoft\0")),
  };
  ASSERT_EQ(meta.size(), expected.size()) << Describe(meta);
  for (size_t i = 1; i < meta.size(); ++i)
    EXPECT_TRUE(testing::SameRecord(meta[i], expected[i])) << Describe(meta[i]);
  EXPECT_TRUE(meta[0].Is(0x0002, 0x0000));
  EXPECT_EQ(meta[0].VRText(), "UL");
  EXPECT_EQ(GroupLength(meta), EncodedLength(meta, true) - 12);
}

TEST(MetaHeader, GroupLengthOfUIDsOf26And18And20BytesIs160) {
  TagList meta;
  // 25, 18 and 19 characters: padded to 26, 18 and 20 bytes.
  BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.2", "1.2.826.0.1.368004", "1.2.840.10008.1.2.1");
  ASSERT_EQ(meta.size(), 7u);
  EXPECT_EQ(meta[2].length, 26u);
  EXPECT_EQ(meta[3].length, 18u);
  EXPECT_EQ(meta[4].length, 20u);
  EXPECT_EQ(GroupLength(meta), 160u);
}

TEST(MetaHeader, InstanceUIDOf25CharactersIsWrittenWithLength26AndANul) {
  TagList meta;
  BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.7", "1.2.826.0.1.3680043.2.114",
                  "1.2.840.10008.1.2");
  ASSERT_EQ(meta.size(), 7u);
  EXPECT_EQ(meta[3].length, 26u);
  EXPECT_EQ(meta[3].value.back(), 0);
  const Bytes bytes = Encoded(meta, true, kLE);
  // (0002,0003) UI, 16-bit length 26, then the 25 characters and the NUL.
  const Bytes header = {0x02, 0x00, 0x03, 0x00, 'U', 'I', 26, 0};
  const auto at = std::search(bytes.begin(), bytes.end(), header.begin(), header.end());
  ASSERT_NE(at, bytes.end()) << Hex(bytes);
  EXPECT_EQ(Bytes(at + 8, at + 8 + 26), Text("1.2.826.0.1.3680043.2.114\0"));
}

TEST(MetaHeader, MissingUIDsGiveEmptyElements) {
  TagList meta;
  BuildMetaHeader(meta, "", "", "1.2.840.10008.1.2");
  ASSERT_EQ(meta.size(), 7u);
  EXPECT_EQ(meta[2].length, 0u);
  EXPECT_EQ(meta[3].length, 0u);
  EXPECT_EQ(GroupLength(meta), EncodedLength(meta, true) - 12);
}

class Part10Writer : public ::testing::Test {
 protected:
  testing::TempDir dir_;
};

TEST_F(Part10Writer, FileIsPreambleDicmMetaAndDatasetInItsSyntax) {
  struct Case {
    const char* uid;
    bool explicitVR;
    ByteOrder order;
  };
  for (const Case& c :
       {Case{"1.2.840.10008.1.2", false, kLE}, Case{"1.2.840.10008.1.2.1", true, kLE},
        Case{"1.2.840.10008.1.2.2", true, kBE}}) {
    SCOPED_TRACE(c.uid);
    TagList meta;
    BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.7", "1.2.826.0.1.3680043.2.1143.1", c.uid);
    const TagList dataset = Dataset(c.explicitVR);
    const std::string path = dir_ / "out.dcm";
    ASSERT_TRUE(WriteDicomFile(path, &meta, dataset, c.explicitVR, c.order));

    const Bytes expected = Concat(
        {testing::Preamble(), Encoded(meta, true, kLE), Encoded(dataset, c.explicitVR, c.order)});
    EXPECT_EQ(testing::ReadFileBytes(path), expected);

    const DicomFileContent content = DICOMFile(path);
    ASSERT_TRUE(content.Ok());
    EXPECT_EQ(content.explicitVR, c.explicitVR);
    ExpectSameRecords(content.meta, meta);
    ExpectSameRecords(content.dataset, dataset);
  }
}

constexpr const char* kDeflated = "1.2.840.10008.1.2.1.99";

// A deflated file is its meta group, then the explicit VR little endian data set as one raw
// deflate stream; both readers inflate it, with or without a meta group length to say
// where the meta group ends, and a stream cut short fails the reading.
TEST_F(Part10Writer, DeflatedDatasetIsOneRawDeflateStreamAfterTheMetaGroup) {
  const TagList dataset = Dataset(true);
  for (const bool groupLength : {true, false}) {
    SCOPED_TRACE(groupLength ? "with group length" : "without group length");
    TagList meta;
    BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.7", "1.2.826.0.1.3680043.2.1143.1", kDeflated);
    if (!groupLength) meta.erase(meta.begin());
    const std::string path = dir_ / "deflated.dcm";
    ASSERT_TRUE(WriteDicomFile(path, &meta, dataset, true, kLE));
    const Bytes file = testing::ReadFileBytes(path);
    const Bytes start = Concat({testing::Preamble(), Encoded(meta, true, kLE)});
    ASSERT_GT(file.size(), start.size());
    EXPECT_TRUE(std::equal(start.begin(), start.end(), file.begin()));
    const std::optional<Bytes> inflated =
        InflateAll(std::span<const uint8_t>(file).subspan(start.size()));
    ASSERT_TRUE(inflated);
    EXPECT_EQ(*inflated, Encoded(dataset, true, kLE));

    const DicomFileContent content = DICOMFile(path);
    ASSERT_TRUE(content.Ok()) << Describe(content.status);
    ExpectSameRecords(content.dataset, dataset);
    TagList header;
    std::optional<TagRecord> pixelData;
    ASSERT_TRUE(DICOMHeader(path, header, pixelData));
    ASSERT_EQ(header.size(), meta.size() + dataset.size() - 1);
    ExpectSameRecords(TagList(header.begin() + static_cast<ptrdiff_t>(meta.size()), header.end()),
                      TagList(dataset.begin(), dataset.end() - 1));
    ASSERT_TRUE(pixelData);
    EXPECT_EQ(pixelData->length, 512u);

    const std::string cut = dir_ / "cut.dcm";
    WriteBytes(cut, Bytes(file.begin(), file.end() - 8));
    EXPECT_EQ(DICOMFile(cut).status, Part10ReadStatus::kBadDeflate);
    TagList cutHeader;
    EXPECT_FALSE(DICOMHeader(cut, cutHeader));
  }
}

TEST_F(Part10Writer, WithoutMetaListOnlyTheDatasetIsWritten) {
  const TagList dataset = Dataset(false);
  const std::string path = dir_ / "bare.dcm";
  ASSERT_TRUE(WriteDicomFile(path, nullptr, dataset, false, kLE));
  const Bytes bytes = testing::ReadFileBytes(path);
  EXPECT_EQ(bytes, Encoded(dataset, false, kLE));
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), std::begin("DICM"), std::end("DICM") - 1),
            bytes.end());
}

TEST_F(Part10Writer, FailuresReportFalseAndLeaveTheOldFileAsItWas) {
  const std::string path = dir_ / "keep.dcm";
  const Bytes old = Text("previous content");
  WriteBytes(path, old);

  // A short-length VR cannot carry 70000 bytes in explicit VR.
  const TagList tooLong = {Record(0x0008, 0x0060, "CS", Bytes(70000, 'A'))};
  EXPECT_FALSE(WriteDicomFile(path, nullptr, tooLong, true, kLE));
  EXPECT_EQ(testing::ReadFileBytes(path), old);

  // The disk fills up part way.
  const TagList big = {Record(0x7FE0, 0x0010, "OW", Bytes(200000, 0x33))};
  EXPECT_EQ(
      WithFileSizeLimit(100000, [&] { return WriteDicomFile(path, nullptr, big, true, kLE); }), 1);
  EXPECT_EQ(testing::ReadFileBytes(path), old);
  EXPECT_EQ(FilesIn(dir_.path()), 1u) << "a temporary file was left behind";

  EXPECT_FALSE(WriteDicomFile(dir_ / "no/such/folder/x.dcm", nullptr, big, true, kLE));
}

TEST_F(Part10Writer, ReplacedFileKeepsItsPermissions) {
  const std::string path = dir_ / "mode.dcm";
  WriteBytes(path, Text("old"));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteDicomFile(path, nullptr, Dataset(true), true, kLE));
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(Part10Writer, SymbolicLinkStaysALinkToTheReplacedFile) {
  const std::string real = dir_ / "real.dcm";
  const std::string link = dir_ / "link.dcm";
  WriteBytes(real, Text("old"));
  std::filesystem::create_symlink(real, link);
  const TagList dataset = Dataset(true);
  ASSERT_TRUE(WriteDicomFile(link, nullptr, dataset, true, kLE));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(testing::ReadFileBytes(real), Encoded(dataset, true, kLE));
}

TEST_F(Part10Writer, TargetWithTheLongestNameIsStillWritten) {
  const std::string path = dir_ / std::string(255, 'N');
  WriteBytes(path, Text("old"));
  const TagList dataset = Dataset(true);
  ASSERT_TRUE(WriteDicomFile(path, nullptr, dataset, true, kLE));
  EXPECT_EQ(testing::ReadFileBytes(path), Encoded(dataset, true, kLE));
  EXPECT_EQ(FilesIn(dir_.path()), 1u);
}

class AppendMeta : public ::testing::Test {
 protected:
  std::string WriteBare(const TagList& dataset, bool explicitVR, ByteOrder order) {
    const std::string path = dir_ / "bare.dcm";
    WriteBytes(path, Encoded(dataset, explicitVR, order));
    return path;
  }
  testing::TempDir dir_;
};

TEST_F(AppendMeta, BareDatasetOfEachSyntaxReadsBackToTheSameRecords) {
  struct Case {
    const char* uid;
    bool explicitVR;
    ByteOrder order;
  };
  for (const Case& c :
       {Case{"1.2.840.10008.1.2", false, kLE}, Case{"1.2.840.10008.1.2.1", true, kLE},
        Case{"1.2.840.10008.1.2.2", true, kBE}}) {
    SCOPED_TRACE(c.uid);
    const TagList dataset = Dataset(c.explicitVR);
    const std::string path = WriteBare(dataset, c.explicitVR, c.order);
    ASSERT_EQ(AppendMetaHeader(path, c.uid), AppendMetaResult::kDone);

    const DicomFileContent content = DICOMFile(path);
    ASSERT_TRUE(content.Ok());
    EXPECT_EQ(content.explicitVR, c.explicitVR);
    ExpectSameRecords(content.dataset, dataset);
    TagList meta;
    BuildMetaHeader(meta, "1.2.840.10008.5.1.4.1.1.7", "1.2.826.0.1.3680043.2.1143.1", c.uid);
    ExpectSameRecords(content.meta, meta);
  }
}

// A bare deflated data set is inflated, read, and written back deflated under the meta group.
TEST_F(AppendMeta, BareDeflatedDatasetBecomesADeflatedFile) {
  const TagList dataset = Dataset(true);
  const std::string path = dir_ / "bare.dfl";
  WriteBytes(path, Deflated(Encoded(dataset, true, kLE)));
  ASSERT_EQ(AppendMetaHeader(path, kDeflated), AppendMetaResult::kDone);
  const DicomFileContent content = DICOMFile(path);
  ASSERT_TRUE(content.Ok());
  EXPECT_EQ(GetTagText(content.meta, 0x0002, 0x0010), kDeflated);
  ExpectSameRecords(content.dataset, dataset);
  // Plain bytes are no deflate stream.
  const std::string plain = WriteBare(dataset, true, kLE);
  EXPECT_EQ(AppendMetaHeader(plain, kDeflated), AppendMetaResult::kValueCutShort);
}

TEST_F(AppendMeta, DatasetWithoutSopUIDsGetsEmptyMetaUIDs) {
  const TagList dataset = {Record(0x0010, 0x0010, "PN", Text("DOE^JANE"))};
  const std::string path = WriteBare(dataset, true, kLE);
  ASSERT_EQ(AppendMetaHeader(path, "1.2.840.10008.1.2.1"), AppendMetaResult::kDone);
  const DicomFileContent content = DICOMFile(path);
  ASSERT_TRUE(content.Ok());
  EXPECT_EQ(FindTag(content.meta, 0x0002, 0x0002)->length, 0u);
  EXPECT_EQ(FindTag(content.meta, 0x0002, 0x0003)->length, 0u);
  ExpectSameRecords(content.dataset, dataset);
}

TEST_F(AppendMeta, RefusesWhatItCannotTurnIntoTheSameDataset) {
  const std::string missing = dir_ / "missing.dcm";
  EXPECT_EQ(AppendMetaHeader(missing, "1.2.840.10008.1.2"), AppendMetaResult::kCannotOpen);
  EXPECT_FALSE(std::filesystem::exists(missing));

  // A DICOM file already: rewrapping it would bury its meta group in the dataset.
  const std::string part10 = WriteBare(Dataset(true), true, kLE);
  ASSERT_EQ(AppendMetaHeader(part10, "1.2.840.10008.1.2.1"), AppendMetaResult::kDone);
  const Bytes before = testing::ReadFileBytes(part10);
  EXPECT_EQ(AppendMetaHeader(part10, "1.2.840.10008.1.2.1"), AppendMetaResult::kAlreadyPart10);
  EXPECT_EQ(testing::ReadFileBytes(part10), before);

  const std::string empty = dir_ / "empty.dcm";
  WriteBytes(empty, {});
  EXPECT_EQ(AppendMetaHeader(empty, "1.2.840.10008.1.2"), AppendMetaResult::kNoElements);

  // Read in the wrong syntax, or cut short, a value runs past the end.
  Bytes cut = Encoded(Dataset(true), true, kLE);
  cut.resize(cut.size() - 10);
  const std::string cutPath = dir_ / "cut.dcm";
  WriteBytes(cutPath, cut);
  EXPECT_EQ(AppendMetaHeader(cutPath, "1.2.840.10008.1.2.1"), AppendMetaResult::kValueCutShort);
  EXPECT_EQ(testing::ReadFileBytes(cutPath), cut);
}

TEST_F(AppendMeta, WriteFailureReportsFalseAndLeavesTheDatasetFile) {
  TagList dataset = Dataset(true);
  dataset.back() = Record(0x7FE0, 0x0010, "OW", Bytes(60000, 0x44));
  const std::string path = WriteBare(dataset, true, kLE);
  const Bytes before = testing::ReadFileBytes(path);
  EXPECT_EQ(
      WithFileSizeLimit(
          before.size() + 100,
          [&] { return AppendMetaHeader(path, "1.2.840.10008.1.2.1") == AppendMetaResult::kDone; }),
      1);
  EXPECT_EQ(testing::ReadFileBytes(path), before);
  EXPECT_EQ(FilesIn(dir_.path()), 1u) << "a temporary file was left behind";
}

}  // namespace
}  // namespace norvane
