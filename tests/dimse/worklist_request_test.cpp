// Modality worklist C-FIND against a worklist provider the test plays: the identifier with
// its Scheduled Procedure Step Sequence byte for byte, and responses with flat and
// defined-length sequences read back into items.

#include "dimse/worklist_request.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dimse/find_request.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "dimse/worklist_identifier.hpp"
#include "elements/tag_list.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::FindResponseCommand;
using testing::Hex;
using testing::MessageBuilder;
using testing::QueryPeerRecord;
using testing::QueryPeerScript;
using testing::ScriptedQueryPeer;
using testing::ScriptedResponse;
using testing::Text;

constexpr std::string_view kWorklist = "1.2.840.10008.5.1.4.31";
constexpr uint32_t kUndefined = 0xFFFFFFFF;

MessageBuilder& Undefined(MessageBuilder& b, uint16_t group, uint16_t element) {
  return b.Tag(group, element).U32(kUndefined);
}

// The step attributes of one item, as a provider returns them.
MessageBuilder& StepAttributes(MessageBuilder& b, std::string_view modality,
                               std::string_view date) {
  return b.Implicit(0x0008, 0x0060, Text(modality))
      .Implicit(0x0032, 0x1070, Text("IODINE"))
      .Implicit(0x0040, 0x0001, Text("CTSCANNER1"))
      .Implicit(0x0040, 0x0002, Text(date))
      .Implicit(0x0040, 0x0003, Text("093000"))
      .Implicit(0x0040, 0x0006, Text("PERFORMER^PAULA "))
      .Implicit(0x0040, 0x0007, Text("HEAD PLAIN"))
      .Implicit(0x0040, 0x0009, Text("SPS0001 "))
      .Implicit(0x0040, 0x0010, Text("CTROOM1 "))
      .Implicit(0x0040, 0x0011, Text("RADIOLOGY "))
      .Implicit(0x0040, 0x0012, Text("NONE"));
}

MessageBuilder& PatientAttributes(MessageBuilder& b) {
  return b.Implicit(0x0008, 0x0050, Text("ACC0001 "))
      .Implicit(0x0010, 0x0010, Text("TEST^WORKLIST^ONE "))
      .Implicit(0x0010, 0x0020, Text("WLPID001"))
      .Implicit(0x0010, 0x0030, Text("19700101"))
      .Implicit(0x0010, 0x0040, Text("F "))
      .Implicit(0x0010, 0x2110, Text("NONE"))
      .Implicit(0x0020, 0x000D, testing::Uid("1.2.826.0.1.3680043.2.1143.900.1"))
      .Implicit(0x0032, 0x1032, Text("REQUESTER^ROBERT"))
      .Implicit(0x0032, 0x1060, Text("CT HEAD WITHOUT CONTRAST"));
}

MessageBuilder& RequestAttributes(MessageBuilder& b) {
  return b.Implicit(0x0040, 0x1001, Text("RP0001")).Implicit(0x0040, 0x1003, Text("ROUTINE "));
}

// A response with the sequence flat: undefined lengths and delimiters, `items` items.
Bytes FlatResponse(const std::vector<std::pair<std::string, std::string>>& items) {
  MessageBuilder b;
  PatientAttributes(b);
  Undefined(b, 0x0040, 0x0100);
  for (const auto& [modality, date] : items) {
    Undefined(b, 0xFFFE, 0xE000);
    StepAttributes(b, modality, date);
    b.Tag(0xFFFE, 0xE00D).U32(0);
  }
  b.Tag(0xFFFE, 0xE0DD).U32(0);
  RequestAttributes(b);
  return b.bytes();
}

// A response whose sequence has a defined length holding one item of defined length.
Bytes DefinedLengthResponse() {
  MessageBuilder steps;
  StepAttributes(steps, "CT", "20240115");
  const Bytes item = MessageBuilder().Implicit(0xFFFE, 0xE000, steps.bytes()).bytes();
  MessageBuilder b;
  PatientAttributes(b);
  b.Implicit(0x0040, 0x0100, item);
  RequestAttributes(b);
  return b.bytes();
}

void ExpectStepFields(const TWorklistItem& w, std::string_view modality, std::string_view date) {
  EXPECT_EQ(w.Modality, modality);
  EXPECT_EQ(w.SPSStartDate, date);
  EXPECT_EQ(w.SPSStartTime, "093000");
  EXPECT_EQ(w.ScheduledStationAET, "CTSCANNER1");
  EXPECT_EQ(w.ScheduledPerformingPhysician, "PERFORMER^PAULA ");
  EXPECT_EQ(w.RequestedContrastAgent, "IODINE");
  EXPECT_EQ(w.SPSID, "SPS0001 ");
  EXPECT_EQ(w.SPSDescription, "HEAD PLAIN");
  EXPECT_EQ(w.ScheduledStationName, "CTROOM1 ");
  EXPECT_EQ(w.SPSLocation, "RADIOLOGY ");
  EXPECT_EQ(w.PreMedication, "NONE");
}

void ExpectPatientFields(const TWorklistItem& w) {
  EXPECT_EQ(w.AccessionNumber, "ACC0001 ");
  EXPECT_EQ(w.PatientName, "TEST^WORKLIST^ONE ");
  EXPECT_EQ(w.PatientID, "WLPID001");
  EXPECT_EQ(w.PatientBD, "19700101");
  EXPECT_EQ(w.PatientSex, "F ");
  EXPECT_EQ(w.ContrastAllergies, "NONE");
  EXPECT_EQ(w.StudyInstanceUID, "1.2.826.0.1.3680043.2.1143.900.1");
  EXPECT_EQ(w.RequestingPhysician, "REQUESTER^ROBERT");
  EXPECT_EQ(w.RequestedProcedureDescription, "CT HEAD WITHOUT CONTRAST");
  EXPECT_EQ(w.RequestedProcedureID, "RP0001");
  EXPECT_EQ(w.RequestedProcedurePriority, "ROUTINE ");
  EXPECT_EQ(w.Reserved, "");
}

class WorklistWire : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }

  // The calling sequence of the test application: write, then read while pending. Each
  // response's status goes to `statuses` (none when no response could be read), the last
  // result to `last`.
  std::vector<TWorklistItem> Query(ScriptedQueryPeer& peer, const TWorklistItem& query,
                                   std::vector<std::optional<uint16_t>>& statuses,
                                   ServiceResult* last = nullptr) {
    std::vector<TWorklistItem> items;
    RequesterAssociation pdu;
    EXPECT_TRUE(OpenAssoc(pdu, testing::LoopbackPeer(peer.Port(), "WLM", "NORVANE"), kWorklist));
    EXPECT_TRUE(WriteWLFindRQ(pdu, query, kWorklist));
    ServiceResult response;
    do {
      response = ReadWLFindRSP(pdu, items);
      statuses.push_back(response.status);
    } while (IsPending(response));
    if (last != nullptr) *last = response;
    CloseAssoc(pdu);
    return items;
  }
};

TEST_F(WorklistWire, StartDateOnlyQueryPutsTheDateInsideTheStepItem) {
  QueryPeerScript script;
  script.responses = {{FindResponseCommand(3, 0x0000, false, 0x8020, kWorklist), {}}};
  ScriptedQueryPeer peer(script);
  TWorklistItem query;
  query.SPSStartDate = "20240115";
  // Return-key fields are sent empty whatever they hold; Reserved is never sent.
  query.ScheduledStationAET = "IGNORED";
  query.RequestedProcedureID = "IGNORED";
  query.Reserved = "IGNORED";
  std::vector<std::optional<uint16_t>> statuses;
  EXPECT_TRUE(Query(peer, query, statuses).empty());
  EXPECT_EQ(statuses, (std::vector<std::optional<uint16_t>>{0}));
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_EQ(seen.Proposed().at(0).abstractSyntax, kWorklist);
  EXPECT_EQ(testing::CommandUS(seen.Command(), 0x0100), 0x0020);
  EXPECT_EQ(testing::CommandUS(seen.Command(), 0x0700), 0x0000);
  EXPECT_EQ(testing::CommandUS(seen.Command(), 0x0800), 0x0102);
  EXPECT_EQ(testing::CommandUS(seen.Command(), 0x0000), 22 + 48) << "group length";

  MessageBuilder id;
  for (const auto& [g, e] : std::vector<std::pair<uint16_t, uint16_t>>{{0x0008, 0x0050},
                                                                       {0x0010, 0x0010},
                                                                       {0x0010, 0x0020},
                                                                       {0x0010, 0x0030},
                                                                       {0x0010, 0x0040},
                                                                       {0x0010, 0x2110},
                                                                       {0x0020, 0x000D},
                                                                       {0x0032, 0x1032},
                                                                       {0x0032, 0x1060}})
    id.Implicit(g, e, {});
  Undefined(id, 0x0040, 0x0100);
  Undefined(id, 0xFFFE, 0xE000);
  id.Implicit(0x0008, 0x0060, {});
  id.Implicit(0x0032, 0x1070, {});
  id.Implicit(0x0040, 0x0001, {});
  id.Implicit(0x0040, 0x0002, Text("20240115"));
  for (const uint16_t e : {0x0003, 0x0006, 0x0007, 0x0009, 0x0010, 0x0011, 0x0012})
    id.Implicit(0x0040, e, {});
  id.Tag(0xFFFE, 0xE00D).U32(0);
  id.Tag(0xFFFE, 0xE0DD).U32(0);
  id.Implicit(0x0040, 0x1001, {});
  id.Implicit(0x0040, 0x1003, {});
  EXPECT_EQ(seen.identifier, id.bytes()) << Hex(seen.identifier);
}

TEST_F(WorklistWire, RequestFieldsGoToTheirOwnAttributesOnly) {
  TWorklistItem query;
  query.RequestedProcedureDescription = "CT HEAD";
  query.RequestingPhysician = "SMITH^J";  // odd: space pad
  query.StudyInstanceUID = "1.2.3";       // odd: NUL pad
  TagList id;
  BuildWorklistIdentifier(query, id);
  ASSERT_EQ(id.size(), 26u);
  EXPECT_EQ(FindTag(id, 0x0032, 0x1060)->value, Text("CT HEAD "));
  EXPECT_EQ(FindTag(id, 0x0032, 0x1032)->value, Text("SMITH^J "));
  EXPECT_EQ(FindTag(id, 0x0020, 0x000D)->value, (Bytes{'1', '.', '2', '.', '3', 0}));
  size_t filled = 0;
  for (const TagRecord& r : id)
    filled += r.HasValue() ? 1 : 0;
  EXPECT_EQ(filled, 3u);
  EXPECT_TRUE(id[9].VRIs("SQ"));
  EXPECT_TRUE(id[9].HasUndefinedLength());
  EXPECT_TRUE(id[10].Is(0xFFFE, 0xE000));
  EXPECT_TRUE(id[10].HasUndefinedLength());
}

TEST_F(WorklistWire, FlatSequenceFillsTheStepFieldsAndALaterTopLevelModalityStillLands) {
  Bytes response = FlatResponse({{"CT", "20240115"}});
  // The Patient ID of another patient, in an Other Patient IDs Sequence, is not taken.
  const Bytes trailing = MessageBuilder()
                             .Implicit(0x0008, 0x0060, Text("MR"))
                             .Tag(0x0010, 0x1002)
                             .U32(0xFFFFFFFF)
                             .Tag(0xFFFE, 0xE000)
                             .U32(0xFFFFFFFF)
                             .Implicit(0x0010, 0x0020, Text("OTHERID"))
                             .Tag(0xFFFE, 0xE00D)
                             .U32(0)
                             .Tag(0xFFFE, 0xE0DD)
                             .U32(0)
                             .bytes();
  response.insert(response.end(), trailing.begin(), trailing.end());
  QueryPeerScript script;
  script.responses = {{FindResponseCommand(3, 0xFF00, true, 0x8020, kWorklist), response},
                      {FindResponseCommand(3, 0x0000, false, 0x8020, kWorklist), {}}};
  ScriptedQueryPeer peer(script);
  std::vector<std::optional<uint16_t>> statuses;
  const std::vector<TWorklistItem> items = Query(peer, TWorklistItem{}, statuses);
  EXPECT_TRUE(peer.Finish().released);
  EXPECT_EQ(statuses, (std::vector<std::optional<uint16_t>>{0xFF00, 0}));
  ASSERT_EQ(items.size(), 1u);
  ExpectPatientFields(items[0]);
  ExpectStepFields(items[0], "MR", "20240115");
}

TEST_F(WorklistWire, DefinedLengthSequenceIsExpandedAndFillsTheSameFields) {
  QueryPeerScript script;
  script.responses = {
      {FindResponseCommand(3, 0xFF01, true, 0x8020, kWorklist), DefinedLengthResponse()},
      {FindResponseCommand(3, 0x0000, false, 0x8020, kWorklist), {}}};
  ScriptedQueryPeer peer(script);
  std::vector<std::optional<uint16_t>> statuses;
  const std::vector<TWorklistItem> items = Query(peer, TWorklistItem{}, statuses);
  peer.Finish();
  ASSERT_EQ(items.size(), 1u);
  ExpectPatientFields(items[0]);
  ExpectStepFields(items[0], "CT", "20240115");
}

TEST_F(WorklistWire, SeveralItemsLeaveTheLastOnesValuesAndAFailureGivesAnEmptyItem) {
  QueryPeerScript script;
  script.responses = {{FindResponseCommand(3, 0xFF00, true, 0x8020, kWorklist),
                       FlatResponse({{"CT", "20240115"}, {"MR", "20240116"}})},
                      {FindResponseCommand(3, 0xA700, false, 0x8020, kWorklist), {}}};
  ScriptedQueryPeer peer(script);
  std::vector<std::optional<uint16_t>> statuses;
  ServiceResult last;
  const std::vector<TWorklistItem> items = Query(peer, TWorklistItem{}, statuses, &last);
  EXPECT_TRUE(peer.Finish().released);
  EXPECT_EQ(statuses, (std::vector<std::optional<uint16_t>>{0xFF00, 0xA700}));
  EXPECT_EQ(last.failure, ServiceFailure::kStatus);
  ASSERT_EQ(items.size(), 2u);
  ExpectStepFields(items[0], "MR", "20240116");
  EXPECT_EQ(items[1].PatientName, "");
  EXPECT_EQ(items[1].Modality, "");
}

TEST_F(WorklistWire, UnexpectedCommandEndsWithoutAStatusOrAnItem) {
  QueryPeerScript script;
  script.responses = {{testing::EchoResponseCommand(3, 0), {}}};
  ScriptedQueryPeer peer(script);
  std::vector<std::optional<uint16_t>> statuses;
  ServiceResult last;
  EXPECT_TRUE(Query(peer, TWorklistItem{}, statuses, &last).empty());
  peer.Finish();
  EXPECT_EQ(statuses, (std::vector<std::optional<uint16_t>>{std::nullopt}));
  EXPECT_EQ(last.failure, ServiceFailure::kUnexpectedResponse);
}

TEST(WorklistParse, TopLevelStepAttributesBeforeTheSequenceAreIgnored) {
  TagList response;
  response.push_back(GenerateTextTag(0x0008, 0x0060, "CS", "CT"));  // before any sequence
  response.push_back(GenerateTextTag(0x0032, 0x1070, "LO", "IODINE"));
  TWorklistItem item;
  ParseWorklistResponse(item, response);
  EXPECT_EQ(item.Modality, "");
  EXPECT_EQ(item.RequestedContrastAgent, "IODINE") << "taken wherever it stands";
}

TEST(WorklistParse, MalformedDefinedLengthSequenceGivesNothingFromIt) {
  // The item claims 100 bytes; the sequence holds 8 more.
  const Bytes item =
      MessageBuilder().Tag(0xFFFE, 0xE000).U32(100).Implicit(0x0008, 0x0060, Text("CT")).bytes();
  TagList response;
  response.push_back(GenerateTextTag(0x0010, 0x0010, "PN", "DOE^J "));
  response.push_back(GenerateTag(0x0040, 0x0100, "SQ", item));
  response.push_back(GenerateTextTag(0x0008, 0x0060, "CS", "MR"));
  TWorklistItem parsed;
  ParseWorklistResponse(parsed, response);
  EXPECT_EQ(parsed.PatientName, "DOE^J ");
  EXPECT_EQ(parsed.Modality, "") << "nothing from the broken sequence, and no flat items follow";
}

TEST(WorklistParse, DefinedLengthSequenceIsReadInTheGivenExplicitEncoding) {
  const Bytes steps = MessageBuilder()
                          .ExplicitShort(0x0008, 0x0060, "CS", Text("CT"))
                          .ExplicitShort(0x0040, 0x0002, "DA", Text("20240115"))
                          .ExplicitShort(0x0040, 0x0001, "AE", Text("CTSCANNER1"))
                          .bytes();
  const Bytes item = MessageBuilder().Implicit(0xFFFE, 0xE000, steps).bytes();
  TagList response;
  response.push_back(GenerateTag(0x0040, 0x0100, "SQ", item));
  TWorklistItem parsed;
  ElementReaderState explicitVR;
  explicitVR.explicitVR = true;
  ParseWorklistResponse(parsed, response, explicitVR);
  EXPECT_EQ(parsed.Modality, "CT");
  EXPECT_EQ(parsed.SPSStartDate, "20240115");
  EXPECT_EQ(parsed.ScheduledStationAET, "CTSCANNER1");
}

}  // namespace
}  // namespace norvane
