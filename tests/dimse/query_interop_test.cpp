// FindSCU and MoveSCU against DCMTK's dcmqrscp loaded with pydicom's dicomdirtests
// images: the records of each level compared with what findscu -S returns for the same
// keys, and moves to a storescp destination counted file by file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dimse/find_scu.hpp"
#include "dimse/move_scu.hpp"
#include "log/log.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using testing::FindscuValues;
using testing::QueryRetrieveSCP;
using testing::RunProgram;
using testing::RunResult;
using testing::TrimPadding;

constexpr const char* kStudyWithFourImages = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.1";
constexpr const char* kSeriesOfFourImages = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.2";
constexpr const char* kStudyWithThreeSeries = "1.3.6.1.4.1.5962.1.1.0.0.0.1196533885.18148.0.1";

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

template <class Record>
std::vector<std::string> Field(const std::vector<Record>& records, std::string Record::*field) {
  std::vector<std::string> values;
  for (const Record& r : records)
    values.push_back(r.*field);
  return values;
}

class QueryRetrieveAgainstDcmqrscp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::HaveProgram("dcmqrscp") || !testing::HaveProgram("findscu") ||
        !testing::HaveProgram("storescp") || !testing::HaveProgram("storescu")) {
      return;
    }
    dir_ = std::make_unique<testing::TempDir>();
    moveDestPort_ = testing::FreePort();
    oddDestPort_ = testing::FreePort();
    scp_ = std::make_unique<QueryRetrieveSCP>();
    ready_ = scp_->Start(dir_->path().string(),
                         {{"MOVEDEST", moveDestPort_}, {"MVDST", oddDestPort_}}) &&
             scp_->LoadDicomdirTests(loadOutput_);
    if (!ready_) loadOutput_ += scp_->Log();
  }
  static void TearDownTestSuite() {
    scp_.reset();
    dir_.reset();
  }
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("dcmqrscp", "findscu", "storescp", "storescu");
    ASSERT_TRUE(ready_) << loadOutput_;
    SetLOG("", 0);
  }

  // findscu -S with the keys, against the same database.
  RunResult Findscu(const std::vector<std::string>& keys) {
    std::vector<std::string> argv = {"findscu", "-v", "-S", "-aet", "TESTSCU", "-aec", "QRSCP"};
    for (const std::string& k : keys) {
      argv.push_back("-k");
      argv.push_back(k);
    }
    argv.push_back("127.0.0.1");
    argv.push_back(scp_->Port());
    RunResult r = RunProgram(argv);
    EXPECT_NE(r.output.find("Received Final Find Response (Success)"), std::string::npos)
        << r.output;
    return r;
  }

  template <class Record>
  std::vector<Record> Find(const Record& query) {
    std::vector<Record> results;
    EXPECT_TRUE(
        FindSCU(testing::LoopbackPeer(scp_->Port(), "QRSCP", "NORVANE"), query, results).Ok())
        << scp_->Log();
    return results;
  }

  // A storescp destination on `port`, writing into a fresh folder.
  std::string StartDestination(testing::PeerProcess& storescp, const std::string& title,
                               uint16_t port) {
    const std::string folder = dir_->path().string() + "/" + title + std::to_string(++run_);
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(storescp.Start({"storescp", "-aet", title, "-od", folder, std::to_string(port)},
                               folder + ".log"));
    EXPECT_TRUE(testing::WaitForListener(port));
    return folder;
  }

  static inline std::unique_ptr<testing::TempDir> dir_;
  static inline std::unique_ptr<QueryRetrieveSCP> scp_;
  static inline bool ready_ = false;
  static inline std::string loadOutput_;
  static inline uint16_t moveDestPort_ = 0;
  static inline uint16_t oddDestPort_ = 0;
  static inline int run_ = 0;
};

TEST_F(QueryRetrieveAgainstDcmqrscp, StudyLevelReturnsTheStudiesFindscuReturns) {
  const std::vector<StudyInfo> studies = Find(StudyInfo{});
  const RunResult reference = Findscu(
      {"QueryRetrieveLevel=STUDY", "StudyInstanceUID", "PatientName", "PatientID", "StudyDate"});
  ASSERT_EQ(testing::FindscuResponseCount(reference.output), 6u) << reference.output;
  ASSERT_EQ(studies.size(), 6u);

  std::vector<std::string> ours;
  std::map<std::string, std::string> nameByStudy;
  for (const StudyInfo& s : studies) {
    EXPECT_EQ(s.StudyInstanceUID, TrimPadding(s.StudyInstanceUID))
        << "a UID ends at its NUL pad: '" << s.StudyInstanceUID << "'";
    ours.push_back(s.StudyInstanceUID);
    nameByStudy[s.StudyInstanceUID] = TrimPadding(s.PatientName);
  }
  const std::vector<std::string> uids = FindscuValues(reference.output, "(0020,000d)");
  const std::vector<std::string> names = FindscuValues(reference.output, "(0010,0010)");
  ASSERT_EQ(uids.size(), names.size());
  EXPECT_EQ(Sorted(ours), Sorted(uids));
  for (size_t i = 0; i < uids.size(); ++i) {
    EXPECT_EQ(nameByStudy[uids[i]], names[i]) << uids[i];
  }
  // Values keep the archive's padding: "Doe^Archibald" goes out as 14 bytes.
  const auto archibald = std::find_if(studies.begin(), studies.end(), [](const StudyInfo& s) {
    return s.StudyInstanceUID == kStudyWithFourImages;
  });
  ASSERT_NE(archibald, studies.end());
  EXPECT_EQ(archibald->PatientName, "Doe^Archibald ");
  EXPECT_EQ(archibald->StudyDate, "19950903");
}

TEST_F(QueryRetrieveAgainstDcmqrscp, StudyLevelWildcardAndDateRangeMatchLikeFindscu) {
  StudyInfo query;
  query.PatientName = "Doe^A*";
  query.StudyDate = "19950101-19991231";
  const std::vector<StudyInfo> studies = Find(query);
  const RunResult reference = Findscu({"QueryRetrieveLevel=STUDY", "PatientName=Doe^A*",
                                       "StudyDate=19950101-19991231", "StudyInstanceUID"});
  EXPECT_EQ(Field(studies, &StudyInfo::StudyInstanceUID),
            FindscuValues(reference.output, "(0020,000d)"));
  ASSERT_EQ(studies.size(), 1u);
  EXPECT_EQ(studies[0].StudyInstanceUID, kStudyWithFourImages);
}

TEST_F(QueryRetrieveAgainstDcmqrscp, SeriesLevelInsideOneStudyReturnsWhatFindscuReturns) {
  SeriesInfo query;
  query.StudyInstanceUID = kStudyWithThreeSeries;
  const std::vector<SeriesInfo> series = Find(query);
  const RunResult reference = Findscu({"QueryRetrieveLevel=SERIES",
                                       std::string("StudyInstanceUID=") + kStudyWithThreeSeries,
                                       "SeriesInstanceUID", "Modality", "SeriesNumber"});
  ASSERT_EQ(series.size(), 3u);
  EXPECT_EQ(Sorted(Field(series, &SeriesInfo::SeriesInstanceUID)),
            Sorted(FindscuValues(reference.output, "(0020,000e)")));
  std::vector<std::string> modalities;
  for (const SeriesInfo& s : series) {
    EXPECT_EQ(s.StudyInstanceUID, kStudyWithThreeSeries);
    modalities.push_back(TrimPadding(s.Modality));
  }
  EXPECT_EQ(Sorted(modalities), Sorted(FindscuValues(reference.output, "(0008,0060)")));
}

TEST_F(QueryRetrieveAgainstDcmqrscp, ImageLevelInsideOneSeriesReturnsWhatFindscuReturns) {
  ImageInfo query;
  query.StudyInstanceUID = kStudyWithFourImages;
  query.SeriesInstanceUID = kSeriesOfFourImages;
  const std::vector<ImageInfo> images = Find(query);
  const RunResult reference =
      Findscu({"QueryRetrieveLevel=IMAGE", std::string("StudyInstanceUID=") + kStudyWithFourImages,
               std::string("SeriesInstanceUID=") + kSeriesOfFourImages, "SOPInstanceUID",
               "InstanceNumber"});
  ASSERT_EQ(images.size(), 4u);
  EXPECT_EQ(Sorted(Field(images, &ImageInfo::SOPInstanceUID)),
            Sorted(FindscuValues(reference.output, "(0008,0018)")));
  std::vector<std::string> numbers;
  for (const ImageInfo& i : images)
    numbers.push_back(TrimPadding(i.ImageNumber));
  EXPECT_EQ(Sorted(numbers), Sorted(FindscuValues(reference.output, "(0020,0013)")));
}

TEST_F(QueryRetrieveAgainstDcmqrscp, StudyMoveDeliversEveryImageToStorescp) {
  ImageInfo imagesOfStudy;
  imagesOfStudy.StudyInstanceUID = kStudyWithFourImages;
  imagesOfStudy.SeriesInstanceUID = kSeriesOfFourImages;
  const std::vector<ImageInfo> images = Find(imagesOfStudy);

  testing::PeerProcess storescp;
  const std::string received = StartDestination(storescp, "MOVEDEST", moveDestPort_);
  StudyInfo query;
  query.StudyInstanceUID = kStudyWithFourImages;
  std::vector<DimseCommand> responses;
  const MoveResult result =
      MoveSCU(testing::LoopbackPeer(scp_->Port(), "QRSCP", "NORVANE"), "MOVEDEST", query,
              [&](const DimseCommand& r) { responses.push_back(r); });
  storescp.Stop();

  EXPECT_TRUE(result.Ok()) << result.reason << scp_->Log();
  EXPECT_EQ(result.completed, 4);
  EXPECT_EQ(result.failed, 0);
  EXPECT_EQ(result.warning, 0);
  ASSERT_FALSE(responses.empty());
  EXPECT_EQ(responses.back().status, 0);
  for (size_t i = 0; i + 1 < responses.size(); ++i) {
    EXPECT_EQ(responses[i].status, 0xFF00);
    EXPECT_EQ(responses[i].remaining, static_cast<uint16_t>(3 - i)) << "pending response " << i;
  }
  const std::vector<std::string> files = testing::FileNames(received);
  ASSERT_EQ(files.size(), 4u);
  for (const ImageInfo& image : images) {
    const bool arrived = std::any_of(files.begin(), files.end(), [&](const std::string& f) {
      return f.size() > image.SOPInstanceUID.size() &&
             f.compare(f.size() - image.SOPInstanceUID.size(), std::string::npos,
                       image.SOPInstanceUID) == 0;
    });
    EXPECT_TRUE(arrived) << image.SOPInstanceUID;
  }
}

TEST_F(QueryRetrieveAgainstDcmqrscp, SeriesMoveToAnOddLengthTitleArrives) {
  SeriesInfo seriesOfStudy;
  seriesOfStudy.StudyInstanceUID = kStudyWithThreeSeries;
  const std::vector<SeriesInfo> series = Find(seriesOfStudy);
  ASSERT_FALSE(series.empty());
  ImageInfo imagesOfSeries;
  imagesOfSeries.StudyInstanceUID = kStudyWithThreeSeries;
  imagesOfSeries.SeriesInstanceUID = series[0].SeriesInstanceUID;
  const size_t expected = Find(imagesOfSeries).size();

  testing::PeerProcess storescp;
  const std::string received = StartDestination(storescp, "MVDST", oddDestPort_);
  SeriesInfo query;
  query.StudyInstanceUID = kStudyWithThreeSeries;
  query.SeriesInstanceUID = series[0].SeriesInstanceUID;
  const MoveResult result =
      MoveSCU(testing::LoopbackPeer(scp_->Port(), "QRSCP", "NORVANE"), "MVDST", query);
  storescp.Stop();
  EXPECT_TRUE(result.Ok()) << result.reason << scp_->Log();
  EXPECT_EQ(result.completed, expected);
  EXPECT_EQ(testing::FileNames(received).size(), expected);
}

TEST_F(QueryRetrieveAgainstDcmqrscp, MoveToAnUnknownDestinationIsRefused) {
  StudyInfo query;
  query.StudyInstanceUID = kStudyWithFourImages;
  const MoveResult result =
      MoveSCU(testing::LoopbackPeer(scp_->Port(), "QRSCP", "NORVANE"), "NOWHERE", query);
  EXPECT_EQ(result.failure, ServiceFailure::kStatus) << result.reason;
  EXPECT_EQ(result.status, 0xA801);
  EXPECT_EQ(result.reason, "C-MOVE-RSP status 0xA801 (Refused: Move Destination unknown)");
}

TEST_F(QueryRetrieveAgainstDcmqrscp, UnknownCalledTitleFailsWithoutResults) {
  std::vector<StudyInfo> results;
  const FindResult result =
      FindSCU(testing::LoopbackPeer(scp_->Port(), "NOSUCHAE", "NORVANE"), StudyInfo{}, results);
  EXPECT_EQ(result.failure, ServiceFailure::kRejected);
  EXPECT_EQ(result.reason,
            "association rejected (permanent) by the service user: called AE title not "
            "recognized");
  EXPECT_FALSE(result.associated);
  EXPECT_FALSE(result.sent);
  EXPECT_TRUE(results.empty());
}

}  // namespace
}  // namespace norvane
