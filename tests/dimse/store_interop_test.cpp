// StoreSCU and SendSeries against DCMTK's storescp: accepting every transfer syntax (+xa)
// or only the uncompressed ones, writing what it received bit for bit (+B). Received
// objects are compared with the originals byte for byte where they went out unchanged,
// and as data (elements and decoded pixel values, pydicom) after DCMTK's dcmdjpeg where
// they were converted.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "datadec/dicom_file_reader.hpp"
#include "datadec/element_encoding.hpp"
#include "dimse/send_series.hpp"
#include "dimse/store_scu.hpp"
#include "log/log.hpp"
#include "store_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::RunProgram;
using testing::RunResult;

constexpr const char* kScpTitle = "STORESCP";
const std::string kTestFiles = NORVANE_PYDICOM_TEST_FILES;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The bytes after the meta group of a Part 10 file.
Bytes DatasetBytes(const std::string& path) {
  const Bytes file = testing::ReadFileBytes(path);
  if (file.size() < 144) return {};
  const size_t start = 144 + LoadU32(file.data() + 140, false);
  if (start > file.size()) return {};
  return Bytes(file.begin() + static_cast<ptrdiff_t>(start), file.end());
}

std::string SyntaxOf(const std::string& path) {
  TagList dataset;
  return LoadFileDataset(path, dataset).value_or("(unreadable)");
}

class StoreAgainstStorescp : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("storescp", "echoscu", "dcmdjpeg", "dcmcjpeg");
    SetLOG("", 0);
    std::filesystem::create_directories(Received());
  }

  // storescp on a free port writing into received/, its log (-d) in the work folder.
  void StartStorescp(const std::vector<std::string>& options, bool refusing = false) {
    const uint16_t port = testing::FreePort();
    port_ = std::to_string(port);
    std::vector<std::string> argv = {"storescp", "-d", "-aet", kScpTitle, "-od", Received()};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(port_);
    ASSERT_TRUE(peer_.Start(argv, dir_ / "storescp.log"));
    ASSERT_TRUE(refusing ? testing::WaitForListener(port) : testing::WaitForEcho(port, kScpTitle))
        << peer_.Log();
  }

  StoreResult Store(const std::string& file, std::string_view preferred = {}, bool convert = true) {
    return StoreSCU(testing::LoopbackPeer(port_, kScpTitle, "NORVANE"), file, preferred, convert);
  }

  std::string Received() const { return dir_ / "received"; }

  std::vector<std::string> ReceivedFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(Received())) {
      files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  // The one file storescp wrote since the last call; the folder is emptied again.
  std::string TakeReceived() {
    std::vector<std::string> files = ReceivedFiles();
    EXPECT_EQ(files.size(), 1u) << peer_.Log();
    if (files.size() != 1) return "";
    const std::string kept = dir_ / ("taken-" + std::to_string(taken_++) + ".dcm");
    std::filesystem::rename(files.front(), kept);
    return kept;
  }

  std::string Decompressed(const std::string& file) {
    const std::string out = file + ".dcmdjpeg.dcm";
    const RunResult r = RunProgram({"dcmdjpeg", file, out});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return out;
  }

  // A lossless (.70) file made by DCMTK from a pydicom sample.
  std::string DcmtkLossless(const std::string& sample) {
    const std::string out = dir_ / (sample + ".jpll.dcm");
    const RunResult r = RunProgram({"dcmcjpeg", kTestFiles + "/" + sample, out});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(SyntaxOf(out), testing::kLosslessTS);
    return out;
  }

  // Elements and decoded pixel values of the two files, as pydicom reads them.
  void ExpectSameObject(const std::string& original, const std::string& received,
                        const std::vector<std::string>& ignored = {}) {
    std::vector<std::string> argv = {
        "/usr/bin/python3", std::string(NORVANE_SOURCE_DIR) + "/tests/dimse/compare_objects.py",
        original, received};
    for (const std::string& tag : ignored) {
      argv.push_back("--ignore");
      argv.push_back(tag);
    }
    const RunResult r = RunProgram(argv);
    EXPECT_EQ(r.exitCode, 0) << original << " vs " << received << ":\n" << r.output;
  }

  // The transfer syntaxes proposed for storage in each A-ASSOCIATE-RQ of storescp's debug
  // log, over all its presentation contexts in order (the readiness echoes left out).
  std::vector<std::vector<std::string>> ProposedSyntaxes() const {
    std::vector<std::vector<std::string>> proposals;
    const std::string log = peer_.Log();
    bool verification = false;
    bool inList = false;
    size_t at = 0;
    while (at < log.size()) {
      size_t end = log.find('\n', at);
      if (end == std::string::npos) end = log.size();
      const std::string line = log.substr(at, end - at);
      at = end + 1;
      if (Contains(line, "BEGIN A-ASSOCIATE-RQ")) {
        proposals.emplace_back();
      } else if (Contains(line, "Abstract Syntax: =")) {
        verification = Contains(line, "=VerificationSOPClass");
      } else if (Contains(line, "Proposed Transfer Syntax(es):") && !verification) {
        inList = !proposals.empty();
      } else if (inList && Contains(line, "D:       =")) {
        proposals.back().push_back(line.substr(line.find('=') + 1));
      } else {
        inList = false;
      }
    }
    std::erase_if(proposals, [](const std::vector<std::string>& p) { return p.empty(); });
    return proposals;
  }

  testing::TempDir dir_;
  testing::PeerProcess peer_;
  std::string port_;
  int taken_ = 0;
};

struct Sample {
  std::string path;
  std::string_view syntax;
};

TEST_F(StoreAgainstStorescp, SamplesArriveBitForBitAtAPeerAcceptingTheirSyntax) {
  StartStorescp({"+xa", "+B"});
  const std::vector<Sample> samples = {
      {kTestFiles + "/CT_small.dcm", testing::kExplicitTS},
      {kTestFiles + "/MR_small.dcm", testing::kExplicitTS},
      {kTestFiles + "/MR_small_implicit.dcm", testing::kImplicitTS},
      {kTestFiles + "/MR_small_bigendian.dcm", testing::kBigEndianTS},
      {kTestFiles + "/SC_rgb_small_odd.dcm", testing::kExplicitTS},
      {kTestFiles + "/ExplVR_BigEnd.dcm", testing::kBigEndianTS},
      {kTestFiles + "/test-SR.dcm", testing::kExplicitTS},
      {kTestFiles + "/waveform_ecg.dcm", testing::kExplicitTS},
      {kTestFiles + "/SC_rgb_jpeg_gdcm.dcm", testing::kLosslessTS},
      {DcmtkLossless("CT_small.dcm"), testing::kLosslessTS},
  };
  for (const bool convert : {true, false}) {
    for (const Sample& sample : samples) {
      const StoreResult result = Store(sample.path, {}, convert);
      ASSERT_TRUE(result.Ok()) << sample.path << ": " << DescribeStoreResult(result) << "\n"
                               << peer_.Log();
      EXPECT_FALSE(result.converted) << sample.path;
      EXPECT_EQ(result.acceptedSyntax, sample.syntax) << sample.path;
      const std::string received = TakeReceived();
      EXPECT_EQ(SyntaxOf(received), sample.syntax) << sample.path;
      EXPECT_TRUE(DatasetBytes(received) == DatasetBytes(sample.path))
          << sample.path << " changed on the way (convert " << convert << ")";
    }
  }
}

TEST_F(StoreAgainstStorescp, PreferredLosslessIsSentWhenAcceptedAndDecodesToTheOriginal) {
  StartStorescp({"+xa", "+B"});
  for (const std::string name :
       {"CT_small.dcm", "MR_small_bigendian.dcm", "SC_rgb_small_odd.dcm", "ExplVR_BigEnd.dcm"}) {
    const std::string original = kTestFiles + "/" + name;
    const StoreResult result = Store(original, testing::kLosslessTS);
    ASSERT_TRUE(result.Ok()) << name << ": " << DescribeStoreResult(result);
    EXPECT_TRUE(result.converted) << name;
    const std::string received = TakeReceived();
    EXPECT_EQ(SyntaxOf(received), testing::kLosslessTS) << name;
    // Colour planes come out of the codec interleaved: Planar Configuration becomes 0.
    ExpectSameObject(original, Decompressed(received), {"0028,0006"});
  }
  const std::vector<std::vector<std::string>> proposed = ProposedSyntaxes();
  ASSERT_EQ(proposed.size(), 4u) << peer_.Log();
  EXPECT_EQ(proposed[0],
            (std::vector<std::string>{"JPEGLossless:Non-hierarchical-1stOrderPrediction",
                                      "LittleEndianExplicit", "LittleEndianImplicit"}));
  EXPECT_EQ(proposed[1],
            (std::vector<std::string>{"JPEGLossless:Non-hierarchical-1stOrderPrediction",
                                      "BigEndianExplicit", "LittleEndianImplicit"}));
}

// storescp +xs takes JPEG lossless first wherever it is offered: a 1-bit image asked to go
// lossless must not offer it, and goes out as it is.
TEST_F(StoreAgainstStorescp, OneBitImageAskedToGoLosslessArrivesAsItIs) {
  StartStorescp({"+xs", "+B"});
  const std::string original = kTestFiles + "/liver_1frame.dcm";
  const StoreResult result = Store(original, testing::kLosslessTS);
  ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result) << "\n" << peer_.Log();
  EXPECT_FALSE(result.converted);
  EXPECT_TRUE(DatasetBytes(TakeReceived()) == DatasetBytes(original));
  EXPECT_EQ(
      ProposedSyntaxes(),
      (std::vector<std::vector<std::string>>{{"LittleEndianExplicit", "LittleEndianImplicit"}}));
}

TEST_F(StoreAgainstStorescp, JpegExtendedFileIsOfferedInItsOwnSyntaxOnly) {
  StartStorescp({"+xa", "+B"});
  const std::string original = kTestFiles + "/JPEG-lossy.dcm";
  const StoreResult result = Store(original, testing::kExplicitTS);
  ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result) << "\n" << peer_.Log();
  EXPECT_FALSE(result.converted);
  const std::string received = TakeReceived();
  EXPECT_EQ(SyntaxOf(received), "1.2.840.10008.1.2.4.51");
  EXPECT_TRUE(DatasetBytes(received) == DatasetBytes(original));
  EXPECT_EQ(ProposedSyntaxes(),
            (std::vector<std::vector<std::string>>{{"JPEGExtended:Process2+4"}}));
}

TEST_F(StoreAgainstStorescp, NonImageObjectsNeverProposeThePreferredSyntax) {
  StartStorescp({"+xa", "+B"});
  for (const std::string name : {"test-SR.dcm", "waveform_ecg.dcm", "rtplan.dcm"}) {
    const std::string original = kTestFiles + "/" + name;
    for (const std::string_view preferred : {testing::kLosslessTS, testing::kBaselineTS}) {
      const StoreResult result = Store(original, preferred);
      ASSERT_TRUE(result.Ok()) << name << ": " << DescribeStoreResult(result);
      EXPECT_FALSE(result.converted) << name;
      const std::string received = TakeReceived();
      EXPECT_TRUE(DatasetBytes(received) == DatasetBytes(original)) << name;
    }
  }
  const std::vector<std::vector<std::string>> proposed = ProposedSyntaxes();
  ASSERT_EQ(proposed.size(), 6u) << peer_.Log();
  const std::vector<std::string> explicitThenImplicit = {"LittleEndianExplicit",
                                                         "LittleEndianImplicit"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(proposed[i], explicitThenImplicit) << "association " << i;
  }
  // rtplan.dcm is stored implicit VR: only that is proposed.
  EXPECT_EQ(proposed[4], std::vector<std::string>{"LittleEndianImplicit"});
  EXPECT_EQ(proposed[5], std::vector<std::string>{"LittleEndianImplicit"});
}

TEST_F(StoreAgainstStorescp, UncompressedOnlyPeerGetsLosslessFilesDecompressed) {
  StartStorescp({"+B"});
  for (const std::string& original : {DcmtkLossless("CT_small.dcm"), DcmtkLossless("MR_small.dcm"),
                                      kTestFiles + "/SC_rgb_jpeg_gdcm.dcm"}) {
    const StoreResult result = Store(original);
    ASSERT_TRUE(result.Ok()) << original << ": " << DescribeStoreResult(result);
    EXPECT_TRUE(result.converted);
    EXPECT_EQ(result.acceptedSyntax, testing::kImplicitTS);
    const std::string received = TakeReceived();
    EXPECT_EQ(SyntaxOf(received), testing::kImplicitTS);
    ExpectSameObject(Decompressed(original), received);
  }
}

TEST_F(StoreAgainstStorescp, UncompressedOnlyPeerAndConversionOffStoresNothing) {
  StartStorescp({});
  const StoreResult result = Store(DcmtkLossless("CT_small.dcm"), {}, false);
  EXPECT_EQ(result.failure, ServiceFailure::kNoPresentationContext) << DescribeStoreResult(result);
  EXPECT_FALSE(result.Ok());
  EXPECT_TRUE(ReceivedFiles().empty());
  EXPECT_FALSE(Contains(peer_.Log(), "Received Store Request")) << peer_.Log();
}

TEST_F(StoreAgainstStorescp, RefusedAssociationFailsFileAndSeries) {
  StartStorescp({"--refuse"}, true);
  const StoreResult result = Store(kTestFiles + "/CT_small.dcm");
  EXPECT_EQ(result.failure, ServiceFailure::kRejected) << DescribeStoreResult(result);
  const std::string folder = testing::StoreSeries(dir_ / "Database", 2);
  const SeriesResult series = SendSeries(testing::LoopbackPeer(port_, kScpTitle), folder, "", true);
  EXPECT_EQ(series.failure, ServiceFailure::kRejected);
  EXPECT_FALSE(series.associated);
  EXPECT_FALSE(series.Ok());
  EXPECT_TRUE(ReceivedFiles().empty());
}

TEST_F(StoreAgainstStorescp, DatabaseSeriesArrivesWhole) {
  StartStorescp({"+B"});
  const std::string folder =
      testing::StoreSeries(dir_ / "Database", 12, testing::kCTImageStorage, 64, 64);
  ASSERT_FALSE(folder.empty());
  const SeriesResult series =
      SendSeries(testing::LoopbackPeer(port_, kScpTitle, "NORVANE"), folder, "", true);
  EXPECT_TRUE(series.Ok());
  ASSERT_EQ(series.results.size(), 12u);
  const std::vector<std::string> received = ReceivedFiles();
  ASSERT_EQ(received.size(), 12u) << peer_.Log();
  for (const std::string& sent : series.files) {
    const std::string uid = std::filesystem::path(sent).stem().string();
    const std::string expected = Received() + "/CT." + uid;
    ASSERT_TRUE(std::filesystem::exists(expected)) << expected;
    EXPECT_TRUE(DatasetBytes(expected) == DatasetBytes(sent)) << sent;
  }
  EXPECT_EQ(ProposedSyntaxes().size(), 1u) << "one association for the series";
}

TEST_F(StoreAgainstStorescp, SeriesWithAMissingFileStoresTheRestAndFails) {
  StartStorescp({});
  const std::string folder = testing::StoreSeries(dir_ / "Database", 3);
  std::filesystem::remove(folder + testing::ImageUID("1.2.826.0.1.3680043.2.4821.7.1.2.3", 2) +
                          ".dcm");
  const SeriesResult series = SendSeries(testing::LoopbackPeer(port_, kScpTitle), folder, "", true);
  EXPECT_FALSE(series.Ok()) << "the last file is missing";
  ASSERT_EQ(series.results.size(), 3u);
  EXPECT_TRUE(series.results[0].Ok());
  EXPECT_TRUE(series.results[1].Ok());
  EXPECT_EQ(series.results[2].readStatus, Part10ReadStatus::kCannotOpen);
  EXPECT_EQ(ReceivedFiles().size(), 2u);
}

TEST_F(StoreAgainstStorescp, ImageOfAnotherClassInTheSeriesIsRefusedByStorescp) {
  StartStorescp({});
  const std::string folder = dir_ / "mixed/";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(testing::WriteObject(
      folder + "1.dcm",
      testing::SmallImage(testing::kCTImageStorage, "1.2.9.1", "1.2.9", "1.2.9.1")));
  ASSERT_TRUE(testing::WriteObject(
      folder + "2.dcm",
      testing::SmallImage(testing::kMRImageStorage, "1.2.9.2", "1.2.9", "1.2.9.1")));
  const SeriesResult series = SendSeries(testing::LoopbackPeer(port_, kScpTitle), folder, "", true);
  ASSERT_EQ(series.results.size(), 2u);
  EXPECT_TRUE(series.results[0].Ok());
  EXPECT_EQ(series.results[1].failure, ServiceFailure::kStatus)
      << DescribeStoreResult(series.results[1]);
  EXPECT_FALSE(series.Ok());
}

}  // namespace
}  // namespace norvane
