#include "scp/store_thread.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "database/index_file.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

namespace fs = std::filesystem;
using testing::CompleteObject;
using testing::PaddedText;

constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.1";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.1.2";
constexpr std::string_view kImplicitLE = "1.2.840.10008.1.2";
constexpr std::string_view kExplicitLE = "1.2.840.10008.1.2.1";
constexpr std::string_view kExplicitBE = "1.2.840.10008.1.2.2";
constexpr std::string_view kJPEGLossless = "1.2.840.10008.1.2.4.70";

// A CT object with 4x4 16-bit pixels, values as the little endian syntaxes hold them.
TagList ImageObject(std::string_view instance) {
  TagList object = CompleteObject(kStudy, kSeries, instance);
  std::vector<uint8_t> pixels(32);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<uint8_t>(i * 7);
  object.push_back(GenerateTag(0x7FE0, 0x0010, "OW", pixels));
  return object;
}

// JPEG data as a peer sends it: the pixel data header of undefined length, an empty
// offset table, one fragment, the sequence delimiter.
TagList EncapsulatedObject(std::string_view instance) {
  TagList object = CompleteObject(kStudy, kSeries, instance);
  object.push_back(GenerateTag(0x7FE0, 0x0010, kUndefinedLength, nullptr, "OB"));
  object.push_back(GenerateTag(0xFFFE, 0xE000, 0, nullptr, nullptr));
  const uint8_t fragment[] = {0xFF, 0xD8, 0xFF, 0xC3, 0x00, 0x11, 0xFF, 0xD9};
  object.push_back(GenerateTag(0xFFFE, 0xE000, sizeof fragment, fragment, nullptr));
  object.push_back(GenerateTag(0xFFFE, 0xE0DD, 0, nullptr, nullptr));
  return object;
}

std::string RecordText(const TagRecord& r) {
  char text[64];
  std::snprintf(text, sizeof text, "(%04X,%04X) %.2s len %u", r.group, r.element,
                r.HasVR() ? r.vr : "--", r.length);
  return text;
}

// Differences between what was sent and what the file holds, record by record.
std::string DatasetMismatch(const TagList& sent, const TagList& stored, bool compareVR) {
  if (sent.size() != stored.size()) {
    return "record count " + std::to_string(sent.size()) + " sent, " +
           std::to_string(stored.size()) + " stored";
  }
  for (size_t i = 0; i < sent.size(); ++i) {
    const TagRecord& a = sent[i];
    const TagRecord& b = stored[i];
    if (a.group != b.group || a.element != b.element || a.length != b.length ||
        a.value != b.value || (compareVR && a.VRText() != b.VRText())) {
      return "sent " + RecordText(a) + ", stored " + RecordText(b);
    }
  }
  return "";
}

std::string MetaText(const DicomFileContent& file, uint16_t element) {
  const TagRecord* record = FindTag(file.meta, 0x0002, element);
  return record ? std::string(UIDText(*record)) : "(missing)";
}

// Every path under a folder, relative to it.
std::set<std::string> Tree(const fs::path& folder) {
  std::set<std::string> paths;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
    paths.insert(fs::relative(entry.path(), folder).string());
  return paths;
}

class StoreThreadTest : public ::testing::Test {
 protected:
  std::string Folder() const { return dir_ / "Database"; }
  std::string FileOf(std::string_view instance) const {
    return Folder() + "/" + std::string(kStudy) + "/" + std::string(kSeries) + "/" +
           std::string(instance) + ".dcm";
  }
  StoreWorkOutcome Store(TagList object, std::string_view transferSyntax) {
    return StoreThread(Folder(), std::move(object), std::string(transferSyntax)).Run();
  }
  size_t Lines(const std::string& path) const {
    const auto lines = ReadIndexLines(path);
    return lines ? lines->size() : 0;
  }
  size_t StudyLines() const { return Lines(Folder() + "/KPStudy.dir"); }
  size_t SeriesLines() const { return Lines(Folder() + "/" + std::string(kStudy) + "/Series.dir"); }
  size_t ImageLines() const {
    return Lines(Folder() + "/" + std::string(kStudy) + "/" + std::string(kSeries) + "/Image.dir");
  }

  // Stores the object in the syntax and checks that the file reads back as it was sent,
  // with a meta group that names that syntax.
  void ExpectStoredAsSent(const TagList& object, std::string_view transferSyntax, bool explicitVR,
                          bool bigEndian) {
    const StoreWorkOutcome outcome = Store(object, transferSyntax);
    ASSERT_EQ(outcome.status, kStatusSuccess) << outcome.problem;
    EXPECT_EQ(outcome.filePath, FileOf("1.5"));
    EXPECT_EQ(outcome.transferSyntax, transferSyntax);
    const DicomFileContent file = DICOMFile(outcome.filePath);
    ASSERT_TRUE(file.Ok()) << Describe(file.status);
    EXPECT_EQ(MetaText(file, 0x0010), transferSyntax);
    EXPECT_EQ(MetaText(file, 0x0002), "1.2.840.10008.5.1.4.1.1.2");
    EXPECT_EQ(MetaText(file, 0x0003), "1.5");
    EXPECT_EQ(file.explicitVR, explicitVR);
    EXPECT_EQ(file.bigEndian, bigEndian);
    EXPECT_EQ(DatasetMismatch(object, file.dataset, explicitVR), "");
  }

  testing::TempDir dir_;
};

TEST_F(StoreThreadTest, ImplicitLittleEndianObjectIsStoredSoAndLabelledSo) {
  ExpectStoredAsSent(ImageObject("1.5"), kImplicitLE, false, false);
}

TEST_F(StoreThreadTest, ExplicitLittleEndianObjectIsStoredSoAndLabelledSo) {
  ExpectStoredAsSent(ImageObject("1.5"), kExplicitLE, true, false);
}

TEST_F(StoreThreadTest, BigEndianObjectKeepsItsByteOrder) {
  TagList object = ImageObject("1.5");
  for (TagRecord& record : object) {
    if (record.VRIs("US") || record.VRIs("OW")) {
      for (size_t i = 0; i + 1 < record.value.size(); i += 2)
        std::swap(record.value[i], record.value[i + 1]);
    }
  }
  ExpectStoredAsSent(object, kExplicitBE, true, true);
}

TEST_F(StoreThreadTest, JpegLosslessObjectKeepsItsFragmentsUnderItsOwnSyntax) {
  ExpectStoredAsSent(EncapsulatedObject("1.5"), kJPEGLossless, true, false);
}

TEST_F(StoreThreadTest, FirstObjectWritesOneLineToEachIndexAndLeavesNoPassingFile) {
  ASSERT_EQ(Store(ImageObject("1.5"), kImplicitLE).status, kStatusSuccess);
  ASSERT_EQ(Store(ImageObject("1.6"), kImplicitLE).status, kStatusSuccess);
  EXPECT_EQ(StudyLines(), 1u);
  EXPECT_EQ(SeriesLines(), 1u);
  EXPECT_EQ(ImageLines(), 2u);
  const std::string series = std::string(kStudy) + "/" + std::string(kSeries);
  EXPECT_EQ(Tree(Folder()),
            (std::set<std::string>{
                "KPStudy.dir", std::string(kStudy), std::string(kStudy) + "/Series.dir", series,
                series + "/Image.dir", series + "/1.5.dcm", series + "/1.6.dcm"}));
}

TEST_F(StoreThreadTest, ObjectSentAgainReplacesItsFileWithoutASecondImageLine) {
  ASSERT_EQ(Store(ImageObject("1.5"), kImplicitLE).status, kStatusSuccess);
  TagList changed = ImageObject("1.5");
  changed.push_back(PaddedText(0x0020, 0x4000, "LT", "second copy"));
  const StoreWorkOutcome again = Store(changed, kExplicitLE);
  ASSERT_EQ(again.status, kStatusSuccess) << again.problem;
  EXPECT_TRUE(again.replaced);
  EXPECT_EQ(again.index, IndexResult::kAlreadyStored);
  EXPECT_EQ(ImageLines(), 1u);
  const DicomFileContent file = DICOMFile(FileOf("1.5"));
  EXPECT_EQ(MetaText(file, 0x0010), kExplicitLE);
  EXPECT_NE(FindTag(file.dataset, 0x0020, 0x4000), nullptr) << "the later copy is kept";
}

TEST_F(StoreThreadTest, FolderBelowAPlainFileIsOutOfResourcesAndWritesNothing) {
  std::ofstream(dir_ / "plain") << "not a folder";
  const StoreWorkOutcome outcome =
      StoreThread(dir_ / "plain/Database", ImageObject("1.5"), std::string(kImplicitLE)).Run();
  EXPECT_EQ(outcome.status, kStatusOutOfResources);
  EXPECT_FALSE(outcome.problem.empty());
  EXPECT_EQ(Tree(dir_.path()), std::set<std::string>{"plain"});
}

TEST_F(StoreThreadTest, StudyIndexThatCannotBeWrittenLeavesNoObjectFile) {
  fs::create_directories(Folder() + "/KPStudy.dir");  // a folder where the file belongs
  const StoreWorkOutcome outcome = Store(ImageObject("1.5"), kImplicitLE);
  EXPECT_EQ(outcome.status, kStatusOutOfResources);
  EXPECT_EQ(outcome.index, IndexResult::kStudyIndexNotWritten);
  EXPECT_EQ(outcome.problem, "study index cannot be written");
  EXPECT_EQ(Tree(Folder()), std::set<std::string>{"KPStudy.dir"}) << "no file, no passing file";
}

TEST_F(StoreThreadTest, ImageIndexThatCannotBeWrittenLeavesNoObjectFile) {
  ASSERT_EQ(Store(ImageObject("1.5"), kImplicitLE).status, kStatusSuccess);
  const std::string imageIndex =
      Folder() + "/" + std::string(kStudy) + "/" + std::string(kSeries) + "/Image.dir";
  fs::remove(imageIndex);
  fs::create_directory(imageIndex);
  const StoreWorkOutcome outcome = Store(ImageObject("1.6"), kImplicitLE);
  EXPECT_EQ(outcome.status, kStatusOutOfResources);
  EXPECT_FALSE(fs::exists(FileOf("1.6")));
  EXPECT_TRUE(fs::exists(FileOf("1.5")));
}

TEST_F(StoreThreadTest, UidsThatCannotNameAFileAreNotUnderstood) {
  for (const char* instance : {"..", "1.2/../../x", ""}) {
    TagList object = ImageObject("1.5");
    *FindTag(object, 0x0008, 0x0018) = PaddedText(0x0008, 0x0018, "UI", instance);
    const StoreWorkOutcome outcome = Store(std::move(object), kImplicitLE);
    EXPECT_EQ(outcome.status, kStatusCannotUnderstand) << "SOP Instance UID '" << instance << "'";
  }
  TagList hostileStudy = ImageObject("1.5");
  *FindTag(hostileStudy, 0x0020, 0x000D) = PaddedText(0x0020, 0x000D, "UI", "../escape");
  EXPECT_EQ(Store(std::move(hostileStudy), kImplicitLE).status, kStatusCannotUnderstand);
  EXPECT_TRUE(Tree(dir_.path()).empty());
}

TEST_F(StoreThreadTest, LongUidsAreNotUnderstoodAndNothingIsOverwritten) {
  // Two objects whose 200-character UIDs agree on their first 64 characters.
  const std::string common = "1.2.826.0.1.3680043.2.1125.7." + std::string(60, '1');
  ASSERT_EQ(Store(ImageObject(common.substr(0, 64)), kImplicitLE).status, kStatusSuccess);
  const std::string stored = testing::ReadFileText(FileOf(common.substr(0, 64)));
  for (const char* tail : {"2", "3"}) {
    const std::string instance = (common + std::string(200, '9')).substr(0, 199) + tail;
    const StoreWorkOutcome outcome = Store(ImageObject(instance), kImplicitLE);
    EXPECT_EQ(outcome.status, kStatusCannotUnderstand);
    EXPECT_EQ(outcome.index, IndexResult::kUIDTooLong);
    EXPECT_EQ(outcome.problem, "a UID is longer than 64 characters");
  }
  EXPECT_EQ(testing::ReadFileText(FileOf(common.substr(0, 64))), stored);
  EXPECT_EQ(ImageLines(), 1u);
  EXPECT_EQ(Tree(Folder()).size(), 6u) << "one object, three index files, two folders";
}

TEST_F(StoreThreadTest, ObjectWhoseFileWasPlacedButNotIndexedGetsOneLineWhenSentAgain) {
  // A crash between the move into place and the index lines leaves just the file.
  fs::create_directories(fs::path(FileOf("1.5")).parent_path());
  std::ofstream(FileOf("1.5")) << "the copy of the crashed store";
  const StoreWorkOutcome again = Store(ImageObject("1.5"), kImplicitLE);
  ASSERT_EQ(again.status, kStatusSuccess) << again.problem;
  EXPECT_TRUE(again.replaced);
  EXPECT_EQ(again.index, IndexResult::kRecorded);
  ASSERT_EQ(Store(ImageObject("1.5"), kImplicitLE).status, kStatusSuccess);
  EXPECT_EQ(StudyLines(), 1u);
  EXPECT_EQ(SeriesLines(), 1u);
  EXPECT_EQ(ImageLines(), 1u);
  EXPECT_TRUE(DICOMFile(FileOf("1.5")).Ok());
}

TEST_F(StoreThreadTest, MetaElementsInTheReceivedDataSetAreLeftToTheMetaHeader) {
  TagList object = ImageObject("1.5");
  object.insert(object.begin(), PaddedText(0x0002, 0x0010, "UI", "1.2.840.10008.1.2.4.50"));
  const StoreWorkOutcome outcome = Store(object, kExplicitLE);
  ASSERT_EQ(outcome.status, kStatusSuccess);
  const DicomFileContent file = DICOMFile(outcome.filePath);
  ASSERT_TRUE(file.Ok());
  EXPECT_EQ(MetaText(file, 0x0010), kExplicitLE);
  EXPECT_EQ(DatasetMismatch(ImageObject("1.5"), file.dataset, true), "");
}

TEST_F(StoreThreadTest, FolderWithOrWithoutTrailingSeparatorStoresAtTheSamePlace) {
  const StoreWorkOutcome outcome =
      StoreThread(Folder() + "/", ImageObject("1.5"), std::string(kImplicitLE)).Run();
  EXPECT_EQ(outcome.filePath, FileOf("1.5"));
  EXPECT_TRUE(fs::exists(FileOf("1.5")));
}

}  // namespace
}  // namespace norvane
