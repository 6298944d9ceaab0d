// The archive's MPPS and storage commitment services, driven by the system's own SCUs:
// the state rules of a performed procedure step in one table, and the commitment report on
// the same association and on a new one.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "datadec/dicom_file_reader.hpp"
#include "dimse/mpps_scu.hpp"
#include "dimse/storage_commitment_scu.hpp"
#include "dimse/store_files.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"
#include "net/association_entry.hpp"
#include "scp/commitment_report_service.hpp"
#include "scp/server_thread.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

class WorkflowArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    StoreSCPSettings settings;
    settings.port = "0";
    settings.loopbackOnly = true;
    settings.folder = dir_ / "db/";
    settings.aeTitle = "ARCHIVE";
    settings.moveDestinations = destinations_;
    scp_ = std::make_unique<ServerThread>(settings);
    ASSERT_TRUE(scp_->Listen());
    scp_->Start();
  }
  void TearDown() override { scp_->Stop(); }

  AssociationParameters Peer() const {
    AssociationParameters peer =
        testing::LoopbackPeer(std::to_string(scp_->Port()), "ARCHIVE", "MODALITY");
    peer.timeouts.dimse = std::chrono::seconds(10);
    return peer;
  }
  std::string StepFile(const std::string& uid) const { return dir_ / ("db/mpps/" + uid + ".dcm"); }

  testing::TempDir dir_;
  std::vector<MoveDestination> destinations_;
  std::unique_ptr<ServerThread> scp_;
};

// The data set of a new step, changed by `edit`.
TagList CreateDataset(const std::function<void(TagList&)>& edit = {}) {
  TWorklistItem item;
  item.PatientName = "DOE^JANE";
  item.PatientID = "P1";
  item.StudyInstanceUID = "1.2.3.1";
  item.Modality = "CT";
  PerformedStepStart step;
  step.stationAETitle = "MODALITY";
  TagList dataset = MppsInProgressDataset(item, step);
  if (edit) edit(dataset);
  return dataset;
}

TagList FinalDataset(std::string_view status, const std::function<void(TagList&)>& edit = {}) {
  TagList dataset = MppsFinalDataset(status, {"20261208", "120000"}, {});
  if (edit) edit(dataset);
  return dataset;
}

void Replace(TagList& list, Tag tag, std::string_view vr, std::string_view text) {
  for (auto at = TopLevel(list).begin(); at != TopLevel(list).end(); ++at) {
    if (at->Is(tag)) {
      list[at.Index()] = GeneratePaddedTag(tag, vr, text);
      return;
    }
  }
  list.insert(list.begin(), GeneratePaddedTag(tag, vr, text));
}

void Remove(TagList& list, Tag tag) {
  for (auto at = TopLevel(list).begin(); at != TopLevel(list).end(); ++at) {
    if (at->Is(tag)) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(at.Index()));
      return;
    }
  }
}

// One request of a case: N-CREATE or N-SET of the instance with a data set.
struct StepRequest {
  bool create;
  std::string instance;
  TagList dataset;
};

struct StateRule {
  const char* name;
  std::vector<StepRequest> before;  // each must succeed
  StepRequest last;
  uint16_t status;
  const char* comment;  // in the reason of a refusal
};

std::vector<StateRule> StateRules() {
  const std::string uid = "1.2.3.500";
  const StepRequest create{true, uid, CreateDataset()};
  const StepRequest complete{false, uid, FinalDataset(kStepCompleted)};
  return {
      {"CreateInProgress", {}, create, kStatusSuccess, ""},
      {"DuplicateCreate", {create}, create, kStatusDuplicateSOPInstance, "exists"},
      {"CreateCompleted",
       {},
       {true, uid, CreateDataset([](TagList& d) {
          Replace(d, tag::kPerformedProcedureStepStatus, "CS", "COMPLETED");
        })},
       kStatusInvalidAttributeValue,
       "created IN PROGRESS"},
      {"CreateWithoutStatus",
       {},
       {true, uid,
        CreateDataset([](TagList& d) { Remove(d, tag::kPerformedProcedureStepStatus); })},
       kStatusMissingAttribute,
       "Status"},
      {"CreateWithEmptyStepID",
       {},
       {true, uid,
        CreateDataset([](TagList& d) { Replace(d, tag::kPerformedProcedureStepID, "SH", ""); })},
       kStatusMissingAttributeValue,
       "is empty"},
      {"CreateWithUnusableUID",
       {},
       {true, "1.2.x/..", CreateDataset()},
       kStatusInvalidSOPInstance,
       "no usable"},
      {"SetUnknownInstance", {}, complete, kStatusNoSuchSOPInstance, "no step"},
      {"SetCompleted", {create}, complete, kStatusSuccess, ""},
      {"SetInProgressKeepsItOpen",
       {create, {false, uid, FinalDataset(kStepInProgress)}},
       complete,
       kStatusSuccess,
       ""},
      {"SetAfterCompleted",
       {create, complete},
       {false, uid, FinalDataset(kStepDiscontinued)},
       kStatusProcessingFailure,
       "may no longer be updated"},
      {"SetAfterDiscontinued",
       {create, {false, uid, FinalDataset(kStepDiscontinued)}},
       complete,
       kStatusProcessingFailure,
       "may no longer be updated"},
      {"SetCreateOnlyAttribute",
       {create},
       {false, uid,
        FinalDataset(kStepCompleted,
                     [](TagList& d) { Replace(d, tag::kPatientID, "LO", "OTHER"); })},
       kStatusInvalidAttributeValue,
       "may not be set"},
      {"SetUnknownStatus",
       {create},
       {false, uid, FinalDataset("DONE")},
       kStatusInvalidAttributeValue,
       "no step status"},
      {"SetCompletedWithoutEnd",
       {create},
       {false, uid,
        FinalDataset(
            kStepCompleted,
            [](TagList& d) { Replace(d, tag::kPerformedProcedureStepEndTime, "TM", ""); })},
       kStatusMissingAttributeValue,
       "end date and time"},
  };
}

ServiceResult Send(const AssociationParameters& peer, const StepRequest& request) {
  if (request.create) return CreateMppsSCU(peer, request.dataset, request.instance);
  return SetMppsSCU(peer, request.instance, request.dataset);
}

TEST_F(WorkflowArchive, MppsStateRules) {
  int round = 0;
  for (StateRule rule : StateRules()) {
    SCOPED_TRACE(rule.name);
    // Each case its own instance.
    const std::string instance = rule.last.instance + "." + std::to_string(++round);
    for (StepRequest& request : rule.before) {
      request.instance += "." + std::to_string(round);
      const ServiceResult done = Send(Peer(), request);
      ASSERT_TRUE(done) << done.reason;
    }
    rule.last.instance = rule.last.instance == "1.2.x/.." ? rule.last.instance : instance;
    const ServiceResult result = Send(Peer(), rule.last);
    ASSERT_TRUE(result.status.has_value()) << result.reason;
    EXPECT_EQ(*result.status, rule.status) << result.reason;
    EXPECT_NE(result.reason.find(rule.comment), std::string::npos) << result.reason;
  }
}

TEST_F(WorkflowArchive, MppsStepIsKeptAsADicomFileAndUpdated) {
  const MppsResult created = CreateMppsSCU(Peer(), CreateDataset());
  ASSERT_TRUE(created) << created.reason;
  DicomFileContent file = DICOMFile(StepFile(created.instanceUID));
  ASSERT_TRUE(file.Ok());
  EXPECT_EQ(GetTagText(file.meta, tag::kMediaStorageSOPInstanceUID), created.instanceUID);
  EXPECT_EQ(TopLevelText(file.dataset, tag::kPerformedProcedureStepStatus), "IN PROGRESS");

  const InstanceHeader image{
      "x.dcm", {"1.2.840.10008.5.1.4.1.1.7", "1.2.3.4.1"}, "1.2.3.9", "SERIES", "", "", ""};
  const ServiceResult set = SetMppsSCU(
      Peer(), created.instanceUID,
      MppsFinalDataset(kStepCompleted, {"20261208", "120500"}, PerformedSeriesOf({image}, "A")));
  ASSERT_TRUE(set) << set.reason;
  file = DICOMFile(StepFile(created.instanceUID));
  ASSERT_TRUE(file.Ok());
  EXPECT_EQ(TopLevelText(file.dataset, tag::kPerformedProcedureStepStatus), "COMPLETED");
  EXPECT_EQ(TopLevelText(file.dataset, tag::kPerformedProcedureStepEndTime), "120500");
  EXPECT_EQ(TopLevelText(file.dataset, tag::kPatientName), "DOE^JANE");
  // The Performed Series Sequence now holds the series; the series UID is only inside it.
  EXPECT_EQ(TopLevelText(file.dataset, tag::kSeriesInstanceUID), "");
  bool seen = false;
  for (const TagRecord& record : file.dataset) {
    seen = seen || (record.Is(tag::kSeriesInstanceUID) && RecordText(&record) == "1.2.3.9");
  }
  EXPECT_TRUE(seen);
}

TEST_F(WorkflowArchive, CommitmentReportsHeldAndMissingInstancesOnTheSameAssociation) {
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const std::vector<StoreResult> stored = StoreFiles(Peer(), {file}, "", true);
  ASSERT_TRUE(stored.at(0)) << stored[0].reason;
  const InstanceHeadersResult headers = ReadInstanceHeaders({file});
  ASSERT_TRUE(headers);
  const InstanceReference held = headers.headers[0].reference;
  const InstanceReference missing{held.sopClass, "1.2.3.404"};
  const InstanceReference otherClass{"1.2.840.10008.5.1.4.1.1.7", held.sopInstance};

  const CommitResult result =
      CommitSCU(Peer(), {held, missing, otherClass}, std::chrono::seconds(10));
  ASSERT_TRUE(result) << result.reason;
  ASSERT_TRUE(result.report);
  EXPECT_FALSE(result.onNewAssociation);
  EXPECT_EQ(result.report->eventType, kCommitmentFailuresEvent);
  ASSERT_EQ(result.report->committed.size(), 1u);
  EXPECT_EQ(result.report->committed[0].sopInstance, held.sopInstance);
  ASSERT_EQ(result.report->failed.size(), 2u);
  EXPECT_EQ(result.report->failed[0].reference.sopInstance, "1.2.3.404");
  EXPECT_EQ(result.report->failed[0].reason, kFailureNoSuchObjectInstance);
  EXPECT_EQ(FailureReasonText(result.report->failed[0].reason), "no such object instance");
  EXPECT_EQ(result.report->failed[1].reason, kFailureClassInstanceConflict);
}

class WorkflowArchiveWithDestination : public WorkflowArchive {
 protected:
  void SetUp() override {
    listener_ = std::make_unique<ServerThread>(ListenerSettings(), ListenerServices());
    ASSERT_TRUE(listener_->Listen());
    listener_->Start();
    destinations_.push_back({"MODALITY", "127.0.0.1", std::to_string(listener_->Port())});
    WorkflowArchive::SetUp();
  }
  void TearDown() override {
    WorkflowArchive::TearDown();
    listener_->Stop();
  }
  StoreSCPSettings ListenerSettings() {
    StoreSCPSettings settings;
    settings.port = "0";
    settings.loopbackOnly = true;
    settings.folder = dir_ / "listener/";
    return settings;
  }
  ServiceRegistry ListenerServices() {
    ServiceRegistry services;
    services.Register(std::make_shared<CommitmentReportService>(reports_));
    return services;
  }

  std::shared_ptr<CommitmentReports> reports_ = std::make_shared<CommitmentReports>();
  std::unique_ptr<ServerThread> listener_;
};

TEST_F(WorkflowArchiveWithDestination, CommitmentReportComesOnANewAssociationAfterARelease) {
  // A requester that releases at once after the N-ACTION-RSP gets the report at its --dest
  // address, on an association the archive opens with the SCP role.
  RequesterAssociation association;
  ASSERT_TRUE(OpenAssoc(association, Peer(), uid::kStorageCommitmentPushModel));
  const CommitmentRequest request{"1.2.3.777", {{"1.2.840.10008.5.1.4.1.1.7", "1.2.3.404"}}};
  ASSERT_TRUE(RequestCommitment(association, request));
  ASSERT_TRUE(association.ReleaseAssociation());

  const std::optional<CommitmentReport> report =
      reports_->Await("1.2.3.777", std::chrono::steady_clock::now() + std::chrono::seconds(10));
  ASSERT_TRUE(report);
  EXPECT_EQ(report->eventType, kCommitmentFailuresEvent);
  ASSERT_EQ(report->failed.size(), 1u);
  EXPECT_EQ(report->failed[0].reason, kFailureNoSuchObjectInstance);
}

TEST_F(WorkflowArchiveWithDestination, AHeldAssociationGetsTheReportEvenWhenAListenerWaits) {
  // The archive sends on the same association when it is held open, which the requester
  // does for a while even when its listener waits too.
  const CommitResult result =
      CommitSCU(Peer(), {{"1.2.840.10008.5.1.4.1.1.7", "1.2.3.405"}}, std::chrono::seconds(10),
                [reports = reports_](std::string_view transaction,
                                     std::chrono::steady_clock::time_point until) {
                  return reports->Await(transaction, until);
                });
  ASSERT_TRUE(result) << result.reason;
  ASSERT_TRUE(result.report);
  EXPECT_FALSE(result.onNewAssociation);
  EXPECT_EQ(result.report->failed.size(), 1u);
}

}  // namespace
}  // namespace norvane
