// The service runner: log files per day and operation, the lines each operation writes
// to the output, and what it sends, against peers the test plays.

#include "app/main_thread.hpp"

#include <gtest/gtest.h>

#include "app/application_folders.hpp"
#include "app/query_test_records.hpp"
#include "app/tsselect/store_syntax.hpp"
#include "net/message_fixture.hpp"
#include "platform/date_time_format.hpp"
#include "support/query_peers.hpp"
#include "support/runner_fakes.hpp"

namespace norvane {
namespace {

using testing::Concat;
using testing::Lines;

const std::string kInitialPeerFailure = " failed to connect to: remote (127.0.0.1:104)";
// Nothing listens on the initial settings' port in these tests.
const std::string kRefused = "connection refused by 127.0.0.1:104 (nothing listens there)";

std::tm Day(int day) {
  std::tm tm{};
  tm.tm_mday = day;
  tm.tm_mon = 11;
  tm.tm_year = 2026 - 1900;
  return tm;
}

class Runner : public ::testing::Test {
 protected:
  struct Job {
    Operation operation;
    std::string port = "104";  // the initial settings' peer, where nothing listens
    std::optional<std::string> file{};
    std::string_view transferSyntax{};
    QueryFilter filter{};
    int day = 6;
  };

  bool Run(const Job& job) {
    Settings settings;
    settings.setPort(job.port);
    chooser_ = std::make_shared<testing::FixedChooser>(job.file);
    MainThread worker(job.operation, {settings, folders_.logs, job.filter, sink_, chooser_,
                                      [day = Day(job.day)] { return day; }, TlsSettings{}});
    worker.SetTransferSyntaxUID(job.transferSyntax);
    return worker.Run();
  }

  // The texts of a log without the upper layer's error lines.
  Lines Log(const std::string& name) {
    Lines texts = testing::LogTexts(folders_.logs + name);
    std::erase_if(texts, [](const std::string& text) { return text.starts_with("ERROR"); });
    return texts;
  }

  testing::TempDir dir_;
  ApplicationFolders folders_ = FixApplicationFolders(dir_.path().string());
  std::shared_ptr<testing::CollectingSink> sink_ = std::make_shared<testing::CollectingSink>();
  std::shared_ptr<testing::FixedChooser> chooser_;
};

TEST_F(Runner, LogsToOneFilePerDayAndOperationAndAppends) {
  ASSERT_TRUE(folders_.logsReady);
  EXPECT_EQ(folders_.logs, dir_.path().string() + "/logs/");
  for (const Job& job : {Job{Operation::kEcho}, Job{Operation::kEcho}, Job{Operation::kFind},
                         Job{.operation = Operation::kEcho, .day = 7}}) {
    Run(job);
  }
  EXPECT_EQ(ShortDateFormat(), "ddmmyyyy");
  EXPECT_EQ(testing::FileNames(folders_.logs),
            (Lines{"06122026_ECHO.log", "06122026_FIND.log", "07122026_ECHO.log"}));
  const Lines echo = {"Starting ECHO Service", kRefused, "ECHO" + kInitialPeerFailure};
  EXPECT_EQ(Log("06122026_ECHO.log"), Concat({echo, echo}));
  EXPECT_EQ(Log("06122026_FIND.log"),
            (Lines{"Starting FIND Service", kRefused, "FIND" + kInitialPeerFailure}));
  EXPECT_EQ(Log("07122026_ECHO.log"), echo);
}

TEST_F(Runner, FailuresEndWithTheReasonAndTheFailureLine) {
  testing::ScriptedStorePeer listener({});  // must see no connection from a cancelled choice
  const struct {
    Operation operation;
    std::string port;
    Lines before;
  } cases[] = {{Operation::kEcho, "104", {kRefused}},
               {Operation::kFind, "104", {"Association Failed!", kRefused}},
               {Operation::kWorklist, "104", {"Association Failed!", kRefused}},
               {Operation::kStore, listener.Port(), {}},
               {Operation::kPrint, listener.Port(), {}}};
  for (const auto& c : cases) {
    const std::string name(OperationName(c.operation));
    SCOPED_TRACE(name);
    EXPECT_FALSE(Run({c.operation, c.port}));
    EXPECT_EQ(
        sink_->lines(),
        Concat({c.before, {name + " failed to connect to: remote (127.0.0.1:" + c.port + ")"}}));
  }
  EXPECT_EQ(sink_->clears(), 5);
  EXPECT_EQ(chooser_->asked, 1);
  EXPECT_FALSE(listener.Stop().connected);
}

TEST_F(Runner, QueriesWriteTheCountAndTheLinesOfEachRecord) {
  const struct {
    Operation operation;
    testing::Bytes identifier;
    Lines recordLines;
    uint16_t dateGroup, dateElement;
  } cases[] = {
      {Operation::kFind, testing::ArchibaldStudy(), testing::kArchibaldLines, 0x0008, 0x0020},
      {Operation::kWorklist, testing::WorklistItemOne(), testing::kWorklistItemOneLines, 0x0040,
       0x0002},
  };
  for (const auto& c : cases) {
    const std::string name(OperationName(c.operation));
    SCOPED_TRACE(name);
    testing::QueryPeerScript script;
    script.responses = {testing::Match(c.identifier), testing::Match(c.identifier),
                        testing::Final()};
    testing::ScriptedQueryPeer peer(script);
    EXPECT_TRUE(Run(
        {.operation = c.operation, .port = peer.Port(), .filter = {"DOE*", "20240101-20241231"}}));
    const testing::QueryPeerRecord& seen = peer.Finish();
    EXPECT_EQ(
        sink_->lines(),
        Concat({{"No studies: 2", ""}, c.recordLines, {""}, c.recordLines, {"", name + " OK"}}));
    EXPECT_EQ(testing::KeyValue(seen.identifier, 0x0010, 0x0010), "DOE*");
    EXPECT_EQ(testing::KeyValue(seen.identifier, c.dateGroup, c.dateElement), "20240101-20241231 ");
  }
}

TEST_F(Runner, StoreAsksForTheChosenTransferSyntaxAndNothingForTheFirstEntry) {
  const struct {
    int choice;
    Lines proposed;  // for an explicit VR little endian file
  } cases[] = {
      {0, {"1.2.840.10008.1.2.1", "1.2.840.10008.1.2"}},
      {3, {"1.2.840.10008.1.2.4.70", "1.2.840.10008.1.2.1", "1.2.840.10008.1.2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    testing::ScriptedStorePeer peer({});
    EXPECT_TRUE(Run({.operation = Operation::kStore,
                     .port = peer.Port(),
                     .file = testing::PydicomFile("CT_small.dcm"),
                     .transferSyntax = StoreSyntaxUID(c.choice)}));
    const testing::StorePeerRecord& seen = peer.Finish();
    ASSERT_EQ(seen.Proposed().size(), c.proposed.size()) << "one context per syntax";
    for (size_t i = 0; i < c.proposed.size(); ++i) {
      EXPECT_EQ(seen.Proposed()[i].transferSyntaxes, Lines{c.proposed[i]});
    }
    EXPECT_EQ(seen.stores.size(), 1u);
    EXPECT_EQ(sink_->lines(), Lines{"STORE OK"});
  }
}

}  // namespace
}  // namespace norvane
