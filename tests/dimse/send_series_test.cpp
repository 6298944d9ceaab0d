// SendSeries against a storage SCP the test plays: which files a series folder yields,
// one association for all of them, and a result that is success only when every file
// was stored.

#include "dimse/send_series.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "database/index_record.hpp"
#include "log/log.hpp"
#include "scripted_store_peer.hpp"
#include "store_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::CommandUS;
using testing::CommandValue;
using testing::ScriptedStorePeer;
using testing::StorePeerRecord;
using testing::StorePeerScript;

constexpr const char* kInstanceBase = "1.2.826.0.1.3680043.2.4821.7.1.2.3";

std::string UIDOf(const std::vector<uint8_t>& value) {
  std::string text(value.begin(), value.end());
  while (!text.empty() && text.back() == '\0')
    text.pop_back();
  return text;
}

struct Progress {
  size_t index;
  size_t count;
  std::string file;
  bool stored;
};

class SendSeriesWire : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }

  SeriesResult Send(ScriptedStorePeer& peer, const std::string& folder,
                    std::string_view preferred = {}) {
    return SendSeries(
        testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), folder, preferred, true,
        [this](size_t index, size_t count, const std::string& file, const StoreResult& r) {
          progress_.push_back({index, count, file, r.Ok()});
        });
  }

  std::string Database() const { return dir_ / "Database"; }

  testing::TempDir dir_;
  std::vector<Progress> progress_;
};

TEST_F(SendSeriesWire, DatabaseSeriesGoesOutInIndexOrderOverOneAssociation) {
  const std::string folder = testing::StoreSeries(Database(), 3);
  ASSERT_FALSE(folder.empty());
  ScriptedStorePeer peer({});
  const SeriesResult series = Send(peer, folder);
  const StorePeerRecord& seen = peer.Finish();

  EXPECT_TRUE(series.Ok()) << series.reason;
  EXPECT_TRUE(series.associated);
  EXPECT_EQ(series.sopClass, testing::kCTImageStorage);
  ASSERT_EQ(series.files.size(), 3u);
  ASSERT_EQ(seen.stores.size(), 3u);
  EXPECT_TRUE(seen.released);
  for (size_t i = 0; i < 3; ++i) {
    const std::string uid = testing::ImageUID(kInstanceBase, i);
    EXPECT_EQ(series.files[i], folder + uid + ".dcm");
    const auto command = seen.stores[i].Command();
    EXPECT_EQ(UIDOf(CommandValue(command, 0x1000).value_or(std::vector<uint8_t>{})), uid);
    // The association's own numbers, after its context IDs 1 and 3.
    EXPECT_EQ(CommandUS(command, 0x0110), 5 + 2 * i) << "message IDs go on over the series";
    ASSERT_LT(i, progress_.size());
    EXPECT_EQ(progress_[i].index, i);
    EXPECT_EQ(progress_[i].count, 3u);
    EXPECT_EQ(progress_[i].file, series.files[i]);
    EXPECT_TRUE(progress_[i].stored);
  }
  EXPECT_EQ(progress_.size(), 3u);
}

TEST_F(SendSeriesWire, FolderWithoutTrailingSeparatorIsTheSameFolder) {
  std::string folder = testing::StoreSeries(Database(), 2);
  folder.pop_back();
  ScriptedStorePeer peer({});
  const SeriesResult series = Send(peer, folder);
  EXPECT_EQ(peer.Finish().stores.size(), 2u);
  EXPECT_TRUE(series.Ok());
  EXPECT_EQ(series.files.front().rfind(folder + "/", 0), 0u) << series.files.front();
}

TEST_F(SendSeriesWire, MissingFileNamedInTheIndexFailsThatFileAndTheSeries) {
  const std::string folder = testing::StoreSeries(Database(), 3);
  std::filesystem::remove(folder + testing::ImageUID(kInstanceBase, 1) + ".dcm");
  ScriptedStorePeer peer({});
  const SeriesResult series = Send(peer, folder);
  EXPECT_EQ(peer.Finish().stores.size(), 2u) << "the others still go out";
  ASSERT_EQ(series.results.size(), 3u);
  EXPECT_TRUE(series.results[0].Ok());
  EXPECT_EQ(series.results[1].failure, ServiceFailure::kLocal);
  EXPECT_EQ(series.results[1].readStatus, Part10ReadStatus::kCannotOpen);
  EXPECT_TRUE(series.results[2].Ok());
  EXPECT_FALSE(series.Ok()) << "the last file was stored, but not every file";
  EXPECT_EQ(series.failure, ServiceFailure::kLocal) << "the first file not stored";
  EXPECT_EQ(series.reason, "1 of 3 files not stored");
}

TEST_F(SendSeriesWire, AnyFailureStatusFailsTheSeriesWhereverItIs) {
  const std::vector<std::vector<uint16_t>> scripts = {
      {0x0000, 0x0000, 0xA700}, {0xA700, 0xA700, 0x0000}, {0x0000, 0xB000, 0x0000}};
  for (const std::vector<uint16_t>& statuses : scripts) {
    testing::TempDir dir;
    const std::string folder = testing::StoreSeries(dir / "Database", 3);
    StorePeerScript script;
    script.statuses = statuses;
    ScriptedStorePeer peer(script);
    const SeriesResult series =
        SendSeries(testing::LoopbackPeer(peer.Port(), "PEER"), folder, "", true);
    EXPECT_EQ(peer.Finish().stores.size(), 3u);
    EXPECT_FALSE(series.Ok()) << ::testing::PrintToString(statuses);
    EXPECT_EQ(series.failure, ServiceFailure::kStatus);
    EXPECT_EQ(series.status,
              *std::find_if(statuses.begin(), statuses.end(), [](uint16_t s) { return s != 0; }))
        << "the status of the first file not stored";
    ASSERT_EQ(series.results.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(series.results[i].Ok(), statuses[i] == 0) << i;
      EXPECT_EQ(series.results[i].status, statuses[i]) << i;
    }
  }
}

TEST_F(SendSeriesWire, IndexLineWithFewerThanThreeFieldsNamesTheFolderDotDcm) {
  const std::string folder = testing::StoreSeries(Database(), 1);
  std::ofstream(folder + std::string(kImageIndexFile), std::ios::app) << "only,two\r\n";
  ScriptedStorePeer peer({});
  const SeriesResult series = Send(peer, folder);
  EXPECT_EQ(peer.Finish().stores.size(), 1u);
  ASSERT_EQ(series.files.size(), 2u);
  EXPECT_EQ(series.files[1], folder + ".dcm");
  EXPECT_EQ(series.results[1].failure, ServiceFailure::kLocal);
  EXPECT_FALSE(series.Ok());
}

TEST_F(SendSeriesWire, FolderWithoutIndexSendsItsDicomFilesOnly) {
  const std::string folder = dir_ / "plain/";
  std::filesystem::create_directories(folder + "sub");
  for (const char* name : {"b.dcm", "a.dcm", "sub/c.dcm"}) {
    ASSERT_TRUE(testing::WriteObject(
        folder + name, testing::SmallImage(testing::kCTImageStorage,
                                           std::string("1.2.9.") + name[0], "1.2.9", "1.2.9.1")));
  }
  std::ofstream(folder + "readme.txt") << "not DICOM";
  ScriptedStorePeer peer({});
  const SeriesResult series = Send(peer, folder);
  EXPECT_EQ(peer.Finish().stores.size(), 2u);
  EXPECT_EQ(series.files, (std::vector<std::string>{folder + "a.dcm", folder + "b.dcm"}));
  EXPECT_TRUE(series.Ok());
}

TEST_F(SendSeriesWire, LaterFileOfAnotherSOPClassGoesOutUnderTheSeriesClass) {
  const std::string folder = dir_ / "mixed/";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(testing::WriteObject(
      folder + "1.dcm",
      testing::SmallImage(testing::kCTImageStorage, "1.2.9.1", "1.2.9", "1.2.9.1")));
  ASSERT_TRUE(testing::WriteObject(
      folder + "2.dcm",
      testing::SmallImage(testing::kMRImageStorage, "1.2.9.2", "1.2.9", "1.2.9.1")));
  ScriptedStorePeer peer({});
  const SeriesResult series = Send(peer, folder);
  const StorePeerRecord& seen = peer.Finish();
  ASSERT_EQ(seen.stores.size(), 2u);
  EXPECT_EQ(UIDOf(CommandValue(seen.stores[1].Command(), 0x0002).value()),
            testing::kCTImageStorage);
  for (const testing::ProposedContext& context : seen.Proposed()) {
    EXPECT_EQ(context.abstractSyntax, testing::kCTImageStorage) << "only the first file's class";
  }
  EXPECT_TRUE(series.Ok()) << "this peer takes it; storescp would answer with an error";
}

TEST_F(SendSeriesWire, EachFileGoesOutOnTheAcceptedContextOfItsOwnSyntax) {
  const std::string folder = dir_ / "syntaxes/";
  std::filesystem::create_directories(folder);
  const auto image = [](const char* instance) {
    return testing::SmallImage(testing::kCTImageStorage, instance, "1.2.9", "1.2.9.1");
  };
  ASSERT_TRUE(testing::WriteObject(folder + "1.dcm", image("1.2.9.1.1"), testing::kExplicitTS));
  ASSERT_TRUE(testing::WriteObject(folder + "2.dcm", image("1.2.9.1.2"), testing::kImplicitTS));
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kImplicitTS), std::string(testing::kExplicitTS)};
  ScriptedStorePeer peer(script);
  const SeriesResult series = Send(peer, folder, testing::kLosslessTS);
  const StorePeerRecord& seen = peer.Finish();
  ASSERT_EQ(seen.Proposed().size(), 3u) << "lossless, explicit (the first file's), implicit";
  EXPECT_EQ(seen.accepted,
            (std::map<uint8_t, std::string>{{3, std::string(testing::kExplicitTS)},
                                            {5, std::string(testing::kImplicitTS)}}));
  ASSERT_EQ(seen.stores.size(), 2u);
  EXPECT_EQ(seen.stores[0].contextID, 3);
  EXPECT_EQ(seen.stores[1].contextID, 5);
  ASSERT_EQ(series.results.size(), 2u);
  EXPECT_FALSE(series.results[0].converted);
  EXPECT_FALSE(series.results[1].converted) << "the implicit file went out as it is";
  EXPECT_TRUE(series.Ok()) << series.reason;
}

TEST_F(SendSeriesWire, FirstFileUnreadableOrEmptyFolderConnectsToNobody) {
  const std::string broken = testing::StoreSeries(dir_ / "Broken", 2);
  std::filesystem::remove(broken + testing::ImageUID(kInstanceBase, 0) + ".dcm");
  std::filesystem::create_directories(dir_ / "empty");
  std::ofstream(dir_ / "empty/readme.txt") << "no DICOM here";

  {
    ScriptedStorePeer peer({});
    const SeriesResult series = Send(peer, broken);
    EXPECT_FALSE(peer.Stop().connected);
    EXPECT_FALSE(series.associated);
    EXPECT_EQ(series.failure, ServiceFailure::kLocal);
    EXPECT_EQ(series.reason,
              "the series' SOP class comes from the first file, which cannot be used");
    ASSERT_EQ(series.results.size(), 1u);
    EXPECT_EQ(series.results[0].readStatus, Part10ReadStatus::kCannotOpen);
    EXPECT_EQ(series.files.size(), 2u);
    EXPECT_FALSE(series.Ok());
  }
  {
    ScriptedStorePeer peer({});
    const SeriesResult series = Send(peer, dir_ / "empty");
    EXPECT_FALSE(peer.Stop().connected);
    EXPECT_EQ(series.failure, ServiceFailure::kLocal);
    EXPECT_EQ(series.reason.rfind("no files to send in ", 0), 0u) << series.reason;
    EXPECT_FALSE(series.associated);
  }
  EXPECT_TRUE(progress_.empty());
}

TEST_F(SendSeriesWire, UnreadableIndexSendsNothing) {
  const std::string folder = testing::StoreSeries(Database(), 1);
  std::filesystem::remove(folder + std::string(kImageIndexFile));
  std::filesystem::create_directory(folder + std::string(kImageIndexFile));
  ScriptedStorePeer peer({});
  const SeriesResult series = Send(peer, folder);
  EXPECT_FALSE(peer.Stop().connected);
  EXPECT_EQ(series.failure, ServiceFailure::kLocal);
  EXPECT_EQ(series.reason, folder + "Image.dir cannot be read");
}

TEST_F(SendSeriesWire, RejectedAssociationFailsTheSeries) {
  const std::string folder = testing::StoreSeries(Database(), 2);
  StorePeerScript script;
  script.reject = true;
  ScriptedStorePeer peer(script);
  const SeriesResult series = Send(peer, folder);
  EXPECT_TRUE(peer.Finish().stores.empty());
  EXPECT_EQ(series.failure, ServiceFailure::kRejected);
  EXPECT_FALSE(series.associated);
  EXPECT_TRUE(series.results.empty());
  EXPECT_FALSE(series.Ok());
}

TEST_F(SendSeriesWire, PeerClosingMidSeriesFailsTheRestWithoutHanging) {
  const std::string folder = testing::StoreSeries(Database(), 3);
  StorePeerScript script;
  script.answer = testing::PeerAnswer::kCloseAtRequest;
  ScriptedStorePeer peer(script);
  const SeriesResult series = Send(peer, folder);
  peer.Finish();
  ASSERT_EQ(series.results.size(), 3u);
  EXPECT_EQ(series.results[0].failure, ServiceFailure::kNoResponse);
  EXPECT_EQ(series.results[1].failure, ServiceFailure::kNotSent);
  EXPECT_EQ(series.results[2].failure, ServiceFailure::kNotSent);
  EXPECT_FALSE(series.Ok());
  EXPECT_EQ(series.failure, ServiceFailure::kNoResponse);
  EXPECT_EQ(series.reason, "3 of 3 files not stored");
}

}  // namespace
}  // namespace norvane
