// StoreFiles against a strict storage SCP the test plays: how many associations a list of
// files takes, what they propose, the order of the requests, and PDU lengths against the
// maximum the peer announced.

#include "dimse/store_files.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "elements/tags.hpp"
#include "log/log.hpp"
#include "scripted_store_peer.hpp"
#include "store_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::ScriptedStorePeer;
using testing::StorePeerRecord;
using testing::StorePeerScript;

class StoreFilesWire : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }

  std::string Image(const std::string& name, std::string_view sopClass, uint16_t rows,
                    uint16_t columns) {
    const std::string path = dir_ / name;
    const TagList image = testing::SmallImage(sopClass, "1.2.826.0.1.3680043.2.4821.9." + name,
                                              "1.2.3", "1.2.3.4", rows, columns);
    EXPECT_TRUE(testing::WriteObject(path, image)) << path;
    return path;
  }

  std::vector<StoreResult> Store(ScriptedStorePeer& peer, const std::vector<std::string>& files,
                                 std::vector<size_t>* reported = nullptr) {
    return StoreFiles(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), files, {}, true,
                      [&](size_t i, const StoreResult&) {
                        if (reported) reported->push_back(i);
                      });
  }

  testing::TempDir dir_;
};

TEST_F(StoreFilesWire, FilesOfTwoClassesGoOverOneAssociationInOrderWithinThePeerMaximum) {
  StorePeerScript script;
  script.maximumLength = 4000;
  ScriptedStorePeer peer(script);
  const std::string notDicom = dir_ / "notes.txt";
  std::ofstream(notDicom) << "not a DICOM file";
  const std::vector<std::string> files = {Image("1", testing::kCTImageStorage, 64, 64), notDicom,
                                          Image("2", testing::kMRImageStorage, 8, 8),
                                          Image("3", testing::kCTImageStorage, 32, 32)};
  std::vector<size_t> reported;
  const std::vector<StoreResult> results = Store(peer, files, &reported);
  const StorePeerRecord& seen = peer.Finish();

  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(reported, (std::vector<size_t>{0, 1, 2, 3}));
  for (const size_t i : {0, 2, 3})
    EXPECT_TRUE(results[i].Ok()) << i << ": " << DescribeStoreResult(results[i]);
  EXPECT_EQ(results[1].failure, ServiceFailure::kLocal) << "the unreadable file fails alone";
  EXPECT_TRUE(seen.released) << "one association, released at the end";
  ASSERT_EQ(seen.stores.size(), 3u);
  const std::string_view order[] = {testing::kCTImageStorage, testing::kMRImageStorage,
                                    testing::kCTImageStorage};
  for (size_t i = 0; i < 3; ++i) {
    const testing::Bytes uid =
        testing::CommandValue(seen.stores[i].Command(), 0x0002).value_or(testing::Bytes());
    EXPECT_EQ(std::string(uid.begin(), uid.end()).substr(0, order[i].size()), order[i]) << i;
  }
  std::set<std::string> classes;
  for (const testing::ProposedContext& context : seen.Proposed())
    classes.insert(context.abstractSyntax);
  EXPECT_EQ(classes.size(), 2u) << "both SOP classes proposed in the one request";
  EXPECT_FALSE(seen.oversized);
  EXPECT_EQ(seen.longestPdu, 4000u) << "the 8 KiB image fills PDUs of the peer's maximum";
}

TEST_F(StoreFilesWire, PeerWithoutAMaximumGetsPdusOfTheLargestLengthSent) {
  StorePeerScript script;
  script.maximumLength = 0;
  ScriptedStorePeer peer(script);
  const std::vector<StoreResult> results =
      Store(peer, {Image("big", testing::kCTImageStorage, 512, 600)});
  const StorePeerRecord& seen = peer.Finish();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_TRUE(results[0].Ok()) << DescribeStoreResult(results[0]);
  ASSERT_EQ(seen.stores.size(), 1u);
  EXPECT_GT(seen.stores[0].dataset.size(), 512u * 600 * 2);
  EXPECT_EQ(seen.longestPdu, 256u * 1024);
}

// Pixel data of 64 KiB and more stays in its file until it goes out: read a PDU at a time in
// the file's own syntax, read whole for a conversion; the peer gets the same pixels either way.
TEST_F(StoreFilesWire, LargePixelDataArrivesWholeAsItIsAndConverted) {
  const std::string file = Image("large", testing::kCTImageStorage, 1024, 600);
  const DicomFileContent original = DICOMFile(file);
  for (const std::string_view syntax : {testing::kExplicitTS, testing::kImplicitTS}) {
    SCOPED_TRACE(syntax);
    StorePeerScript script;
    script.acceptedSyntaxes = {std::string(syntax)};
    ScriptedStorePeer peer(script);
    const std::vector<StoreResult> results = Store(peer, {file});
    const StorePeerRecord& seen = peer.Finish();
    ASSERT_TRUE(results.at(0).Ok()) << DescribeStoreResult(results[0]);
    EXPECT_EQ(results[0].converted, syntax != testing::kExplicitTS);
    EXPECT_FALSE(seen.oversized);
    ASSERT_EQ(seen.stores.size(), 1u);
    const DicomFileContent got = testing::ReadWireDataset(seen.stores[0].dataset, syntax);
    const TagRecord* pixels = FindTag(got.dataset, tag::kPixelData);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->value, FindTag(original.dataset, tag::kPixelData)->value);
  }
}

TEST_F(StoreFilesWire, RejectedAssociationFailsEveryFileOfItsRun) {
  StorePeerScript script;
  script.reject = true;
  ScriptedStorePeer peer(script);
  const std::vector<StoreResult> results = Store(
      peer,
      {Image("1", testing::kCTImageStorage, 8, 8), Image("2", testing::kCTImageStorage, 8, 8)});
  peer.Finish();
  ASSERT_EQ(results.size(), 2u);
  for (const StoreResult& result : results)
    EXPECT_EQ(result.failure, ServiceFailure::kRejected) << result.reason;
}

}  // namespace
}  // namespace norvane
