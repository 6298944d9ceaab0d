// C-FIND as requester against a query SCP the test plays: the C-FIND-RQ command set and
// the identifiers of the three levels byte for byte, and how each kind of response ends up
// in the records and in the result.

#include "dimse/find_request.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dimse/find_scu.hpp"
#include "dimse/query_identifier.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

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
using testing::US;

constexpr std::string_view kFind = "1.2.840.10008.5.1.4.1.2.2.1";

// An empty element of the identifier.
MessageBuilder& Empty(MessageBuilder& b, uint16_t group, uint16_t element) {
  return b.Implicit(group, element, {});
}

ScriptedResponse Pending(const Bytes& identifier, uint16_t status = 0xFF00) {
  return {FindResponseCommand(3, status, true), identifier};
}

ScriptedResponse Final(uint16_t status = 0x0000) {
  return {FindResponseCommand(3, status, false), {}};
}

// What a peer returns for one study, in ascending tag order, padded as DCMTK pads.
Bytes StudyMatch(std::string_view name, std::string_view uid, std::string_view patientID) {
  return MessageBuilder()
      .Implicit(0x0008, 0x0020, Text("20010101"))
      .Implicit(0x0008, 0x0052, Text("STUDY "))
      .Implicit(0x0008, 0x0054, Text("QRSCP "))
      .Implicit(0x0010, 0x0010, Text(name))
      .Implicit(0x0010, 0x0020, Text(patientID))
      .Implicit(0x0020, 0x000D, testing::Uid(uid))
      .bytes();
}

class FindWire : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }

  template <class Record>
  bool Find(ScriptedQueryPeer& peer, const Record& query, std::vector<Record>& results) {
    return FindSCU(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), query, results).Ok();
  }
};

TEST_F(FindWire, StudyQueryWithPatientNameOnlySendsTheCommandAndFifteenKeys) {
  QueryPeerScript script;
  script.responses = {Final()};
  ScriptedQueryPeer peer(script);
  StudyInfo query;
  query.PatientName = "DOE^J*";
  std::vector<StudyInfo> results;
  EXPECT_TRUE(Find(peer, query, results));
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_TRUE(results.empty()) << "a final success without identifier adds no record";
  EXPECT_TRUE(seen.released);

  ASSERT_EQ(seen.Proposed().size(), 1u);
  EXPECT_EQ(seen.Proposed()[0].abstractSyntax, kFind);
  EXPECT_EQ(seen.Proposed()[0].transferSyntaxes, std::vector<std::string>{"1.2.840.10008.1.2"});

  const Bytes command = MessageBuilder()
                            .Implicit(0x0000, 0x0000, MessageBuilder().U32(28 + 48).bytes())
                            .Implicit(0x0000, 0x0002, testing::Uid(kFind))
                            .Implicit(0x0000, 0x0100, US(0x0020))
                            .Implicit(0x0000, 0x0110, US(3))
                            .Implicit(0x0000, 0x0700, US(0x0000))
                            .Implicit(0x0000, 0x0800, US(0x0102))
                            .bytes();
  EXPECT_EQ(seen.command, command) << Hex(seen.command);

  MessageBuilder id;
  Empty(id, 0x0008, 0x0020);
  Empty(id, 0x0008, 0x0030);
  Empty(id, 0x0008, 0x0050);
  id.Implicit(0x0008, 0x0052, Text("STUDY "));
  Empty(id, 0x0008, 0x0061);
  Empty(id, 0x0008, 0x0080);
  Empty(id, 0x0008, 0x0090);
  Empty(id, 0x0008, 0x1030);
  id.Implicit(0x0010, 0x0010, Text("DOE^J*"));
  Empty(id, 0x0010, 0x0020);
  Empty(id, 0x0010, 0x0030);
  Empty(id, 0x0010, 0x0040);
  Empty(id, 0x0010, 0x1010);
  Empty(id, 0x0020, 0x000D);
  Empty(id, 0x0020, 0x0010);
  EXPECT_EQ(seen.identifier, id.bytes()) << Hex(seen.identifier);

  // One PDU per message: the command with control header 0x03, the identifier with 0x02.
  ASSERT_EQ(seen.requestPdus.size(), 2u);
  EXPECT_EQ(seen.requestPdus[0].size(), 12 + command.size());
  EXPECT_EQ(seen.requestPdus[0][10], 1) << "context ID";
  EXPECT_EQ(seen.requestPdus[0][11], 0x03);
  EXPECT_EQ(seen.requestPdus[1][10], 1);
  EXPECT_EQ(seen.requestPdus[1][11], 0x02);
}

TEST_F(FindWire, OddValuesArePaddedNulForUidsAndSpaceForText) {
  StudyInfo query;
  query.StudyInstanceUID = "1.2.3";
  query.PatientID = "12345";
  TagList id;
  BuildStudyIdentifier(query, id);
  ASSERT_EQ(id.size(), 15u);
  const TagRecord* uid = FindTag(id, 0x0020, 0x000D);
  const TagRecord* patient = FindTag(id, 0x0010, 0x0020);
  ASSERT_TRUE(uid && patient);
  EXPECT_EQ(uid->length, 6u);
  EXPECT_EQ(uid->value, (Bytes{'1', '.', '2', '.', '3', 0}));
  EXPECT_TRUE(uid->VRIs("UI"));
  EXPECT_EQ(patient->length, 6u);
  EXPECT_EQ(patient->value, Text("12345 "));
  EXPECT_TRUE(patient->VRIs("LO"));
}

TEST_F(FindWire, SeriesAndImageIdentifiersKeepTheirOrderVRsAndLevel) {
  struct Key {
    uint16_t group, element;
    const char* vr;
  };
  const std::vector<Key> series = {
      {0x0008, 0x0021, "DA"}, {0x0008, 0x0031, "TM"}, {0x0008, 0x0052, "CS"},
      {0x0008, 0x0060, "CS"}, {0x0008, 0x103E, "LO"}, {0x0018, 0x0015, "CS"},
      {0x0018, 0x1030, "LO"}, {0x0018, 0x5100, "CS"}, {0x0020, 0x000D, "UI"},
      {0x0020, 0x000E, "UI"}, {0x0020, 0x0011, "IS"}};
  const std::vector<Key> image = {
      {0x0008, 0x0008, "CS"}, {0x0008, 0x0016, "UI"}, {0x0008, 0x0018, "UI"},
      {0x0008, 0x0022, "DA"}, {0x0008, 0x0023, "DA"}, {0x0008, 0x0032, "TM"},
      {0x0008, 0x0033, "TM"}, {0x0008, 0x0052, "CS"}, {0x0020, 0x000D, "UI"},
      {0x0020, 0x000E, "UI"}, {0x0020, 0x0011, "IS"}, {0x0020, 0x0012, "IS"},
      {0x0020, 0x0013, "IS"}, {0x0020, 0x0030, "DS"}, {0x0020, 0x0032, "DS"},
      {0x0020, 0x0037, "DS"}, {0x0020, 0x0052, "UI"}, {0x0020, 0x1041, "DS"},
      {0x0028, 0x0008, "IS"}};

  SeriesInfo s;
  s.StudyInstanceUID = "1.2.840.10";
  s.Modality = "CT";
  TagList seriesId;
  BuildSeriesIdentifier(s, seriesId);
  ASSERT_EQ(seriesId.size(), series.size());
  for (size_t i = 0; i < series.size(); ++i) {
    EXPECT_TRUE(seriesId[i].Is(series[i].group, series[i].element)) << "series key " << i;
    EXPECT_TRUE(seriesId[i].VRIs(series[i].vr)) << "series key " << i;
  }
  EXPECT_EQ(FindTag(seriesId, 0x0008, 0x0052)->value, Text("SERIES"));
  EXPECT_EQ(FindTag(seriesId, 0x0020, 0x000D)->value, Text("1.2.840.10")) << "even: no pad";
  EXPECT_EQ(FindTag(seriesId, 0x0008, 0x0060)->value, Text("CT"));
  EXPECT_EQ(FindTag(seriesId, 0x0020, 0x000E)->length, 0u);

  ImageInfo m;
  m.ImageNumber = "7";
  m.FrameOfReferenceUID = "1.2";
  TagList imageId;
  BuildImageIdentifier(m, imageId);
  ASSERT_EQ(imageId.size(), image.size());
  for (size_t i = 0; i < image.size(); ++i) {
    EXPECT_TRUE(imageId[i].Is(image[i].group, image[i].element)) << "image key " << i;
    EXPECT_TRUE(imageId[i].VRIs(image[i].vr)) << "image key " << i;
  }
  EXPECT_EQ(FindTag(imageId, 0x0008, 0x0052)->value, Text("IMAGE "));
  EXPECT_EQ(FindTag(imageId, 0x0020, 0x0013)->value, Text("7 "));
  EXPECT_EQ(FindTag(imageId, 0x0020, 0x0052)->value, (Bytes{'1', '.', '2', 0}));
  size_t empty = 0;
  for (const TagRecord& r : imageId)
    empty += r.length == 0 ? 1 : 0;
  EXPECT_EQ(empty, 16u);
}

TEST(FindParse, LaterValuesOverwriteEmptyAndUndefinedOnesAreSkippedOthersIgnored) {
  TagList response;
  response.push_back(GenerateTextTag(0x0010, 0x0010, "PN", "FIRST^NAME"));
  response.push_back(GenerateTextTag(0x0010, 0x0010, "PN", ""));  // length 0: skipped
  response.push_back(GenerateTextTag(0x0010, 0x0020, "LO", "ID1 "));
  response.push_back(GenerateTextTag(0x0010, 0x0020, "LO", "ID2 "));
  TagRecord undefined = GenerateTextTag(0x0008, 0x1030, "LO", "");
  undefined.length = kUndefinedLength;
  response.push_back(undefined);
  // What it holds as a sequence names another entity: never taken.
  response.push_back(ItemHeader());
  response.push_back(GenerateTextTag(0x0020, 0x000D, "UI", "9.9.9"));
  response.push_back(ItemDelimiter());
  response.push_back(SequenceDelimiter());
  response.push_back(GenerateTextTag(0x0020, 0x000E, "UI", "1.2.3"));  // a series key
  response.push_back(GenerateTextTag(0x0008, 0x0061, "CS", std::string("CT\\MR\0XX", 8)));
  StudyInfo study;
  ParseStudyResponse(study, response);
  EXPECT_EQ(study.PatientName, "FIRST^NAME");
  EXPECT_EQ(study.PatientID, "ID2 ");
  EXPECT_EQ(study.StudyDescription, "");
  EXPECT_EQ(study.Modalities, "CT\\MR") << "the value ends at its first NUL";

  SeriesInfo series;
  ParseSeriesResponse(series, response);
  EXPECT_EQ(series.SeriesInstanceUID, "1.2.3");
  ImageInfo image;
  ParseImageResponse(image, response);
  EXPECT_EQ(image.SeriesInstanceUID, "1.2.3");
  EXPECT_EQ(image.StudyInstanceUID, "");
}

TEST_F(FindWire, PendingResponsesBecomeRecordsInArrivalOrderWithTheirPadding) {
  QueryPeerScript script;
  script.responses = {
      Pending(StudyMatch("Doe^Archibald ", "1.2.3.4", "12345 ")),
      Pending(StudyMatch("Doe^Peter ", "1.2.3.45", "98890234"), 0xFF01),
      Final(),
  };
  ScriptedQueryPeer peer(script);
  std::vector<StudyInfo> results;
  EXPECT_TRUE(Find(peer, StudyInfo{}, results));
  EXPECT_TRUE(peer.Finish().released);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].PatientName, "Doe^Archibald ");
  EXPECT_EQ(results[0].PatientID, "12345 ") << "padding spaces stay";
  EXPECT_EQ(results[0].StudyInstanceUID, "1.2.3.4");
  EXPECT_EQ(results[0].StudyDate, "20010101");
  EXPECT_EQ(results[0].StudyDescription, "") << "not returned";
  EXPECT_EQ(results[1].PatientName, "Doe^Peter ");
  EXPECT_EQ(results[1].StudyInstanceUID, "1.2.3.45") << "the NUL pad ends the text";
}

TEST_F(FindWire, ResponseWithCommandAndIdentifierInOnePduIsReadWhole) {
  QueryPeerScript script;
  script.commandAndDataSetInOnePdu = true;
  script.responses = {Pending(StudyMatch("A^B ", "1.2", "1 ")),
                      Pending(StudyMatch("C^D ", "1.4", "2 ")), Final()};
  ScriptedQueryPeer peer(script);
  std::vector<StudyInfo> results;
  EXPECT_TRUE(Find(peer, StudyInfo{}, results));
  peer.Finish();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].PatientName, "A^B ");
  EXPECT_EQ(results[1].PatientName, "C^D ");
}

TEST_F(FindWire, FailureStatusAddsOneEmptyRecordStopsReadingAndFails) {
  QueryPeerScript script;
  script.responses = {Pending(StudyMatch("A^B ", "1.2", "1 ")), Final(0xA700)};
  ScriptedQueryPeer peer(script);
  std::vector<StudyInfo> results;
  const FindResult result =
      FindSCU(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), StudyInfo{}, results);
  EXPECT_EQ(result.failure, ServiceFailure::kStatus);
  EXPECT_EQ(result.status, 0xA700);
  EXPECT_EQ(result.reason, "C-FIND-RSP status 0xA700 (Refused: Out of Resources)");
  EXPECT_TRUE(result.associated && result.sent);
  EXPECT_TRUE(peer.Finish().released) << "no further response is awaited after a failure";
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].PatientName, "A^B ");
  EXPECT_EQ(results[1].PatientName, "");
  EXPECT_EQ(results[1].StudyInstanceUID, "");
}

TEST_F(FindWire, ResponsesOfOtherCommandsAndLostConnectionsEndWithoutAStatus) {
  struct Case {
    const char* what;
    QueryPeerScript script;
    ServiceFailure failure;
  };
  QueryPeerScript moveAnswer;
  moveAnswer.responses = {{FindResponseCommand(3, 0x0000, false, 0x8021), {}}};
  QueryPeerScript echoAnswer;
  echoAnswer.responses = {{testing::EchoResponseCommand(3, 0x0000), {}}};
  QueryPeerScript closed;
  closed.responses = {Pending(StudyMatch("A^B ", "1.2", "1 "))};
  closed.closeAfterResponses = true;
  QueryPeerScript identifierMissing;
  identifierMissing.responses = {{FindResponseCommand(3, 0xFF00, true), {}}};
  identifierMissing.closeAfterResponses = true;
  for (Case c :
       {Case{"C-MOVE-RSP", moveAnswer, ServiceFailure::kUnexpectedResponse},
        Case{"C-ECHO-RSP", echoAnswer, ServiceFailure::kUnexpectedResponse},
        Case{"closed after one match", closed, ServiceFailure::kNoResponse},
        Case{"pending without its identifier", identifierMissing, ServiceFailure::kNoResponse}}) {
    ScriptedQueryPeer peer(c.script);
    RequesterAssociation pdu;
    ASSERT_TRUE(OpenAssoc(pdu, testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), kFind))
        << c.what;
    ASSERT_TRUE(WriteFindRQ(pdu, StudyInfo{}, kFind)) << c.what;
    std::vector<StudyInfo> results;
    ServiceResult response = ReadFindRSP(pdu, results);
    if (IsPending(response)) response = ReadFindRSP(pdu, results);
    EXPECT_EQ(response.failure, c.failure) << c.what;
    EXPECT_EQ(response.status, std::nullopt) << c.what;
    const size_t matches = std::string_view(c.what) == "closed after one match" ? 1 : 0;
    EXPECT_EQ(results.size(), matches) << c.what << ": records so far stay, none for no response";
    CloseAssoc(pdu);
    peer.Finish();
  }
}

TEST_F(FindWire, ResponseWithoutStatusIsAProtocolFailure) {
  QueryPeerScript script;
  script.responses = {{FindResponseCommand(3, std::nullopt, false), {}}};
  ScriptedQueryPeer peer(script);
  std::vector<SeriesInfo> results;
  const FindResult result =
      FindSCU(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), SeriesInfo{}, results);
  EXPECT_EQ(result.failure, ServiceFailure::kProtocol);
  EXPECT_EQ(result.reason, "a C-FIND-RSP without its Status (the association was aborted)");
  peer.Finish();
  EXPECT_TRUE(results.empty());
}

TEST_F(FindWire, ElementPastTheEndOfTheIdentifierAbortsAndGivesNoResponse) {
  QueryPeerScript script;
  // Patient's Name claims 200 bytes; 4 follow.
  Bytes broken = {0x10, 0x00, 0x10, 0x00, 200, 0, 0, 0};
  for (const char c : std::string_view("DOE^"))
    broken.push_back(static_cast<uint8_t>(c));
  script.responses = {Pending(broken)};
  script.closeAfterResponses = true;
  ScriptedQueryPeer peer(script);
  std::vector<StudyInfo> results;
  const FindResult result =
      FindSCU(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), StudyInfo{}, results);
  peer.Finish();
  EXPECT_EQ(result.failure, ServiceFailure::kProtocol);
  EXPECT_EQ(result.reason,
            "no identifier after the C-FIND-RSP: the peer sent a message that cannot be decoded "
            "(aborted)");
  EXPECT_TRUE(results.empty());
}

TEST_F(FindWire, RefusedAssociationSendsNothingAndSaysSo) {
  QueryPeerScript script;
  script.acceptedSyntax.clear();
  ScriptedQueryPeer peer(script);
  std::vector<ImageInfo> results;
  const FindResult result =
      FindSCU(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), ImageInfo{}, results);
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_EQ(result.failure, ServiceFailure::kRejected);
  EXPECT_FALSE(result.associated);
  EXPECT_FALSE(result.sent) << "the query record is still unused";
  EXPECT_EQ(result.status, std::nullopt);
  EXPECT_TRUE(seen.command.empty());
  EXPECT_TRUE(results.empty());
}

TEST_F(FindWire, EmptyIdentifierSendsTheCommandAlone) {
  QueryPeerScript script;
  script.expectIdentifier = false;
  script.responses = {Final(0xA900)};
  ScriptedQueryPeer peer(script);
  RequesterAssociation pdu;
  ASSERT_TRUE(OpenAssoc(pdu, testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), kFind));
  EXPECT_TRUE(SendFindCommand(pdu, TagList{}, kFind));
  TagList identifier;
  EXPECT_EQ(ReadFindResponse(pdu, identifier).status, 0xA900);
  EXPECT_TRUE(identifier.empty());
  CloseAssoc(pdu);
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_EQ(seen.requestPdus.size(), 1u);
  EXPECT_EQ(testing::CommandUS(seen.Command(), 0x0800), 0x0102);
  EXPECT_TRUE(seen.identifier.empty());
}

}  // namespace
}  // namespace norvane
