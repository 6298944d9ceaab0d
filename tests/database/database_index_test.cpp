#include "database/database_index.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "database/index_record.hpp"
#include "platform/date_time_format.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

namespace fs = std::filesystem;
using testing::CompleteObject;
using testing::MinimalObject;
using testing::ReadFileText;

constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.1";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.1.2";
constexpr std::string_view kSeries2 = "1.2.826.0.1.3680043.2.1125.1.4";

const std::string kStudyLine =
    "1.2.826.0.1.3680043.2.1125.1,20240131,093015.123,PID-0042,19700101,Doe^John,"
    "Smith^Anna,ACC123,CT,Chest,\xA7# *\r\n";
const std::string kSeriesLine =
    "3,1.2.826.0.1.3680043.2.1125.1.2,1,20240131,093500,Axial 5mm,HFS,CHEST,"
    "Acme Medical,1.2.826.0.1.3680043.2.1125.9\r\n";

std::string ImageLine(std::string_view instance) {
  return "1,7," + std::string(instance) +
         ",20240201,093612,1,1,-12.5,1.2.840.10008.5.1.4.1.1.2,512,256,"
         "ORIGINAL\\PRIMARY\\AXIAL\r\n";
}

// Every path under a folder, relative to it.
std::set<std::string> Tree(const fs::path& folder) {
  std::set<std::string> paths;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
    paths.insert(fs::relative(entry.path(), folder).string());
  return paths;
}

class DatabaseIndex : public ::testing::Test {
 protected:
  // Date and time formats without pattern letters make the stamp field a fixed text.
  void SetUp() override {
    SetShortDateFormat("#");
    SetLongTimeFormat("*");
  }
  void TearDown() override {
    SetShortDateFormat(kDefaultShortDateFormat);
    SetLongTimeFormat(kDefaultLongTimeFormat);
  }

  // Where the store puts the object's file.
  std::string FileOf(std::string_view study, std::string_view series,
                     std::string_view instance) const {
    return root_ + "/" + std::string(study) + "/" + std::string(series) + "/" +
           std::string(instance) + ".dcm";
  }
  IndexResult Index(const TagList& object, StoredFile file = StoredFile::kNew) {
    return UpdateDatabaseIndex(
        FileOf(GetTagText(object, 0x0020, 0x000D), GetTagText(object, 0x0020, 0x000E),
               GetTagText(object, 0x0008, 0x0018)),
        root_, object, file);
  }
  std::string StudyIndex() const { return ReadFileText(root_ + "/KPStudy.dir"); }
  std::string SeriesIndex(std::string_view study) const {
    return ReadFileText(root_ + "/" + std::string(study) + "/Series.dir");
  }
  std::string ImageIndex(std::string_view study, std::string_view series) const {
    return ReadFileText(root_ + "/" + std::string(study) + "/" + std::string(series) +
                        "/Image.dir");
  }

  testing::TempDir dir_;
  std::string root_ = dir_ / "Database";
};

TEST_F(DatabaseIndex, FirstObjectOfANewStudyWritesOneLineToEachIndex) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  EXPECT_EQ(StudyIndex(), kStudyLine);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine);
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ImageLine("1.5"));
  // The index writes no object file; the store does that afterwards.
  EXPECT_FALSE(fs::exists(FileOf(kStudy, kSeries, "1.5")));
}

TEST_F(DatabaseIndex, SecondObjectOfTheSameSeriesAddsOnlyAnImageLine) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.6")), IndexResult::kRecorded);
  EXPECT_EQ(StudyIndex(), kStudyLine);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine);
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ImageLine("1.5") + ImageLine("1.6"));
}

TEST_F(DatabaseIndex, NewSeriesOfAKnownStudyAddsASeriesLine) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries2, "1.7")), IndexResult::kRecorded);
  EXPECT_EQ(StudyIndex(), kStudyLine);
  std::string secondSeries = kSeriesLine;
  secondSeries.replace(secondSeries.find(kSeries), kSeries.size(), kSeries2);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine + secondSeries);
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ImageLine("1.5"));
  EXPECT_EQ(ImageIndex(kStudy, kSeries2), ImageLine("1.7"));
}

TEST_F(DatabaseIndex, ReplacedFileOfAnIndexedObjectAddsNoLineAnywhere) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  std::ofstream(FileOf(kStudy, kSeries, "1.5")) << "stored";
  EXPECT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5"), StoredFile::kReplaced),
            IndexResult::kAlreadyStored);
  EXPECT_EQ(StudyIndex(), kStudyLine);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine);
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ImageLine("1.5"));
}

TEST_F(DatabaseIndex, FilePlacedButNeverIndexedGetsItsLinesWhenSentAgain) {
  // What a crash between placing the file and writing its lines leaves: a file, no line.
  fs::create_directories(root_ + "/" + std::string(kStudy) + "/" + std::string(kSeries));
  std::ofstream(FileOf(kStudy, kSeries, "1.5")) << "stored";
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5"), StoredFile::kReplaced),
            IndexResult::kRecorded);
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5"), StoredFile::kReplaced),
            IndexResult::kAlreadyStored);
  EXPECT_EQ(StudyIndex(), kStudyLine);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine);
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ImageLine("1.5"));
}

TEST_F(DatabaseIndex, StudyLineLostByAnEditIsWrittenAgainAndOnlyOnce) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  // The study index is changed behind the process's back: its lines are read again.
  std::ofstream(root_ + "/KPStudy.dir", std::ios::binary | std::ios::trunc) << "9.9,,,,,,,,,,\r\n";
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.6")), IndexResult::kRecorded);
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.7")), IndexResult::kRecorded);
  EXPECT_EQ(StudyIndex(), "9.9,,,,,,,,,,\r\n" + kStudyLine);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine);
}

TEST_F(DatabaseIndex, RootWithTrailingSeparatorGivesTheSameFolders) {
  const TagList object = MinimalObject(kStudy, kSeries, "1.5");
  ASSERT_EQ(UpdateDatabaseIndex(FileOf(kStudy, kSeries, "1.5"), root_ + "/", object),
            IndexResult::kRecorded);
  EXPECT_EQ(StudyIndex(), std::string(kStudy) + ",,,,,,,,,,\xA7# *\r\n");
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ",,1.5,,,,,,,,,\r\n");
}

TEST_F(DatabaseIndex, StudyLineIsStampedWithTheProcessDateAndTimeFormats) {
  SetShortDateFormat("ddmmyyyy");
  SetLongTimeFormat("hh:nn:ss");
  const std::tm before = LocalTimeNow();
  ASSERT_EQ(Index(MinimalObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  const std::tm after = LocalTimeNow();
  const std::string line = StudyIndex();
  const auto stampOf = [](const std::tm& when) {
    return "\xA7" + FormatDateTime("ddmmyyyy", when) + " " + FormatDateTime("hh:nn:ss", when);
  };
  const std::string stamp = GetField(line.substr(0, line.size() - 2), ',', 11);
  EXPECT_TRUE(stamp == stampOf(before) || stamp == stampOf(after)) << line;
  EXPECT_EQ(stamp.size(), 1u + 8 + 1 + 8) << line;
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

TEST_F(DatabaseIndex, DeletingAStudyFolderByHandKeepsItsOneStudyLine) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  fs::remove_all(root_ + "/" + std::string(kStudy));
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.6")), IndexResult::kRecorded);
  // The study index still names the study; the series index went with the folder.
  EXPECT_EQ(StudyIndex(), kStudyLine);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine);
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ImageLine("1.6"));
}

TEST_F(DatabaseIndex, RootBelowAPlainFileFailsAndWritesNothing) {
  // Permission bits do not stop root; a path through a regular file stops everyone.
  std::ofstream(dir_ / "plain") << "not a folder";
  root_ = dir_ / "plain/Database";
  EXPECT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kFolderNotCreated);
  EXPECT_EQ(Tree(dir_.path()), std::set<std::string>{"plain"});
  EXPECT_EQ(ReadFileText(dir_ / "plain"), "not a folder");
}

TEST_F(DatabaseIndex, LostStudyLineRemovesTheNewStudyFolderSoTheNextObjectWritesIt) {
  fs::create_directories(root_ + "/KPStudy.dir");  // a folder where the file belongs
  EXPECT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kStudyIndexNotWritten);
  EXPECT_EQ(Tree(root_), std::set<std::string>{"KPStudy.dir"});

  fs::remove(root_ + "/KPStudy.dir");
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.6")), IndexResult::kRecorded);
  EXPECT_EQ(StudyIndex(), kStudyLine);
  EXPECT_EQ(SeriesIndex(kStudy), kSeriesLine);
  EXPECT_EQ(ImageIndex(kStudy, kSeries), ImageLine("1.6"));
}

TEST_F(DatabaseIndex, StudyLineOnAFullDeviceIsAFailure) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::create_directories(root_);
  fs::create_symlink("/dev/full", root_ + "/KPStudy.dir");
  EXPECT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kStudyIndexNotWritten);
  EXPECT_FALSE(fs::exists(root_ + "/" + std::string(kStudy)));
}

TEST_F(DatabaseIndex, LostSeriesLineRemovesTheNewSeriesFolderSoTheNextObjectWritesIt) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  const std::string seriesIndex = root_ + "/" + std::string(kStudy) + "/Series.dir";
  fs::remove(seriesIndex);
  fs::create_directory(seriesIndex);
  EXPECT_EQ(Index(CompleteObject(kStudy, kSeries2, "1.7")), IndexResult::kSeriesIndexNotWritten);
  EXPECT_FALSE(fs::exists(root_ + "/" + std::string(kStudy) + "/" + std::string(kSeries2)));
  EXPECT_EQ(StudyIndex(), kStudyLine);  // the study keeps its one line

  fs::remove(seriesIndex);
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries2, "1.8")), IndexResult::kRecorded);
  std::string secondSeries = kSeriesLine;
  secondSeries.replace(secondSeries.find(kSeries), kSeries.size(), kSeries2);
  EXPECT_EQ(SeriesIndex(kStudy), secondSeries);
  EXPECT_EQ(ImageIndex(kStudy, kSeries2), ImageLine("1.8"));
  EXPECT_EQ(StudyIndex(), kStudyLine);
}

TEST_F(DatabaseIndex, LostImageLineIsAFailure) {
  ASSERT_EQ(Index(CompleteObject(kStudy, kSeries, "1.5")), IndexResult::kRecorded);
  const std::string imageIndex =
      root_ + "/" + std::string(kStudy) + "/" + std::string(kSeries) + "/Image.dir";
  fs::remove(imageIndex);
  fs::create_directory(imageIndex);
  const IndexResult result = Index(CompleteObject(kStudy, kSeries, "1.6"));
  EXPECT_EQ(result, IndexResult::kImageIndexNotWritten);
  EXPECT_FALSE(IndexSucceeded(result));
  EXPECT_EQ(IndexResultText(result), "image index cannot be written");
}

TEST_F(DatabaseIndex, HostileUIDsCreateNothingAndAreRefused) {
  const struct {
    std::string study, series, instance;
  } cases[] = {
      {"..", "1.2", "1.3"},
      {"../../escaped", "1.2", "1.3"},
      {"1.1", "..", "1.3"},
      {"1.1", "../../../escaped", "1.3"},
      {"1.1", "1.2", "../../../../escaped"},
      {"1.1/../..", "1.2", "1.3"},
      {"/tmp/escaped", "1.2", "1.3"},
      {".", "1.2", "1.3"},
      {"1.1", "1.2", "1,3"},
      {"1.1", "1.2\r\n9", "1.3"},
      {std::string(" ..\0", 4), "1.2", "1.3"},
  };
  for (const auto& c : cases) {
    const TagList object = MinimalObject(c.study, c.series, c.instance);
    EXPECT_EQ(UpdateDatabaseIndex(dir_ / "object.dcm", root_, object), IndexResult::kUnsafeUID)
        << "study '" << c.study << "' series '" << c.series << "' instance '" << c.instance << "'";
  }
  EXPECT_TRUE(Tree(dir_.path()).empty());
  EXPECT_FALSE(fs::exists(fs::temp_directory_path() / "escaped"));
}

TEST_F(DatabaseIndex, ObjectsWithoutTheirOwnUIDsAreRefused) {
  // An empty UID would file the object in the study's or the root's folder.
  const struct {
    const char* study;
    const char* series;
    const char* instance;
  } cases[] = {
      {"", kSeries.data(), "1.5"}, {kStudy.data(), "", "1.6"}, {kStudy.data(), kSeries.data(), ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.study) + " / " + c.series + " / " + c.instance);
    EXPECT_EQ(Index(MinimalObject(c.study, c.series, c.instance)), IndexResult::kUIDMissing);
  }
  EXPECT_TRUE(Tree(dir_.path()).empty());
}

TEST_F(DatabaseIndex, UIDsLongerThanSixtyFourCharactersAreRefusedNotCut) {
  const std::string longUID = std::string(64, '1') + "999";
  const std::string fits(64, '2');
  const struct {
    std::string study, series, instance;
  } cases[] = {{longUID, fits, fits}, {fits, longUID, fits}, {fits, fits, longUID}};
  for (const auto& c : cases) {
    EXPECT_EQ(UpdateDatabaseIndex(dir_ / "object.dcm", root_,
                                  MinimalObject(c.study, c.series, c.instance)),
              IndexResult::kUIDTooLong);
  }
  TagList longClass = MinimalObject(fits, fits, fits);
  longClass.push_back(testing::PaddedText(0x0008, 0x0016, "UI", longUID));
  EXPECT_EQ(UpdateDatabaseIndex(dir_ / "object.dcm", root_, longClass), IndexResult::kUIDTooLong);
  EXPECT_TRUE(Tree(dir_.path()).empty());
  // Exactly 64 characters is a UID like any other.
  EXPECT_EQ(Index(MinimalObject(fits, fits, fits)), IndexResult::kRecorded);
}

}  // namespace
}  // namespace norvane
