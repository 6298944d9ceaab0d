#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tags.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

// `norvane scp` as a query SCP against DCMTK: the same objects stored into it and into
// dcmqrscp, and the same worklist files served by it and by wlmscpfs, give findscu the same
// matches.

namespace norvane {
namespace {

using testing::FindscuValues;
using testing::RunProgram;
using testing::RunResult;

constexpr const char* kStudyUIDTag = "(0020,000d)";
constexpr const char* kSeriesUIDTag = "(0020,000e)";
constexpr const char* kImageUIDTag = "(0008,0018)";

// `norvane scp` on a free loopback port, stopped by pid.
struct NorvaneSCP {
  testing::PeerProcess process;
  uint16_t port = 0;

  bool Start(const std::string& folder, const std::vector<std::string>& options) {
    port = testing::FreePort();
    std::vector<std::string> argv = {
        testing::NorvaneTool(), "scp",      "--loopback",        "-q", "--port",
        std::to_string(port),   "--folder", folder + "/Database"};
    argv.insert(argv.end(), options.begin(), options.end());
    return process.Start(argv, folder + "/norvane.log") && testing::WaitForListener(port);
  }
};

struct FindResult {
  bool succeeded = false;
  std::string output;
};

FindResult Findscu(const std::string& model, const std::string& title, uint16_t port,
                   const std::vector<std::string>& keys) {
  std::vector<std::string> argv = {"findscu", "-v", model, "-aet", "TESTSCU", "-aec", title};
  for (const std::string& key : keys) {
    argv.push_back("-k");
    argv.push_back(key);
  }
  argv.push_back("127.0.0.1");
  argv.push_back(std::to_string(port));
  const RunResult run = RunProgram(argv);
  return {run.exitCode == 0 &&
              run.output.find("Received Final Find Response (Success)") != std::string::npos,
          run.output};
}

std::vector<std::string> Sorted(std::vector<std::string> values) {
  std::sort(values.begin(), values.end());
  return values;
}

class ArchiveQueryInterop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::HaveProgram("dcmqrscp") || !testing::HaveProgram("findscu")) return;
    dir_ = std::make_unique<testing::TempDir>();
    qr_ = std::make_unique<testing::QueryRetrieveSCP>();
    norvane_ = std::make_unique<NorvaneSCP>();
    std::string output;
    ready_ = qr_->Start(*dir_ / "qr", {}) && qr_->LoadDicomdirTests(output) &&
             norvane_->Start(dir_->path().string(), {});
    if (!ready_) return;
    std::vector<std::string> argv = {"storescu", "-aet",      "LOADER",
                                     "-aec",     "NORVANE",   "+sd",
                                     "+r",       "127.0.0.1", std::to_string(norvane_->port)};
    for (const std::string& folder : testing::DicomdirTestFolders())
      argv.push_back(folder);
    ready_ = RunProgram(argv).exitCode == 0;
    // One CT that names its institution, in both.
    for (const std::string& title :
         {std::string("NORVANE"), std::string(testing::kQueryRetrieveTitle)}) {
      const uint16_t port = title == "NORVANE" ? norvane_->port : qr_->port();
      ready_ = ready_ && RunProgram({"storescu", "-aec", title, "127.0.0.1", std::to_string(port),
                                     testing::PydicomFile("CT_small.dcm")})
                                 .exitCode == 0;
    }
  }
  static void TearDownTestSuite() {
    norvane_.reset();
    qr_.reset();
    dir_.reset();
  }
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("dcmqrscp", "findscu", "storescu");
    ASSERT_TRUE(ready_) << "peers did not start or load: " << (qr_ ? qr_->Log() : "");
  }

  // The values of `tag` that both SCPs answer, sorted; a failure when they differ.
  std::vector<std::string> BothAnswer(const std::vector<std::string>& keys, const char* tag) {
    const FindResult reference = Findscu("-S", testing::kQueryRetrieveTitle, qr_->port(), keys);
    const FindResult ours = Findscu("-S", "NORVANE", norvane_->port, keys);
    EXPECT_TRUE(reference.succeeded) << reference.output;
    EXPECT_TRUE(ours.succeeded) << ours.output;
    const std::vector<std::string> expected = Sorted(FindscuValues(reference.output, tag));
    EXPECT_EQ(Sorted(FindscuValues(ours.output, tag)), expected)
        << "dcmqrscp:\n"
        << reference.output << "\nnorvane:\n"
        << ours.output;
    return expected;
  }

  static std::unique_ptr<testing::TempDir> dir_;
  static std::unique_ptr<testing::QueryRetrieveSCP> qr_;
  static std::unique_ptr<NorvaneSCP> norvane_;
  static bool ready_;
};

std::unique_ptr<testing::TempDir> ArchiveQueryInterop::dir_;
std::unique_ptr<testing::QueryRetrieveSCP> ArchiveQueryInterop::qr_;
std::unique_ptr<NorvaneSCP> ArchiveQueryInterop::norvane_;
bool ArchiveQueryInterop::ready_ = false;

TEST_F(ArchiveQueryInterop, Findscu_SameMatchesAsDcmqrscpAtEveryLevel) {
  const std::vector<std::string> studies =
      BothAnswer({"QueryRetrieveLevel=STUDY", "StudyInstanceUID", "PatientName"}, kStudyUIDTag);
  ASSERT_EQ(studies.size(), 7u);
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    const char* tag;
  };
  const std::string level = "QueryRetrieveLevel=";
  const std::vector<Case> cases = {
      {"name wildcard", {level + "STUDY", "StudyInstanceUID", "PatientName=Doe^A*"}, kStudyUIDTag},
      {"name ? wildcard",
       {level + "STUDY", "StudyInstanceUID", "PatientName=Doe^P?ter"},
       kStudyUIDTag},
      {"single date", {level + "STUDY", "StudyInstanceUID", "StudyDate=20010101"}, kStudyUIDTag},
      {"date range",
       {level + "STUDY", "StudyInstanceUID", "StudyDate=19950101-20020101"},
       kStudyUIDTag},
      {"open ranges",
       {level + "STUDY", "StudyInstanceUID", "StudyDate=20030101-", "StudyTime=-045000"},
       kStudyUIDTag},
      {"accession", {level + "STUDY", "StudyInstanceUID", "AccessionNumber=134"}, kStudyUIDTag},
      {"patient ID", {level + "STUDY", "StudyInstanceUID", "PatientID=7765*"}, kStudyUIDTag},
      {"study UID list",
       {level + "STUDY", "StudyInstanceUID=" + studies[0] + "\\" + studies[3]},
       kStudyUIDTag},
      {"series of a study",
       {level + "SERIES", "StudyInstanceUID=" + studies[5], "SeriesInstanceUID", "Modality"},
       kSeriesUIDTag},
      {"series by modality",
       {level + "SERIES", "StudyInstanceUID=" + studies[1], "SeriesInstanceUID", "Modality=C*"},
       kSeriesUIDTag},
      {"series number",
       {level + "SERIES", "StudyInstanceUID=" + studies[2], "SeriesInstanceUID", "SeriesNumber=2"},
       kSeriesUIDTag},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BothAnswer(c.keys, c.tag);
  }

  for (const std::string& study : studies) {
    SCOPED_TRACE(study);
    const std::vector<std::string> series = BothAnswer(
        {level + "SERIES", "StudyInstanceUID=" + study, "SeriesInstanceUID"}, kSeriesUIDTag);
    ASSERT_FALSE(series.empty());
    const std::vector<std::string> images =
        BothAnswer({level + "IMAGE", "StudyInstanceUID=" + study,
                    "SeriesInstanceUID=" + series.front(), "SOPInstanceUID", "InstanceNumber"},
                   kImageUIDTag);
    ASSERT_FALSE(images.empty());
    BothAnswer({level + "IMAGE", "StudyInstanceUID=" + study, "SeriesInstanceUID=" + series.front(),
                "SOPInstanceUID=" + images.front() + "\\" + images.back()},
               kImageUIDTag);
    BothAnswer({level + "IMAGE", "StudyInstanceUID=" + study, "SeriesInstanceUID=" + series.back(),
                "SOPInstanceUID", "InstanceNumber=1"},
               kImageUIDTag);
  }
}

TEST_F(ArchiveQueryInterop, Findscu_StudyAndSeriesAttributesComeFromTheObjects) {
  const std::string study = "StudyInstanceUID=1.3.6.1.4.1.5962.1.2.1.20040119072730.12322";
  const struct {
    std::vector<std::string> keys;
    const char* tag;
    const char* stored;  // what norvane answers; dcmqrscp's index lacks it
  } cases[] = {
      {{"QueryRetrieveLevel=STUDY", study, "InstitutionName", "PatientName", "PatientID",
        "StudyDate", "StudyTime", "AccessionNumber", "StudyID"},
       "(0008,0080)",
       "JFK IMAGING CENTER"},
      {{"QueryRetrieveLevel=SERIES", study, "SeriesInstanceUID", "PatientPosition", "Modality",
        "SeriesNumber"},
       "(0018,5100)",
       "FFS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    const FindResult ours = Findscu("-S", "NORVANE", norvane_->port, c.keys);
    const FindResult reference = Findscu("-S", testing::kQueryRetrieveTitle, qr_->port(), c.keys);
    ASSERT_TRUE(ours.succeeded && reference.succeeded) << ours.output << reference.output;
    EXPECT_EQ(FindscuValues(ours.output, c.tag), std::vector<std::string>{c.stored}) << ours.output;
    // Every other key dcmqrscp answers with a value, norvane answers alike.
    for (const char* tag :
         {"(0010,0010)", "(0010,0020)", "(0008,0020)", "(0008,0030)", "(0008,0050)", "(0020,0010)",
          "(0020,000e)", "(0008,0060)", "(0020,0011)"}) {
      const std::vector<std::string> expected = FindscuValues(reference.output, tag);
      if (!expected.empty()) {
        EXPECT_EQ(FindscuValues(ours.output, tag), expected) << tag;
      }
    }
  }
}

// A UID-named object: its own UIDs, as the archive must file it.
struct OwnUIDs {
  std::string file;
  std::string study;
  std::string series;
  std::string instance;
};

// A flat sequence of one item holding `elements`.
void AppendSequence(TagList& list, Tag tag, const TagList& elements) {
  list.push_back(UndefinedLengthHeader(tag, "SQ"));
  list.push_back(ItemHeader());
  list.insert(list.end(), elements.begin(), elements.end());
  list.push_back(ItemDelimiter());
  list.push_back(SequenceDelimiter());
}

// An SR or key object selection (no pixels) whose evidence sequence references another
// study and series; `related` adds a Related Series Sequence (0008,1250) with
// another study and series before the object's own UIDs.
OwnUIDs WriteDocument(const std::string& path, std::string_view sopClass, std::string_view modality,
                      bool related) {
  using testing::PaddedText;
  const std::string base = "1.2.826.0.1.3680043.2.4821.60." + std::string(modality);
  const OwnUIDs own{path, base + ".1", base + ".1.2", base + ".1.2.3"};
  const std::string other = "1.2.826.0.1.3680043.2.4821.61";
  TagList dataset = {PaddedText(0x0008, 0x0016, "UI", sopClass),
                     PaddedText(0x0008, 0x0018, "UI", own.instance),
                     PaddedText(0x0008, 0x0060, "CS", modality)};
  if (related) {
    AppendSequence(dataset, tag::kRelatedSeriesSequence,
                   {PaddedText(0x0020, 0x000D, "UI", other + ".1"),
                    PaddedText(0x0020, 0x000E, "UI", other + ".1.2")});
  }
  dataset.insert(dataset.end(), {PaddedText(0x0010, 0x0020, "LO", "NESTED1"),
                                 PaddedText(0x0020, 0x000D, "UI", own.study),
                                 PaddedText(0x0020, 0x000E, "UI", own.series)});
  TagList evidence;
  AppendSequence(evidence, tag::kReferencedSeriesSequence,
                 {PaddedText(0x0020, 0x000E, "UI", other + ".1.2")});
  evidence.push_back(PaddedText(0x0020, 0x000D, "UI", other + ".1"));
  AppendSequence(dataset, tag::kCurrentRequestedProcedureEvidenceSequence, evidence);
  TagList meta;
  BuildMetaHeader(meta, sopClass, own.instance, "1.2.840.10008.1.2.1");
  EXPECT_TRUE(WriteDicomFile(path, &meta, dataset, true, ByteOrder::kLittleEndian));
  return own;
}

// pydicom's Segmentation lists its source series in a Referenced Series Sequence (0008,1115),
// which comes before its own Series Instance UID; so do the SR and key object made here.
TEST(OwnUIDsInterop, ObjectsReferencingOthersAreFiledFoundAndRetrievedUnderTheirOwnUIDs) {
  NORVANE_REQUIRE_PROGRAMS("findscu", "getscu");
  testing::TempDir dir;
  const std::vector<OwnUIDs> objects = {
      {testing::PydicomFile("liver_1frame.dcm"),
       "1.2.392.200103.20080913.113635.0.2009.6.22.21.43.10.22941.1",
       "1.2.276.0.7230010.3.1.3.0.42154.1458337731.665795",
       "1.2.276.0.7230010.3.1.4.0.42154.1458337731.665796"},
      WriteDocument(dir / "sr.dcm", "1.2.840.10008.5.1.4.1.1.88.33", "SR", false),
      WriteDocument(dir / "ko.dcm", "1.2.840.10008.5.1.4.1.1.88.59", "KO", true),
  };
  NorvaneSCP scp;
  ASSERT_TRUE(scp.Start(dir.path().string(), {"--accept-all-storage"}));
  const std::string port = std::to_string(scp.port);
  for (const OwnUIDs& object : objects) {
    SCOPED_TRACE(object.file);
    const RunResult store = RunProgram(
        {testing::NorvaneTool(), "store", "127.0.0.1", port, "--aec", "NORVANE", object.file});
    ASSERT_EQ(store.exitCode, 0) << store.output << scp.process.Log();
    EXPECT_TRUE(std::filesystem::is_regular_file(
        dir / ("Database/" + object.study + "/" + object.series + "/" + object.instance + ".dcm")));

    const FindResult found =
        Findscu("-S", "NORVANE", scp.port,
                {"QueryRetrieveLevel=IMAGE", "StudyInstanceUID=" + object.study,
                 "SeriesInstanceUID=" + object.series, "SOPInstanceUID"});
    EXPECT_TRUE(found.succeeded) << found.output;
    EXPECT_EQ(FindscuValues(found.output, kImageUIDTag), std::vector<std::string>{object.instance});
    const std::string got = dir / ("got-" + object.instance);
    std::filesystem::create_directories(got);
    const RunResult get =
        RunProgram({"getscu", "-S", "-aec", "NORVANE", "-od", got, "-k",
                    "QueryRetrieveLevel=SERIES", "-k", "StudyInstanceUID=" + object.study, "-k",
                    "SeriesInstanceUID=" + object.series, "127.0.0.1", port});
    EXPECT_EQ(get.exitCode, 0) << get.output;
    const std::vector<std::string> files = testing::FileNames(got);
    ASSERT_EQ(files.size(), 1u) << get.output << scp.process.Log();
    EXPECT_TRUE(files[0].ends_with(object.instance)) << files[0];
  }
}

TEST(WorklistQueryInterop, FindscuW_SameItemsAsWlmscpfs) {
  NORVANE_REQUIRE_PROGRAMS("wlmscpfs", "dump2dcm", "findscu");
  testing::TempDir dir;
  const std::vector<testing::WorklistEntry> entries = {
      {"ACC1", "TEST^ONE", "P1", "19700101", "F", "1.2.3.1", "CT", "CTSCANNER1", "20240115",
       "093000", "PERFORMER^PAULA", "CT HEAD", "SPS1"},
      {"ACC2", "TEST^TWO", "P2", "19800202", "M", "1.2.3.2", "MR", "MRSCANNER1", "20240116",
       "101500", "PERFORMER^PAULA", "MR KNEE", "SPS2"},
      {"ACC3", "OTHER^THREE", "P3", "19900303", "M", "1.2.3.3", "CT", "CTSCANNER2", "20240201",
       "140000", "PERFORMER^PETER", "CT CHEST", "SPS3"},
      {"ACC4", "TEST^FOUR", "P4", "20000404", "F", "1.2.3.4", "US", "USSCANNER1", "20231231",
       "235959", "PERFORMER^PETER", "US ABDOMEN", "SPS4"},
  };
  testing::WorklistSCP wlmscpfs;
  std::string problem;
  ASSERT_TRUE(wlmscpfs.Start(dir / "wl", entries, problem)) << problem;
  NorvaneSCP norvane;
  ASSERT_TRUE(norvane.Start(
      dir.path().string(), {"--worklist", dir / ("wl/db/" + std::string(testing::kWorklistTitle))}))
      << norvane.process.Log();

  // Every query returns these; a case's keys come after them and give some a value.
  const std::string step = "ScheduledProcedureStepSequence[0].";
  const std::string date = step + "ScheduledProcedureStepStartDate";
  const std::vector<std::string> returned = {"AccessionNumber",
                                             "PatientName",
                                             "PatientID",
                                             step + "Modality",
                                             date,
                                             step + "ScheduledStationAETitle",
                                             step + "ScheduledProcedureStepStartTime",
                                             step + "ScheduledProcedureStepID"};
  struct Case {
    std::vector<std::string> keys;
    size_t expected;
  };
  const std::vector<Case> cases = {
      {{}, 4},
      {{"PatientName=TEST^*"}, 3},
      {{"PatientName=TEST^T?O"}, 1},
      {{step + "Modality=CT"}, 2},
      {{date + "=20240101-20240131"}, 2},
      {{date + "=20240116-"}, 2},
      {{"PatientName=TEST*", step + "Modality=CT", date + "=20240101-"}, 1},
      {{step + "Modality=NM"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys.empty() ? "universal" : c.keys.front());
    std::vector<std::string> keys = returned;
    keys.insert(keys.end(), c.keys.begin(), c.keys.end());
    const FindResult reference = Findscu("-W", testing::kWorklistTitle, wlmscpfs.port(), keys);
    const FindResult ours = Findscu("-W", "NORVANE", norvane.port, keys);
    ASSERT_TRUE(reference.succeeded) << reference.output;
    ASSERT_TRUE(ours.succeeded) << ours.output;
    EXPECT_EQ(testing::FindscuResponseCount(ours.output), c.expected) << ours.output;
    for (const char* tag : {"(0008,0050)", "(0010,0010)", "(0040,0001)", "(0040,0003)",
                            "(0008,0060)", "(0040,0002)", "(0040,0009)"}) {
      EXPECT_EQ(Sorted(FindscuValues(ours.output, tag)),
                Sorted(FindscuValues(reference.output, tag)))
          << tag << "\nwlmscpfs:\n"
          << reference.output << "\nnorvane:\n"
          << ours.output;
    }
  }

  // A worklist file cut short (no scheduled procedure step left) is passed over, never an item.
  const std::string items = dir / ("wl/db/" + std::string(testing::kWorklistTitle));
  std::filesystem::copy_file(items + "/item0.wl", items + "/cut.wl");
  std::filesystem::resize_file(items + "/cut.wl", 300);
  const FindResult ours = Findscu("-W", "NORVANE", norvane.port, returned);
  ASSERT_TRUE(ours.succeeded) << ours.output;
  EXPECT_EQ(testing::FindscuResponseCount(ours.output), entries.size()) << ours.output;
}

}  // namespace
}  // namespace norvane
