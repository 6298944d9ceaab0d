#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "convert/convert_file.hpp"
#include "database/index_file.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/send_series.hpp"
#include "dimse/store_scu.hpp"
#include "elements/tag_list.hpp"
#include "scp/store_scp.hpp"
#include "support/dcmdump_reference.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

// DCMTK's storescu, echoscu, findscu and dcmqrscp/movescu against the storage SCP, which
// runs in this process on a loopback port.

namespace norvane {
namespace {

namespace fs = std::filesystem;
using testing::RunProgram;
using testing::RunResult;

constexpr const char* kJPEGLossless = "1.2.840.10008.1.2.4.70";

std::string SourcePath(const std::string& relative) {
  return std::string(NORVANE_SOURCE_DIR) + "/" + relative;
}

std::string MetaTransferSyntax(const std::string& path) {
  const DicomFileContent file = DICOMFile(path);
  const TagRecord* record = FindTag(file.meta, 0x0002, 0x0010);
  return record ? std::string(UIDText(*record)) : "(none)";
}

std::string DatasetText(const std::string& path, uint16_t group, uint16_t element) {
  return GetTagText(DICOMFile(path).dataset, group, element);
}

class StoreSCPInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("storescu", "dcmdump");
    StartSCP();
  }

  void StartSCP() {
    StoreSCPSettings settings;
    settings.port = "0";
    settings.loopbackOnly = true;
    settings.folder = Folder();
    settings.observer = [this](const StoreReport& report) {
      std::lock_guard lock(mutex_);
      reports_.push_back(report);
    };
    StoreSCPStart start = StartStoreSCP(std::move(settings));
    ASSERT_TRUE(start) << std::strerror(start.error);
    scp_ = std::move(start.server);
    port_ = std::to_string(scp_->Port());
  }

  std::string Folder() const { return dir_ / "Database"; }

  std::vector<StoreReport> Reports() {
    std::lock_guard lock(mutex_);
    return reports_;
  }

  // The stored files by SOP Instance UID.
  std::map<std::string, std::string> StoredFiles() const {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(Folder(), ec)) {
      if (entry.path().extension() == ".dcm") {
        files[entry.path().stem().string()] = entry.path().string();
      }
    }
    return files;
  }

  // Lines of every index file of one name under the folder.
  size_t IndexLines(const std::string& name) const {
    size_t count = 0;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(Folder(), ec)) {
      if (entry.path().filename() != name) continue;
      const auto lines = ReadIndexLines(entry.path().string());
      count += lines ? lines->size() : 0;
    }
    return count;
  }

  RunResult Storescu(std::vector<std::string> options, const std::vector<std::string>& files) {
    std::vector<std::string> argv = {"storescu", "-v", "-aet", "TESTSCU", "-aec", "NORVANE"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("127.0.0.1");
    argv.push_back(port_);
    argv.insert(argv.end(), files.begin(), files.end());
    return RunProgram(argv);
  }

  // The stored file read by dcmdump without complaint and by pydicom as the same object
  // as the file that was sent (elements and decoded pixels).
  void ExpectSameObject(const std::string& sent, const std::string& stored) {
    const testing::DcmdumpOutput dump = testing::RunDcmdump(stored);
    EXPECT_EQ(dump.exitCode, 0) << stored << "\n" << dump.raw.substr(0, 2000);
    EXPECT_TRUE(dump.problems.empty()) << stored << ": " << dump.problems.front();
    const RunResult compare =
        RunProgram({"/usr/bin/python3", SourcePath("tests/scp/stored_object.py"), sent, stored});
    EXPECT_EQ(compare.exitCode, 0) << compare.output;
    EXPECT_NE(compare.output.find("SAME"), std::string::npos)
        << "pydicom reads " << stored << " differently from " << sent << ":\n"
        << compare.output;
  }

  testing::TempDir dir_;
  std::unique_ptr<ServerThread> scp_;
  std::string port_;
  std::mutex mutex_;
  std::vector<StoreReport> reports_;
};

TEST_F(StoreSCPInterop, Storescu_CTIsStoredReadableInTheSyntaxItCameIn) {
  const std::string sent = testing::PydicomFile("CT_small.dcm");
  const RunResult run = Storescu({"-R"}, {sent});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Received Store Response (Success)"), std::string::npos) << run.output;
  const auto files = StoredFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string& stored = files.begin()->second;
  EXPECT_EQ(files.begin()->first, "1.3.6.1.4.1.5962.1.1.1.1.1.20040119072730.12322");
  ExpectSameObject(sent, stored);
  const std::vector<StoreReport> reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].callingApTitle, "TESTSCU");
  EXPECT_EQ(MetaTransferSyntax(stored), reports[0].outcome.transferSyntax)
      << "the meta header names the syntax of the accepted context";
  EXPECT_EQ(IndexLines("KPStudy.dir"), 1u);
  EXPECT_EQ(IndexLines("Series.dir"), 1u);
  EXPECT_EQ(IndexLines("Image.dir"), 1u);
}

TEST_F(StoreSCPInterop, StorescuFolderScan_EveryObjectStoredOnceAndIndexed) {
  const std::string series = dir_ / "series";
  const RunResult made = RunProgram({"/usr/bin/python3", SourcePath("tools/make_ct_series.py"),
                                     series, "--series", "2", "--images", "4"});
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const RunResult run = Storescu({"-R", "+sd"}, {series});
  ASSERT_EQ(run.exitCode, 0) << run.output;

  std::map<std::string, std::string> sentByInstance;
  for (const auto& entry : fs::directory_iterator(series)) {
    sentByInstance[DatasetText(entry.path().string(), 0x0008, 0x0018)] = entry.path().string();
  }
  const auto stored = StoredFiles();
  ASSERT_EQ(stored.size(), 8u);
  for (const auto& [instance, path] : stored) {
    ASSERT_EQ(sentByInstance.count(instance), 1u) << "stored an object nobody sent: " << instance;
    ExpectSameObject(sentByInstance[instance], path);
  }
  EXPECT_EQ(IndexLines("KPStudy.dir"), 1u);
  EXPECT_EQ(IndexLines("Series.dir"), 2u);
  EXPECT_EQ(IndexLines("Image.dir"), 8u);

  // The whole folder again: files replaced, no line added.
  ASSERT_EQ(Storescu({"-R", "+sd"}, {series}).exitCode, 0);
  EXPECT_EQ(StoredFiles().size(), 8u);
  EXPECT_EQ(IndexLines("KPStudy.dir"), 1u);
  EXPECT_EQ(IndexLines("Series.dir"), 2u);
  EXPECT_EQ(IndexLines("Image.dir"), 8u);
}

TEST_F(StoreSCPInterop, StorescuJpegLossless_StoredAsJpegLosslessWithItsFragments) {
  NORVANE_REQUIRE_PROGRAMS("dcmcjpeg");
  const std::string sent = dir_ / "ct_lossless.dcm";
  const RunResult made = RunProgram({"dcmcjpeg", testing::PydicomFile("CT_small.dcm"), sent});
  ASSERT_EQ(made.exitCode, 0) << made.output;
  ASSERT_EQ(MetaTransferSyntax(sent), kJPEGLossless);

  const RunResult run = Storescu({"-R", "-xs"}, {sent});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto files = StoredFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string& stored = files.begin()->second;
  EXPECT_EQ(MetaTransferSyntax(stored), kJPEGLossless);
  const testing::DcmdumpOutput dump = testing::RunDcmdump(stored);
  EXPECT_NE(dump.raw.find("PixelSequence"), std::string::npos) << dump.raw;
  ExpectSameObject(sent, stored);
  EXPECT_EQ(IndexLines("Image.dir"), 1u);
}

// RLE, JPEG-LS and JPEG 2000 files from storescu, and a deflated one from our SCU, are stored
// in the syntax they came in, the same objects to pydicom.
TEST_F(StoreSCPInterop, CompressedAndDeflatedObjects_StoredInTheSyntaxTheyCameIn) {
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const std::string rle = dir_ / "ct_rle.dcm";
  const std::string jpegLs = dir_ / "ct_jpeg_ls.dcm";
  const std::string j2k = dir_ / "ct_j2k.dcm";
  ASSERT_EQ(RunProgram({"dcmcrle", ct, rle}).exitCode, 0);
  ASSERT_EQ(RunProgram({"dcmcjpls", ct, jpegLs}).exitCode, 0);
  ASSERT_TRUE(ConvertFileTS(j2k, ct, "1.2.840.10008.1.2.4.90"));
  const struct {
    std::string sent;
    const char* option;  // storescu's; none: sent by StoreSCU
    const char* syntax;
  } cases[] = {
      {rle, "-xr", "1.2.840.10008.1.2.5"},
      {jpegLs, "-xt", "1.2.840.10008.1.2.4.80"},
      {j2k, "-xv", "1.2.840.10008.1.2.4.90"},
      {testing::PydicomFile("image_dfl.dcm"), nullptr, "1.2.840.10008.1.2.1.99"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.syntax);
    if (c.option != nullptr) {
      const RunResult run = Storescu({"-R", c.option}, {c.sent});
      ASSERT_EQ(run.exitCode, 0) << run.output;
    } else {
      const StoreResult result =
          StoreSCU(testing::LoopbackPeer(port_, "TESTSCU", "NORVANE"), c.sent, "", true);
      ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result);
      EXPECT_EQ(result.acceptedSyntax, c.syntax);
    }
    const auto files = StoredFiles();
    const auto stored = files.find(DatasetText(c.sent, 0x0008, 0x0018));
    ASSERT_NE(stored, files.end());
    EXPECT_EQ(MetaTransferSyntax(stored->second), c.syntax);
    ExpectSameObject(c.sent, stored->second);
  }
}

TEST_F(StoreSCPInterop, StorescuProposingAnUnacceptedSyntaxFirst_GetsItsResponse) {
  // -xx puts a JPEG Extended context first for the class; the object goes on the second one.
  const RunResult run = Storescu({"-R", "-xx"}, {testing::PydicomFile("MR_small.dcm")});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Received Store Response (Success)"), std::string::npos) << run.output;
  EXPECT_EQ(StoredFiles().size(), 1u);
}

TEST_F(StoreSCPInterop, Echoscu_IsAnswered) {
  const RunResult run = RunProgram({"echoscu", "-v", "-aec", "NORVANE", "127.0.0.1", port_});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Received Echo Response (Success)"), std::string::npos) << run.output;
}

TEST_F(StoreSCPInterop, StorescuToAnUnwritableIndex_OutOfResourcesAndNothingStored) {
  fs::create_directories(Folder() + "/KPStudy.dir");  // a folder where the index file belongs
  const RunResult run = Storescu({"-R"}, {testing::PydicomFile("CT_small.dcm")});
  EXPECT_NE(run.output.find("Received Store Response (Refused: OutOfResources)"), std::string::npos)
      << run.output;
  EXPECT_TRUE(StoredFiles().empty());
  EXPECT_EQ(IndexLines("Series.dir") + IndexLines("Image.dir"), 0u);
  std::error_code ec;
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(Folder(), ec),
                          fs::recursive_directory_iterator()),
            1)
      << "only the folder in the index file's place";
}

TEST_F(StoreSCPInterop, FindscuOnAnEmptyFolder_GetsTheFinalSuccessWithoutMatches) {
  const RunResult run =
      RunProgram({"findscu", "-v", "-S", "-aec", "NORVANE", "-k", "QueryRetrieveLevel=STUDY", "-k",
                  "PatientName", "127.0.0.1", port_});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Received Final Find Response (Success)"), std::string::npos)
      << run.output;
  EXPECT_EQ(testing::FindscuResponseCount(run.output), 0u) << run.output;
  EXPECT_EQ(run.output.find("Peer Requested Release"), std::string::npos) << run.output;
}

TEST_F(StoreSCPInterop, MovescuFromDcmqrscp_ArrivesIndexedAndEverySeriesSendsBack) {
  NORVANE_REQUIRE_PROGRAMS("dcmqrscp", "movescu");
  const std::string qr = dir_ / "qr";
  fs::create_directories(qr + "/db/QRSCP");
  const std::string qrPort = std::to_string(testing::FreePort());
  std::ofstream(qr + "/dcmqrscp.cfg")
      << "NetworkTCPPort  = " << qrPort << "\nMaxPDUSize      = 16384\nMaxAssociations = 16\n\n"
      << "HostTable BEGIN\nnorvane = (NORVANE, 127.0.0.1, " << port_ << ")\nHostTable END\n\n"
      << "VendorTable BEGIN\nVendorTable END\n\n"
      << "AETable BEGIN\nQRSCP " << qr << "/db/QRSCP RW (200, 1024mb) ANY\nAETable END\n";
  testing::PeerProcess dcmqrscp;
  ASSERT_TRUE(
      dcmqrscp.Start({"dcmqrscp", "-v", "-c", qr + "/dcmqrscp.cfg"}, qr + "/dcmqrscp.log", qr));
  ASSERT_TRUE(testing::WaitForEcho(static_cast<uint16_t>(std::stoi(qrPort)), "QRSCP"))
      << dcmqrscp.Log();
  const std::string tests = testing::PydicomFile("dicomdirtests");
  const RunResult load =
      RunProgram({"storescu", "-aet", "TESTSCU", "-aec", "QRSCP", "+sd", "+r", "127.0.0.1", qrPort,
                  tests + "/77654033", tests + "/98892001", tests + "/98892003"});
  ASSERT_EQ(load.exitCode, 0) << load.output;

  const std::string study = "1.3.6.1.4.1.5962.1.1.0.0.0.1196533885.18148.0.1";
  const RunResult move = RunProgram({"movescu", "-v", "-S", "-aet", "TESTSCU", "-aec", "QRSCP",
                                     "-aem", "NORVANE", "-k", "QueryRetrieveLevel=STUDY", "-k",
                                     "StudyInstanceUID=" + study, "127.0.0.1", qrPort});
  EXPECT_EQ(move.exitCode, 0) << move.output;
  EXPECT_NE(move.output.find("Received Final Move Response (Success)"), std::string::npos)
      << move.output << dcmqrscp.Log();

  const auto stored = StoredFiles();
  EXPECT_EQ(stored.size(), 11u);
  for (const auto& [instance, path] : stored) {
    EXPECT_EQ(DatasetText(path, 0x0020, 0x000D), study) << path;
    const testing::DcmdumpOutput dump = testing::RunDcmdump(path);
    EXPECT_EQ(dump.exitCode, 0) << path;
    EXPECT_TRUE(dump.problems.empty()) << path;
  }
  EXPECT_EQ(IndexLines("KPStudy.dir"), 1u);
  EXPECT_EQ(IndexLines("Image.dir"), 11u);
  for (const StoreReport& report : Reports()) {
    EXPECT_EQ(report.callingApTitle, "QRSCP");
    EXPECT_EQ(report.outcome.status, kStatusSuccess);
  }

  // Every series folder the move filled goes back out with SendSeries, image for image.
  const std::string back = dir_ / "back";
  fs::create_directories(back);
  const uint16_t backPort = testing::FreePort();
  testing::PeerProcess storescp;
  ASSERT_TRUE(storescp.Start({"storescp", "-aet", "BACK", "-od", back, std::to_string(backPort)},
                             dir_ / "storescp.log"));
  ASSERT_TRUE(testing::WaitForEcho(backPort, "BACK")) << storescp.Log();
  size_t sent = 0;
  for (const auto& entry : fs::recursive_directory_iterator(Folder())) {
    if (entry.path().filename() != "Image.dir") continue;
    const SeriesResult series =
        SendSeries(testing::LoopbackPeer(std::to_string(backPort), "BACK", "NORVANE"),
                   entry.path().parent_path().string() + "/", "", true);
    EXPECT_TRUE(series.Ok()) << entry.path();
    sent += series.files.size();
  }
  EXPECT_EQ(sent, 11u);
  size_t received = 0;
  for (const auto& entry : fs::directory_iterator(back))
    received += entry.is_regular_file();
  EXPECT_EQ(received, 11u) << storescp.Log();
}

}  // namespace
}  // namespace norvane
