// The FIND and WORKLIST operations of the test application against peers the test plays:
// the query built from the filters, and every line written for each kind of ending.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/find_operation.hpp"
#include "app/query_test_records.hpp"
#include "app/worklist_operation.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "elements/tag_list.hpp"
#include "log/log.hpp"

namespace norvane {
namespace {

using testing::ArchibaldStudy;
using testing::Bytes;
using testing::Concat;
using testing::Final;
using testing::kArchibaldLines;
using testing::KeyValue;
using testing::kWorklistItemOneLines;
using testing::Lines;
using testing::Match;
using testing::MessageBuilder;
using testing::QueryPeerRecord;
using testing::QueryPeerScript;
using testing::ScriptedQueryPeer;
using testing::Text;
using testing::WorklistItemOne;

class QueryOperation : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }

  template <class Record>
  QueryOperationResult Find(ScriptedQueryPeer& peer, const Record& query, Lines& lines) {
    std::string calling = "local";
    return RunFindOperation("127.0.0.1", peer.Port(), calling, "remote", query,
                            [&lines](const std::string& line) { lines.push_back(line); });
  }

  QueryOperationResult Worklist(ScriptedQueryPeer& peer, const TWorklistItem& query, Lines& lines) {
    std::string calling = "local";
    return RunWorklistOperation("127.0.0.1", peer.Port(), calling, "remote", query,
                                [&lines](const std::string& line) { lines.push_back(line); });
  }
};

TEST_F(QueryOperation, FindWritesTheCountAndThirteenLinesPerStudy) {
  QueryPeerScript script;
  script.responses = {Match(ArchibaldStudy()), Match(ArchibaldStudy(), 0xFF01), Final()};
  ScriptedQueryPeer peer(script);
  Lines lines;
  const QueryOperationResult result = Find(peer, StudyQueryFromFilters("DOE*", "19950101-"), lines);
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.records, 2u);
  EXPECT_EQ(lines, Concat({{"No studies: 2", ""}, kArchibaldLines, {""}, kArchibaldLines, {""}}));
  EXPECT_TRUE(seen.released);
  EXPECT_EQ(KeyValue(seen.identifier, 0x0010, 0x0010), "DOE*");
  EXPECT_EQ(KeyValue(seen.identifier, 0x0008, 0x0020), "19950101- ") << "space pad";
  EXPECT_EQ(KeyValue(seen.identifier, 0x0010, 0x0020), "") << "returned, not matched";
  EXPECT_EQ(KeyValue(seen.identifier, 0x0008, 0x0052), "STUDY ");
}

TEST_F(QueryOperation, FindWithAnImmediateFinalResponseWritesNoStudiesZero) {
  QueryPeerScript script;
  script.responses = {Final()};
  ScriptedQueryPeer peer(script);
  Lines lines;
  const QueryOperationResult result = Find(peer, StudyQueryFromFilters("", ""), lines);
  peer.Finish();
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(lines, (Lines{"No studies: 0", ""}));
}

TEST_F(QueryOperation, FindWithoutAssociationWritesAssociationFailed) {
  QueryPeerScript script;
  script.acceptedSyntax.clear();
  ScriptedQueryPeer peer(script);
  Lines lines;
  const QueryOperationResult result = Find(peer, StudyInfo{}, lines);
  peer.Finish();
  EXPECT_EQ(result.failure, ServiceFailure::kRejected);
  EXPECT_FALSE(result.associated);
  EXPECT_EQ(result.status, std::nullopt);
  EXPECT_EQ(lines, Lines{"Association Failed!"});
}

TEST_F(QueryOperation, FindStopsAtAFailureStatusAndReleasesAtOnce) {
  QueryPeerScript script;
  script.responses = {Match(ArchibaldStudy()), Final(0xA700)};
  ScriptedQueryPeer peer(script);
  Lines lines;
  const auto started = std::chrono::steady_clock::now();
  const QueryOperationResult result = Find(peer, StudyInfo{}, lines);
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3))
      << "no wait for a response after the final one";
  EXPECT_TRUE(seen.released);
  EXPECT_EQ(result.failure, ServiceFailure::kStatus);
  EXPECT_EQ(result.status, 0xA700);
  // The failure response's record is counted, empty.
  Lines empty;
  for (const std::string& line : kArchibaldLines)
    empty.push_back(line.substr(0, line.find(": ") + 2));
  EXPECT_EQ(lines, Concat({{"No studies: 2", ""}, kArchibaldLines, {""}, empty, {""}}));
}

TEST_F(QueryOperation, FindLosingTheConnectionKeepsTheStudiesSoFar) {
  QueryPeerScript script;
  script.responses = {Match(ArchibaldStudy())};
  script.closeAfterResponses = true;
  ScriptedQueryPeer peer(script);
  Lines lines;
  const QueryOperationResult result = Find(peer, StudyInfo{}, lines);
  peer.Finish();
  EXPECT_EQ(result.failure, ServiceFailure::kNoResponse);
  EXPECT_EQ(result.status, std::nullopt);
  EXPECT_EQ(lines, Concat({{"No studies: 1", ""}, kArchibaldLines, {""}}));
}

TEST_F(QueryOperation, SeriesAndImageRecordsAreWrittenFieldByField) {
  const Bytes series = MessageBuilder()
                           .Implicit(0x0008, 0x0060, Text("CT"))
                           .Implicit(0x0020, 0x000E, testing::Uid("1.2.3"))
                           .Implicit(0x0020, 0x0011, Text("1 "))
                           .bytes();
  QueryPeerScript script;
  script.responses = {Match(series), Final()};
  ScriptedQueryPeer peer(script);
  Lines lines;
  SeriesInfo query;
  query.StudyInstanceUID = "1.2";
  EXPECT_TRUE(Find(peer, query, lines).Ok());
  peer.Finish();
  EXPECT_EQ(lines, (Lines{"No series: 1", "", "SeriesDate: ", "SeriesTime: ", "SeriesDescription: ",
                          "BodyPartExamined: ", "SeriesInstanceUID: 1.2.3", "SeriesNumber: 1 ",
                          "Modality: CT",
                          "StudyInstanceUID: ", "ProtocolName: ", "PatientPosition: ", ""}));
  EXPECT_EQ(CountLabel(QueryLevel::kImage), "No images: ");
  EXPECT_EQ(RecordLines(ImageInfo{}).size(), 18u);
  EXPECT_EQ(RecordLines(ImageInfo{}).front(), "ImageDate: ");
}

TEST_F(QueryOperation, WorklistWritesTheCountAndNineLinesPerItem) {
  QueryPeerScript script;
  script.responses = {Match(WorklistItemOne()), Final()};
  ScriptedQueryPeer peer(script);
  Lines lines;
  const QueryOperationResult result =
      Worklist(peer, WorklistQueryFromFilters("TEST*", "20240115"), lines);
  const QueryPeerRecord& seen = peer.Finish();
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(lines, Concat({{"No studies: 1", ""}, kWorklistItemOneLines, {""}}));
  EXPECT_EQ(seen.Proposed().at(0).abstractSyntax, "1.2.840.10008.5.1.4.31");
  EXPECT_EQ(KeyValue(seen.identifier, 0x0010, 0x0010), "TEST* ");
  EXPECT_EQ(KeyValue(seen.identifier, 0x0040, 0x0002), "20240115");
}

TEST_F(QueryOperation, WorklistWithoutAssociationWritesAssociationFailed) {
  QueryPeerScript script;
  script.acceptedSyntax.clear();
  ScriptedQueryPeer peer(script);
  Lines lines;
  const QueryOperationResult result = Worklist(peer, TWorklistItem{}, lines);
  peer.Finish();
  EXPECT_EQ(result.failure, ServiceFailure::kRejected);
  EXPECT_FALSE(result.associated);
  EXPECT_EQ(lines, Lines{"Association Failed!"});
}

}  // namespace
}  // namespace norvane
