// norvane store and norvane send-series against DCMTK's storescp.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "datadec/dicom_file_reader.hpp"
#include "dimse/store_test_objects.hpp"
#include "elements/tag_list.hpp"
#include "net/message_fixture.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;
using testing::NorvaneOnATerminal;

using testing::RunProgram;
using testing::RunResult;

class StoreCommandAgainstStorescp : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("storescp", "echoscu");
    std::filesystem::create_directories(Received());
  }
  void StartStorescp(const std::vector<std::string>& options = {}) {
    const uint16_t port = testing::FreePort();
    port_ = std::to_string(port);
    std::vector<std::string> argv = {"storescp", "-v", "-aet", "STORESCP", "-od", Received()};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(port_);
    ASSERT_TRUE(peer_.Start(argv, dir_ / "storescp.log"));
    ASSERT_TRUE(testing::WaitForListener(port)) << peer_.Log();
  }
  std::string Received() const { return dir_ / "received"; }
  size_t ReceivedCount() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Received()))
      ++n;
    return n;
  }

  testing::TempDir dir_;
  testing::PeerProcess peer_;
  std::string port_;
};

TEST_F(StoreCommandAgainstStorescp, FilesAndAFolderAreStoredOneLineEach) {
  StartStorescp();
  const std::string folder = dir_ / "folder";
  std::filesystem::create_directories(folder);
  for (const char* uid : {"1.2.9.2", "1.2.9.1"}) {
    ASSERT_TRUE(testing::WriteObject(
        folder + "/" + uid + ".dcm",
        testing::SmallImage(testing::kCTImageStorage, uid, "1.2.9", "1.2.9.0")));
  }
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const std::string mr = testing::PydicomFile("MR_small_bigendian.dcm");
  const testing::StreamsResult store = testing::NorvaneStreams(
      {"store", "127.0.0.1", port_, ct, mr, folder, "--aet", "NORVANE", "--aec", "STORESCP",
       "--log", dir_ / "store.log", "--log-level", "2"});
  EXPECT_EQ(store.exitCode, 0) << store.out << store.err << peer_.Log();
  EXPECT_EQ(store.out, ct + ": stored (0x0000)\n" + mr + ": stored (0x0000)\n" + folder +
                           "/1.2.9.1.dcm: stored (0x0000)\n" + folder +
                           "/1.2.9.2.dcm: stored (0x0000)\nSTORE OK\n");
  // Every byte of the four files: the summary counts what the files hold.
  uintmax_t bytes = 0;
  for (const std::string& file : {ct, mr, folder + "/1.2.9.1.dcm", folder + "/1.2.9.2.dcm"}) {
    bytes += std::filesystem::file_size(file);
  }
  char size[32];
  std::snprintf(size, sizeof size, "%.2f kB", static_cast<double>(bytes) / 1000.0);
  EXPECT_TRUE(store.err.starts_with(std::string("norvane store: 4 files, ") + size + " in "))
      << store.err << " (" << bytes << " bytes)";
  EXPECT_EQ(ReceivedCount(), 4u) << peer_.Log();
  const std::vector<std::string> log = testing::LogTexts(dir_ / "store.log");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "Starting STORE Service");
  EXPECT_EQ(log.back(), "STORE OK");
  EXPECT_NE(std::find(log.begin(), log.end(), "NORVANE >> STORESCP"), log.end())
      << "the association trace is on at log level 2";
}

TEST_F(StoreCommandAgainstStorescp, ACounterRunsOnATerminalOnly) {
  StartStorescp();
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const std::string mr = testing::PydicomFile("MR_small.dcm");
  const RunResult terminal =
      NorvaneOnATerminal({"store", "127.0.0.1", port_, ct, mr, "--aec", "STORESCP"});
  EXPECT_EQ(terminal.exitCode, 0) << terminal.output;
  EXPECT_TRUE(Contains(terminal.output, "1/2")) << terminal.output;
  EXPECT_TRUE(Contains(terminal.output, "\r\033[K")) << "the counter is cleared";
  EXPECT_TRUE(Contains(terminal.output, "STORE OK")) << terminal.output;
  const RunResult piped = Norvane({"store", "127.0.0.1", port_, ct, mr, "--aec", "STORESCP"});
  EXPECT_FALSE(Contains(piped.output, "1/2")) << piped.output;
}

TEST_F(StoreCommandAgainstStorescp, RefusedAssociationFailsEveryFile) {
  StartStorescp({"--refuse"});
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const RunResult store = Norvane({"store", "127.0.0.1", port_, ct, "--aec", "STORESCP"});
  EXPECT_EQ(store.exitCode, 1);
  EXPECT_TRUE(Contains(store.output, ct + ": failed, no association")) << store.output;
  EXPECT_TRUE(Contains(store.output, "norvane store: " + ct +
                                         ": association rejected (permanent) by the service "
                                         "user: no reason given\n"))
      << store.output;
  EXPECT_TRUE(Contains(store.output, "STORE failed: 1 of 1 file not stored")) << store.output;
}

TEST_F(StoreCommandAgainstStorescp, SendSeriesStoresADatabaseSeries) {
  StartStorescp();
  const std::string folder = testing::StoreSeries(dir_ / "Database", 4);
  const RunResult sent = Norvane({"send-series", "127.0.0.1", port_, folder, "--aec", "STORESCP"});
  EXPECT_EQ(sent.exitCode, 0) << sent.output << peer_.Log();
  EXPECT_TRUE(Contains(sent.output, "SEND SERIES OK\n")) << sent.output;
  EXPECT_EQ(ReceivedCount(), 4u);

  std::filesystem::remove(folder + "1.2.826.0.1.3680043.2.4821.7.1.2.3.3.dcm");
  const RunResult missing =
      Norvane({"send-series", "127.0.0.1", port_, folder, "--aec", "STORESCP"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(Contains(missing.output,
                       "1.2.826.0.1.3680043.2.4821.7.1.2.3.3.dcm: failed, the file cannot be "
                       "opened\n"))
      << missing.output;
  EXPECT_TRUE(Contains(missing.output, "SEND SERIES failed: 1 of 4 files not stored"))
      << missing.output;
}

// The one file storescp received, its transfer syntax and its pixels as pydicom (with
// GDCM) decodes them; the folder is emptied for the next.
struct StoredFile {
  std::string syntax;
  testing::Bytes pixels;
};

// `raw` is a scratch file for the pixels on their way.
testing::Bytes DecodedPixels(const std::string& file, const std::string& raw) {
  const RunResult run = RunProgram(
      {"/usr/bin/python3", std::string(NORVANE_SOURCE_DIR) + "/tests/convert/jpeg_interop.py",
       "decoded", file, raw});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  testing::Bytes pixels = testing::ReadFileBytes(raw);
  std::filesystem::remove(raw);
  return pixels;
}

StoredFile TakeReceived(const std::string& folder, const std::string& raw) {
  StoredFile received;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files.push_back(entry.path());
  EXPECT_EQ(files.size(), 1u);
  if (files.size() == 1) {
    received.syntax = GetTagText(DICOMFile(files[0].string()).meta, 0x0002, 0x0010);
    received.pixels = DecodedPixels(files[0].string(), raw);
  }
  for (const auto& file : files)
    std::filesystem::remove(file);
  return received;
}

// A compressed file goes decoded to a peer that takes only uncompressed syntaxes; a file
// asked for in another syntax goes in it to a peer that takes it, with the same pixels.
TEST_F(StoreCommandAgainstStorescp, CompressedSyntaxesAreReachedOrDecoded) {
  const std::string j2k = testing::PydicomFile("JPEG2000.dcm");
  StartStorescp();
  const RunResult decoded = Norvane({"store", "127.0.0.1", port_, j2k, "--aec", "STORESCP"});
  EXPECT_EQ(decoded.exitCode, 0) << decoded.output << peer_.Log();
  const StoredFile plain = TakeReceived(Received(), dir_ / "pixels.raw");
  EXPECT_EQ(plain.syntax, "1.2.840.10008.1.2");
  EXPECT_TRUE(plain.pixels == DecodedPixels(j2k, dir_ / "pixels.raw")) << "not the decoded image";
  peer_.Stop();

  StartStorescp({"+xa"});
  const struct {
    const char* file;
    const char* ts;
    const char* syntax;
  } cases[] = {
      {"MR_small.dcm", "rle", "1.2.840.10008.1.2.5"},
      {"MR_small.dcm", "jpeg-ls", "1.2.840.10008.1.2.4.80"},
      {"CT_small.dcm", "j2k-lossless", "1.2.840.10008.1.2.4.90"},
      {"CT_small.dcm", "deflate", "1.2.840.10008.1.2.1.99"},
      {"MR_small_RLE.dcm", "jpeg-ls", "1.2.840.10008.1.2.4.80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " --ts " + c.ts);
    const std::string file = testing::PydicomFile(c.file);
    const RunResult sent =
        Norvane({"store", "127.0.0.1", port_, file, "--ts", c.ts, "--aec", "STORESCP"});
    EXPECT_EQ(sent.exitCode, 0) << sent.output << peer_.Log();
    const StoredFile stored = TakeReceived(Received(), dir_ / "pixels.raw");
    EXPECT_EQ(stored.syntax, c.syntax);
    EXPECT_TRUE(stored.pixels == DecodedPixels(file, dir_ / "pixels.raw"))
        << "the pixels changed on the way";
  }
}

}  // namespace
}  // namespace norvane
