// The bytes of the workflow requests and of the answer to a commitment report, as a strict
// scripted SCP receives them.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>

#include "dimse/mpps_scu.hpp"
#include "dimse/scripted_workflow_peer.hpp"
#include "dimse/storage_commitment_scu.hpp"
#include "net/role_item.hpp"
#include "scp/commitment_report_service.hpp"
#include "scp/server_thread.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::CommandUS;
using testing::CommandValue;
using testing::FindElement;
using testing::TopLevelElements;
using testing::UidValue;

AssociationParameters PeerAt(const std::string& port) {
  AssociationParameters peer;
  peer.host = "127.0.0.1";
  peer.port = port;
  peer.callingAETitle = "MODALITY";
  peer.calledAETitle = "ARCHIVE";
  peer.timeouts.dimse = std::chrono::seconds(5);
  return peer;
}

bool Contains(const Bytes& data, std::string_view text) {
  return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
}

TWorklistItem Item() {
  TWorklistItem item;
  item.PatientName = "DOE^JANE";
  item.PatientID = "P123";
  item.StudyInstanceUID = "1.2.826.0.1.3680043.2.4821.77.1";
  item.AccessionNumber = "ACC9";
  item.Modality = "CT";
  item.SPSID = "SPS1";
  return item;
}

TEST(WorkflowMessages, MppsCreate_CarriesRequiredAttributesAndNothingForbidden) {
  testing::ScriptedWorkflowPeer peer;
  PerformedStepStart step;
  step.stationAETitle = "MODALITY";
  const MppsResult result = CreateMppsSCU(PeerAt(peer.Port()), MppsInProgressDataset(Item(), step));
  ASSERT_TRUE(result) << result.reason;
  const testing::WorkflowPeerRecord& record = peer.Finish();
  ASSERT_EQ(record.messages.size(), 1u);
  const auto command = record.messages[0].Command();
  EXPECT_EQ(CommandUS(command, 0x0100), 0x0140);
  EXPECT_EQ(CommandValue(command, 0x0002), UidValue(testing::kMppsClass));
  EXPECT_EQ(CommandValue(command, 0x1000), UidValue(result.instanceUID));
  EXPECT_EQ(CommandUS(command, 0x0800), 0x0102);

  const auto elements = TopLevelElements(record.messages[0].dataset);
  struct Required {
    uint16_t group, element;
  };
  for (const Required r : {Required{0x0008, 0x0060},
                           {0x0008, 0x1032},
                           {0x0008, 0x1120},
                           {0x0010, 0x0010},
                           {0x0010, 0x0020},
                           {0x0010, 0x0030},
                           {0x0010, 0x0040},
                           {0x0020, 0x0010},
                           {0x0040, 0x0241},
                           {0x0040, 0x0244},
                           {0x0040, 0x0245},
                           {0x0040, 0x0250},
                           {0x0040, 0x0251},
                           {0x0040, 0x0252},
                           {0x0040, 0x0253},
                           {0x0040, 0x0260},
                           {0x0040, 0x0270},
                           {0x0040, 0x0340}}) {
    SCOPED_TRACE(
        testing::Hex(Bytes{static_cast<uint8_t>(r.group >> 8), static_cast<uint8_t>(r.group),
                           static_cast<uint8_t>(r.element >> 8), static_cast<uint8_t>(r.element)}));
    EXPECT_NE(FindElement(elements, r.group, r.element), nullptr);
  }
  EXPECT_EQ(FindElement(elements, 0x0040, 0x0252)->value, testing::TextValue("IN PROGRESS"));
  EXPECT_EQ(FindElement(elements, 0x0040, 0x0241)->value, testing::TextValue("MODALITY"));
  for (const auto& e : elements) {
    EXPECT_FALSE(e.group == 0x0000 || e.group == 0x0002) << "group " << e.group;
    EXPECT_FALSE(e.group == 0x0008 && (e.element == 0x0016 || e.element == 0x0018))
        << "the SOP Class or Instance UID belongs to the command";
  }
  // The scheduled step's study and accession travel inside the Scheduled Step Attributes
  // Sequence, not at the top level.
  EXPECT_EQ(FindElement(elements, 0x0020, 0x000D), nullptr);
  EXPECT_EQ(FindElement(elements, 0x0008, 0x0050), nullptr);
  EXPECT_TRUE(Contains(record.messages[0].dataset, Item().StudyInstanceUID));
  EXPECT_TRUE(Contains(record.messages[0].dataset, "ACC9"));
  EXPECT_TRUE(record.released);
}

TEST(WorkflowMessages, MppsSet_CarriesEndStatusAndPerformedSeries) {
  testing::ScriptedWorkflowPeer peer;
  InstanceHeader image{
      "a.dcm", {"1.2.840.10008.5.1.4.1.1.7", "1.2.3.4.1"}, "1.2.3.9", "SER", "", "", ""};
  const TagList dataset = MppsFinalDataset(kStepCompleted, {"20261208", "101500"},
                                           PerformedSeriesOf({image, image}, "ARCHIVE"));
  const ServiceResult result = SetMppsSCU(PeerAt(peer.Port()), "1.2.3.77", dataset);
  ASSERT_TRUE(result) << result.reason;
  const testing::WorkflowPeerRecord& record = peer.Finish();
  ASSERT_EQ(record.messages.size(), 1u);
  const auto command = record.messages[0].Command();
  EXPECT_EQ(CommandUS(command, 0x0100), 0x0120);
  EXPECT_EQ(CommandValue(command, 0x0003), UidValue(testing::kMppsClass));
  EXPECT_EQ(CommandValue(command, 0x1001), UidValue("1.2.3.77"));
  const auto elements = TopLevelElements(record.messages[0].dataset);
  ASSERT_EQ(elements.size(), 4u) << testing::Hex(record.messages[0].dataset);
  EXPECT_EQ(elements[0].value, testing::TextValue("20261208"));
  EXPECT_EQ(elements[1].value, testing::TextValue("101500"));
  EXPECT_EQ(elements[2].value, testing::TextValue("COMPLETED"));
  EXPECT_EQ(elements[3].group, 0x0040);
  EXPECT_EQ(elements[3].element, 0x0340);
  const Bytes& data = record.messages[0].dataset;
  EXPECT_TRUE(Contains(data, "1.2.3.9"));
  // The protocol name, required in the item, falls back to the series description; the
  // instance given twice is referenced once.
  EXPECT_TRUE(Contains(data, "SER"));
  const std::string text(data.begin(), data.end());
  EXPECT_EQ(text.find("1.2.3.4.1"), text.rfind("1.2.3.4.1"));
}

TEST(WorkflowMessages, Commit_ReportOnTheSameAssociationIsAnsweredWithItsRsp) {
  testing::ScriptedWorkflowPeer peer;
  const std::vector<InstanceReference> refs = {{"1.2.840.10008.5.1.4.1.1.7", "1.2.3.4.1"},
                                               {"1.2.840.10008.5.1.4.1.1.2", "1.2.3.4.2"}};
  const CommitResult result = CommitSCU(PeerAt(peer.Port()), refs, std::chrono::seconds(5));
  ASSERT_TRUE(result) << result.reason;
  ASSERT_TRUE(result.report);
  EXPECT_FALSE(result.onNewAssociation);
  EXPECT_EQ(result.report->committed.size(), 2u);
  EXPECT_EQ(result.report->transactionUID, result.transactionUID);

  const testing::WorkflowPeerRecord& record = peer.Finish();
  ASSERT_EQ(record.messages.size(), 2u);
  const auto action = record.messages[0].Command();
  EXPECT_EQ(CommandUS(action, 0x0100), 0x0130);
  EXPECT_EQ(CommandValue(action, 0x0003), UidValue(testing::kCommitmentClass));
  EXPECT_EQ(CommandValue(action, 0x1001), UidValue(testing::kCommitmentInstance));
  EXPECT_EQ(CommandUS(action, 0x1008), 1);
  const auto elements = TopLevelElements(record.messages[0].dataset);
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[0].element, 0x1195);
  EXPECT_EQ(elements[0].value, UidValue(result.transactionUID));
  EXPECT_EQ(elements[1].element, 0x1199);

  const auto answer = record.messages[1].Command();
  EXPECT_EQ(CommandUS(answer, 0x0100), 0x8100);
  EXPECT_EQ(CommandUS(answer, 0x0120), 77);
  EXPECT_EQ(CommandUS(answer, 0x0900), 0x0000);
  EXPECT_EQ(CommandUS(answer, 0x1002), 1);
  EXPECT_EQ(CommandUS(answer, 0x0800), 0x0101);
  EXPECT_EQ(CommandValue(answer, 0x0002), UidValue(testing::kCommitmentClass));
  EXPECT_TRUE(record.released);
}

TEST(WorkflowMessages, Commit_NoReportWithinTheTimeLimitIsSaidInWords) {
  testing::ScriptedWorkflowPeer peer(false);
  const CommitResult result =
      CommitSCU(PeerAt(peer.Port()), {{"1.2.3", "1.2.3.4"}}, std::chrono::milliseconds(300));
  EXPECT_EQ(result.failure, ServiceFailure::kTimeout);
  EXPECT_EQ(result.reason, "no storage commitment report within 300 ms");
  EXPECT_FALSE(result.report);
  EXPECT_TRUE(peer.Finish().released);
}

// A connection to a loopback port; -1 when none.
int ConnectTo(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return fd;
  }
  if (fd >= 0) ::close(fd);
  return -1;
}

TEST(WorkflowMessages, Commit_ReportOnANewAssociationWhileWaitingIsAnsweredWithItsRsp) {
  // The listener of the requester, as norvane commit --listen-port runs it.
  auto reports = std::make_shared<CommitmentReports>();
  StoreSCPSettings settings;
  settings.port = "0";
  settings.loopbackOnly = true;
  ServiceRegistry services;
  services.Register(std::make_shared<CommitmentReportService>(reports));
  ServerThread listener(settings, std::move(services));
  ASSERT_TRUE(listener.Listen());
  listener.Start();

  // An archive that answers the N-ACTION, and reports only after the requester released.
  testing::ScriptedWorkflowPeer archive(false);
  const InstanceReference ref{"1.2.840.10008.5.1.4.1.1.7", "1.2.3.4.5"};
  std::future<CommitResult> waiting = std::async(std::launch::async, [&] {
    return CommitSCU(
        PeerAt(archive.Port()), {ref}, std::chrono::seconds(20),
        [reports](std::string_view transaction, std::chrono::steady_clock::time_point until) {
          return reports->Await(transaction, until);
        });
  });
  const testing::WorkflowPeerRecord& record = archive.Finish();
  ASSERT_TRUE(record.released);
  ASSERT_EQ(record.messages.size(), 1u);
  const auto action = TopLevelElements(record.messages[0].dataset);
  const auto* transaction = FindElement(action, 0x0008, 0x1195);
  ASSERT_NE(transaction, nullptr);

  const int fd = ConnectTo(listener.Port());
  ASSERT_GE(fd, 0);
  const Bytes items =
      testing::WireBuilder()
          .UidItem(0x10, testing::kApplicationContextUid)
          .Append(testing::ProposedContextItem(1, testing::kCommitmentClass,
                                               {testing::kImplicitSyntax}))
          .Append(testing::UserInformationItem(
              16384, "1.2.3.4", "ARCHIVE", {testing::RoleItem(testing::kCommitmentClass, 0, 1)}))
          .bytes();
  ASSERT_TRUE(testing::SendAll(fd, testing::AssociatePdu(0x01, "MODALITY", "ARCHIVE", items)));
  const Bytes answer = testing::ReadPdu(fd);
  ASSERT_EQ(answer.at(0), 0x02) << testing::Hex(answer);
  EXPECT_TRUE(testing::HasBytes(answer, testing::RoleItem(testing::kCommitmentClass, 0, 1)))
      << "the SCP role is granted: " << testing::Hex(answer);

  const Bytes command = testing::CommandBytes({{0x0002, UidValue(testing::kCommitmentClass)},
                                               {0x0100, testing::US(0x0100)},
                                               {0x0110, testing::US(41)},
                                               {0x0800, testing::US(0x0102)},
                                               {0x1000, UidValue(testing::kCommitmentInstance)},
                                               {0x1002, testing::US(1)}});
  testing::MessageBuilder report;
  report.Implicit(0x0008, 0x1195, transaction->value)
      .Tag(0x0008, 0x1199)
      .U32(0xFFFFFFFF)
      .Tag(0xFFFE, 0xE000)
      .U32(0xFFFFFFFF)
      .Implicit(0x0008, 0x1150, UidValue(ref.sopClass))
      .Implicit(0x0008, 0x1155, UidValue(ref.sopInstance))
      .Tag(0xFFFE, 0xE00D)
      .U32(0)
      .Tag(0xFFFE, 0xE0DD)
      .U32(0);
  ASSERT_TRUE(testing::SendAll(fd, testing::PDataPdu({testing::Pdv(1, 0x03, command),
                                                      testing::Pdv(1, 0x02, report.bytes())})));
  const Bytes response = testing::ReadPdu(fd);
  ASSERT_GT(response.size(), 12u);
  ASSERT_EQ(response[0], 0x04);
  ASSERT_EQ(response[11], 0x03) << "one PDV holding the whole command: " << testing::Hex(response);
  const auto rsp = testing::ParseCommand(testing::Slice(response, 12, response.size() - 12));
  EXPECT_EQ(CommandUS(rsp, 0x0100), 0x8100);
  EXPECT_EQ(CommandUS(rsp, 0x0120), 41);
  EXPECT_EQ(CommandUS(rsp, 0x0900), 0x0000);
  EXPECT_EQ(CommandUS(rsp, 0x1002), 1);
  EXPECT_EQ(CommandUS(rsp, 0x0800), 0x0101);
  ASSERT_TRUE(testing::SendAll(fd, {0x05, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(testing::ReadPdu(fd).at(0), 0x06);
  ::close(fd);

  const CommitResult result = waiting.get();
  ASSERT_TRUE(result) << result.reason;
  EXPECT_TRUE(result.onNewAssociation);
  ASSERT_TRUE(result.report);
  ASSERT_EQ(result.report->committed.size(), 1u);
  EXPECT_EQ(result.report->committed[0].sopInstance, ref.sopInstance);
  listener.Stop();
}

}  // namespace
}  // namespace norvane
