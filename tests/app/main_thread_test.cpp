// The service runner: log files per day and operation, the lines each operation writes
// to the output, and what it sends, against peers the test plays.

#include "app/main_thread.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "app/application_folders.hpp"
#include "app/query_test_records.hpp"
#include "app/tsselect/store_syntax.hpp"
#include "dimse/scripted_query_peer.hpp"
#include "dimse/scripted_store_peer.hpp"
#include "net/message_fixture.hpp"
#include "platform/date_time_format.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"
#include "support/runner_fakes.hpp"

namespace norvane {
namespace {

using testing::Concat;
using testing::Lines;

constexpr const char* kInitialSettingsFailure = " failed to connect to: remote (127.0.0.1:104)";

std::tm Day(int day, int month, int year) {
  std::tm tm{};
  tm.tm_mday = day;
  tm.tm_mon = month - 1;
  tm.tm_year = year - 1900;
  return tm;
}

// The log's texts without the upper layer's error lines.
Lines LogTexts(const std::string& path) {
  Lines texts;
  for (const std::string& text : testing::LogTexts(path)) {
    if (!text.starts_with("ERROR")) texts.push_back(text);
  }
  return texts;
}

class Runner : public ::testing::Test {
 protected:
  struct Job {
    Operation operation;
    Settings settings{};
    std::optional<std::string> file{};
    std::string_view transferSyntax{};
    QueryFilter filter{};
    std::tm day = Day(6, 12, 2026);
  };

  bool Run(const Job& job) {
    chooser_ = std::make_shared<testing::FixedChooser>(job.file);
    MainThread worker(job.operation, {job.settings, folders_.logs, job.filter, sink_, chooser_,
                                      [day = job.day] { return day; }});
    worker.SetTransferSyntaxUID(job.transferSyntax);
    return worker.Run();
  }

  static Settings PeerSettings(const std::string& port) {
    Settings settings;
    settings.setPort(port);
    return settings;
  }

  testing::TempDir dir_;
  ApplicationFolders folders_ = FixApplicationFolders(dir_.path().string());
  std::shared_ptr<testing::CollectingSink> sink_ = std::make_shared<testing::CollectingSink>();
  std::shared_ptr<testing::FixedChooser> chooser_;
};

TEST_F(Runner, LogsToOneFilePerDayAndOperationAndAppends) {
  ASSERT_TRUE(folders_.logsReady);
  EXPECT_EQ(folders_.logs, dir_.path().string() + "/logs/");
  Run({Operation::kEcho});
  Run({Operation::kEcho});
  Run({Operation::kFind});
  Run({.operation = Operation::kEcho, .day = Day(7, 12, 2026)});
  EXPECT_EQ(ShortDateFormat(), "ddmmyyyy");
  EXPECT_EQ(testing::FileNames(folders_.logs),
            (Lines{"06122026_ECHO.log", "06122026_FIND.log", "07122026_ECHO.log"}));
  const std::string echoFailure = std::string("ECHO") + kInitialSettingsFailure;
  EXPECT_EQ(LogTexts(folders_.logs + "06122026_ECHO.log"),
            (Lines{"Starting ECHO Service", echoFailure, "Starting ECHO Service", echoFailure}));
  EXPECT_EQ(LogTexts(folders_.logs + "06122026_FIND.log"),
            (Lines{"Starting FIND Service", std::string("FIND") + kInitialSettingsFailure}));
  EXPECT_EQ(LogTexts(folders_.logs + "07122026_ECHO.log"),
            (Lines{"Starting ECHO Service", echoFailure}));
}

TEST_F(Runner, UnreachablePeerOfTheInitialSettingsGivesTheFailureLine) {
  const struct {
    Operation operation;
    Lines before;
  } cases[] = {{Operation::kEcho, {}},
               {Operation::kFind, {"Association Failed!"}},
               {Operation::kWorklist, {"Association Failed!"}}};
  for (const auto& c : cases) {
    const std::string name(OperationName(c.operation));
    SCOPED_TRACE(name);
    EXPECT_FALSE(Run({c.operation}));
    EXPECT_EQ(sink_->lines(), Concat({c.before, {name + kInitialSettingsFailure}}));
  }
  EXPECT_EQ(sink_->clears(), 3);
}

TEST_F(Runner, CancelledFileChoiceConnectsNothingAndGivesTheFailureLine) {
  for (const Operation operation : {Operation::kStore, Operation::kPrint}) {
    const std::string name(OperationName(operation));
    SCOPED_TRACE(name);
    testing::ScriptedStorePeer peer({});
    EXPECT_FALSE(Run({operation, PeerSettings(peer.Port())}));
    EXPECT_EQ(chooser_->asked(), 1);
    EXPECT_FALSE(peer.Stop().connected);
    EXPECT_EQ(sink_->lines(),
              Lines{name + " failed to connect to: remote (127.0.0.1:" + peer.Port() + ")"});
  }
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
    EXPECT_TRUE(Run({.operation = c.operation,
                     .settings = PeerSettings(peer.Port()),
                     .filter = {"DOE*", "20240101-20241231"}}));
    const testing::QueryPeerRecord& seen = peer.Finish();
    EXPECT_EQ(
        sink_->lines(),
        Concat({{"No studies: 2", ""}, c.recordLines, {""}, c.recordLines, {"", name + " OK"}}));
    EXPECT_EQ(testing::KeyValue(seen.identifier, 0x0010, 0x0010), "DOE*");
    EXPECT_EQ(testing::KeyValue(seen.identifier, c.dateGroup, c.dateElement), "20240101-20241231 ");
  }
}

TEST_F(Runner, StoreAsksForTheChosenTransferSyntaxAndNothingForTheFirstEntry) {
  const std::string file = testing::PydicomFile("CT_small.dcm");  // explicit VR little endian
  const struct {
    int choice;
    Lines proposed;
  } cases[] = {
      {0, {"1.2.840.10008.1.2.1", "1.2.840.10008.1.2"}},
      {2, {"1.2.840.10008.1.2.2", "1.2.840.10008.1.2.1", "1.2.840.10008.1.2"}},
      {3, {"1.2.840.10008.1.2.4.70", "1.2.840.10008.1.2.1", "1.2.840.10008.1.2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    testing::ScriptedStorePeer peer({});
    EXPECT_TRUE(Run({.operation = Operation::kStore,
                     .settings = PeerSettings(peer.Port()),
                     .file = file,
                     .transferSyntax = StoreSyntaxUID(c.choice)}));
    const testing::StorePeerRecord& seen = peer.Finish();
    ASSERT_EQ(seen.Proposed().size(), 1u);
    EXPECT_EQ(seen.Proposed()[0].transferSyntaxes, c.proposed);
    EXPECT_EQ(seen.stores.size(), 1u);
    EXPECT_EQ(sink_->lines(), Lines{"STORE OK"});
  }
}

}  // namespace
}  // namespace norvane
