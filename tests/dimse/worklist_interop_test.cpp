// WriteWLFindRQ and ReadWLFindRSP against DCMTK's wlmscpfs serving worklist files made
// with dump2dcm: the items compared with what findscu -W returns, with the scheduled
// procedure step fields filled.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "dimse/find_request.hpp"
#include "dimse/worklist_request.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using testing::FindscuValues;
using testing::RunProgram;
using testing::RunResult;
using testing::TrimPadding;
using testing::WorklistEntry;

const std::vector<WorklistEntry>& Entries() {
  static const std::vector<WorklistEntry> entries = {
      {"ACC0001", "TEST^WORKLIST^ONE", "WLPID001", "19700101", "F",
       "1.2.826.0.1.3680043.2.1143.900.1", "CT", "CTSCANNER1", "20240115", "093000",
       "PERFORMER^PAULA", "HEAD PLAIN", "SPS0001"},
      {"ACC0002", "TEST^WORKLIST^TWO", "WLPID002", "19800202", "M",
       "1.2.826.0.1.3680043.2.1143.900.2", "MR", "MRSCANNER", "20240116", "141500",
       "PERFORMER^PETER", "KNEE", "SPS0002"},
      {"ACC0003", "OTHER^PATIENT", "WLPID003", "19900303", "O", "1.2.826.0.1.3680043.2.1143.900.3",
       "CT", "CTSCANNER2", "20240220", "080000", "PERFORMER^PAULA", "CHEST", "SPS0003"},
  };
  return entries;
}

class WorklistAgainstWlmscpfs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::HaveProgram("wlmscpfs") || !testing::HaveProgram("dump2dcm") ||
        !testing::HaveProgram("findscu")) {
      return;
    }
    dir_ = std::make_unique<testing::TempDir>();
    scp_ = std::make_unique<testing::WorklistSCP>();
    ready_ = scp_->Start(dir_->path().string(), Entries(), problem_);
  }
  static void TearDownTestSuite() {
    scp_.reset();
    dir_.reset();
  }
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("wlmscpfs", "dump2dcm", "findscu");
    ASSERT_TRUE(ready_) << problem_;
    SetLOG("", 0);
  }

  // The worklist query as the test application runs it; the last status in `status`.
  std::vector<TWorklistItem> Query(const TWorklistItem& query, ServiceResult& status) {
    std::vector<TWorklistItem> items;
    RequesterAssociation pdu;
    EXPECT_TRUE(OpenAssoc(pdu,
                          testing::LoopbackPeer(scp_->Port(), testing::kWorklistTitle, "NORVANE"),
                          uid::kModalityWorklistFind));
    EXPECT_TRUE(WriteWLFindRQ(pdu, query, uid::kModalityWorklistFind));
    do {
      status = ReadWLFindRSP(pdu, items);
    } while (IsPending(status));
    CloseAssoc(pdu);
    return items;
  }

  RunResult FindscuW(const std::vector<std::string>& keys) {
    std::vector<std::string> argv = {
        "findscu", "-v", "-W", "-aet", "TESTSCU", "-aec", testing::kWorklistTitle};
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

  static std::vector<std::string> StepKeys(const std::string& modality, const std::string& date) {
    const std::string sps = "ScheduledProcedureStepSequence[0].";
    return {"PatientName",
            "PatientID",
            "StudyInstanceUID",
            sps + "Modality" + (modality.empty() ? "" : "=" + modality),
            sps + "ScheduledProcedureStepStartDate" + (date.empty() ? "" : "=" + date),
            sps + "ScheduledStationAETitle"};
  }

  static inline std::unique_ptr<testing::TempDir> dir_;
  static inline std::unique_ptr<testing::WorklistSCP> scp_;
  static inline bool ready_ = false;
  static inline std::string problem_;
};

const WorklistEntry* EntryOf(const TWorklistItem& item) {
  for (const WorklistEntry& e : Entries()) {
    if (TrimPadding(item.PatientID) == e.patientID) return &e;
  }
  return nullptr;
}

TEST_F(WorklistAgainstWlmscpfs, EmptyQueryReturnsEveryItemWithItsStepFields) {
  ServiceResult status;
  const std::vector<TWorklistItem> items = Query(TWorklistItem{}, status);
  EXPECT_EQ(status.status, 0x0000) << status.reason;
  const RunResult reference = FindscuW(StepKeys("", ""));
  ASSERT_EQ(testing::FindscuResponseCount(reference.output), 3u) << reference.output;
  ASSERT_EQ(items.size(), 3u) << scp_->Log();

  std::vector<std::string> ours;
  for (const TWorklistItem& item : items) {
    ours.push_back(item.StudyInstanceUID);
    const WorklistEntry* e = EntryOf(item);
    ASSERT_NE(e, nullptr) << item.PatientID;
    EXPECT_EQ(TrimPadding(item.PatientName), e->patientName);
    EXPECT_EQ(item.PatientBD, e->birthDate);
    EXPECT_EQ(TrimPadding(item.PatientSex), e->sex);
    EXPECT_EQ(TrimPadding(item.AccessionNumber), e->accession);
    EXPECT_EQ(item.RequestingPhysician.rfind("REQUESTER^ROBERT", 0), 0u);
    EXPECT_EQ(TrimPadding(item.RequestedProcedureDescription), e->description);
    EXPECT_EQ(item.Modality, e->modality);
    EXPECT_EQ(TrimPadding(item.ScheduledStationAET), e->stationAET);
    EXPECT_EQ(item.SPSStartDate, e->startDate);
    EXPECT_EQ(item.SPSStartTime, e->startTime);
    EXPECT_EQ(TrimPadding(item.ScheduledPerformingPhysician), e->performer);
    EXPECT_EQ(TrimPadding(item.SPSDescription), e->description);
    EXPECT_EQ(TrimPadding(item.SPSID), e->stepID);
    EXPECT_EQ(TrimPadding(item.ScheduledStationName), "ROOM1");
    EXPECT_EQ(TrimPadding(item.SPSLocation), "RADIOLOGY");
    EXPECT_EQ(TrimPadding(item.RequestedProcedureID), "RP" + e->stepID);
    EXPECT_EQ(TrimPadding(item.RequestedProcedurePriority), "ROUTINE");
    EXPECT_EQ(item.Reserved, "");
  }
  std::sort(ours.begin(), ours.end());
  std::vector<std::string> theirs = FindscuValues(reference.output, "(0020,000d)");
  std::sort(theirs.begin(), theirs.end());
  EXPECT_EQ(ours, theirs);
}

TEST_F(WorklistAgainstWlmscpfs, ModalityAndDateKeysMatchLikeFindscu) {
  struct Case {
    std::string modality, date;
    size_t expected;
  };
  for (const Case& c : {Case{"CT", "", 2}, Case{"MR", "", 1}, Case{"", "20240116", 1},
                        Case{"CT", "20240201-20240229", 1}, Case{"US", "", 0}}) {
    TWorklistItem query;
    query.Modality = c.modality;
    query.SPSStartDate = c.date;
    ServiceResult status;
    const std::vector<TWorklistItem> items = Query(query, status);
    EXPECT_EQ(status.status, 0x0000) << status.reason;
    const RunResult reference = FindscuW(StepKeys(c.modality, c.date));
    EXPECT_EQ(items.size(), c.expected) << c.modality << " " << c.date;
    EXPECT_EQ(testing::FindscuResponseCount(reference.output), c.expected) << reference.output;
    std::vector<std::string> ours;
    for (const TWorklistItem& item : items) {
      ours.push_back(item.StudyInstanceUID);
      if (!c.modality.empty()) {
        EXPECT_EQ(item.Modality, c.modality);
      }
    }
    std::sort(ours.begin(), ours.end());
    std::vector<std::string> theirs = FindscuValues(reference.output, "(0020,000d)");
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs) << c.modality << " " << c.date;
  }
}

TEST_F(WorklistAgainstWlmscpfs, PatientNameWildcardSelectsOnePatient) {
  TWorklistItem query;
  query.PatientName = "OTHER*";
  ServiceResult status;
  const std::vector<TWorklistItem> items = Query(query, status);
  EXPECT_EQ(status.status, 0x0000) << status.reason;
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(TrimPadding(items[0].PatientID), "WLPID003");
  EXPECT_EQ(items[0].SPSStartDate, "20240220");
}

}  // namespace
}  // namespace norvane
