// PrintSCU_Ex against DCMTK's dcmprscp (Basic Grayscale Print only): DICOM, JPEG and
// bitmap files printed, what the printer logged and spooled, and the ways a job fails.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "dimse/print_scu.hpp"
#include "log/log.hpp"
#include "net/message_fixture.hpp"
#include "platform/raster_jpeg.hpp"
#include "support/bmp_builder.hpp"
#include "support/dcmprscp_peer.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::DcmprscpPeer;

const std::vector<std::string> kWholeJob = {
    "N-GET RQ 0x0000", "N-CREATE RQ 0x0000", "N-CREATE RQ 0x0000",
    "N-SET RQ 0x0000", "N-ACTION RQ 0x0000", "N-DELETE RQ 0x0000",
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class PrintAgainstDcmprscp : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("dcmprscp", "echoscu");
    ASSERT_TRUE(printer_.Start()) << printer_.Log();
    SetLOG(log_, 1);
  }
  void TearDown() override { SetLOG("", 0); }

  PrintResult Print(const std::string& file, bool allowColor = true,
                    std::string format = "STANDARD\\1,1") {
    FilmBoxcfg box;
    box.ImageDisplayFormat = std::move(format);
    box.FilmOrientation = "PORTRAIT";
    box.FilmSizeID = "14INX17IN";
    box.MagnificationType = "REPLICATE";
    return PrintSCU_Ex(file,
                       testing::LoopbackPeer(printer_.Port(), DcmprscpPeer::kTitle, "NORVANE"),
                       FilmSessioncfg{"1", "MED", "BLUE FILM", "MAGAZINE"}, box, allowColor, 0);
  }

  // The spooled hardcopy image's dump.
  std::string HardcopyDump() {
    const std::vector<std::string> images = printer_.Spooled("HG_");
    if (images.size() != 1) return "expected one HG_ file, found " + std::to_string(images.size());
    return testing::RunProgram({"dcmdump", "-M", images.front()}).output;
  }

  std::vector<std::string> Log() const { return testing::LogTexts(log_); }

  DcmprscpPeer printer_;
  testing::TempDir dir_;
  std::string log_ = dir_ / "print.log";
};

TEST_F(PrintAgainstDcmprscp, CtSmallIsPrintedThroughEveryStep) {
  ASSERT_TRUE(Print(testing::PydicomFile("CT_small.dcm")))
      << testing::ReadFileText(log_) << printer_.Log();
  ASSERT_TRUE(printer_.WaitForRequests(6)) << printer_.Log();
  EXPECT_EQ(printer_.Requests(), kWholeJob) << printer_.Log();
  const std::string scpLog = printer_.Log();
  EXPECT_TRUE(Contains(scpLog, "BasicFilmSessionSOPClass")) << scpLog;
  EXPECT_TRUE(Contains(scpLog, "MediumType")) << scpLog;
  EXPECT_TRUE(Contains(scpLog, "BasicGrayscaleImageBoxSOPClass")) << scpLog;
  EXPECT_TRUE(Contains(scpLog, "Action Type")) << scpLog;
  EXPECT_EQ(printer_.Spooled("SP_").size(), 1u);
  const std::string image = HardcopyDump();
  EXPECT_TRUE(Contains(image, "(0028,0010) US 128")) << image;
  EXPECT_TRUE(Contains(image, "(0028,0011) US 128")) << image;
  EXPECT_TRUE(Contains(image, "(0028,0004) CS [MONOCHROME2]")) << image;
  EXPECT_EQ(Log(), (std::vector<std::string>{"Create Film Session: OK!", "Create Film Box: OK!",
                                             "Width: 128, Height: 128", "Set Image Box: OK!",
                                             "FilmBox Action: OK!", "FilmBox Delete: OK!"}));
}

TEST_F(PrintAgainstDcmprscp, JpegFileIsPrinted) {
  Raster picture = *Raster::Create(40, 30, PixelFormat::kPalette8);
  picture.SetGreyPalette();
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x)
      picture.Row(y)[x] = static_cast<uint8_t>(x * 6);
  }
  const std::string file = dir_ / "picture.jpg";
  ASSERT_TRUE(WriteRasterJpeg(picture, file, 90));
  ASSERT_TRUE(Print(file)) << testing::ReadFileText(log_) << printer_.Log();
  ASSERT_TRUE(printer_.WaitForRequests(6));
  EXPECT_EQ(printer_.Requests(), kWholeJob);
  const std::string image = HardcopyDump();
  EXPECT_TRUE(Contains(image, "(0028,0010) US 30")) << image;
  EXPECT_TRUE(Contains(image, "(0028,0011) US 40")) << image;
}

TEST_F(PrintAgainstDcmprscp, ColourBitmapIsPrintedGreyWhenColourIsNotAllowed) {
  testing::BmpSpec spec;
  spec.width = 5;
  spec.height = 3;
  std::vector<std::vector<uint8_t>> rows;
  for (int y = 0; y < 3; ++y) {
    std::vector<uint8_t> row;
    for (int x = 0; x < 5; ++x) {
      row.insert(row.end(), {static_cast<uint8_t>(x * 50), static_cast<uint8_t>(y * 100), 128});
    }
    rows.push_back(row);
  }
  const std::vector<uint8_t> bytes =
      testing::BmpBuilder::File(spec, testing::BmpBuilder::Rows(rows));
  const std::string file = dir_ / "colour.bmp";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(Print(file, false)) << testing::ReadFileText(log_) << printer_.Log();
  ASSERT_TRUE(printer_.WaitForRequests(6));
  EXPECT_EQ(printer_.Requests(), kWholeJob);
  const std::string image = HardcopyDump();
  EXPECT_TRUE(Contains(image, "(0028,0010) US 3")) << image;
  EXPECT_TRUE(Contains(image, "(0028,0011) US 5")) << image;

  // With colour allowed the job asks for colour print, which dcmprscp does not offer.
  const PrintResult colour = Print(file, true);
  EXPECT_EQ(colour.failedStep, PrintStep::kAssociation);
  EXPECT_FALSE(colour.Ok());
  EXPECT_EQ(Log().back(), "Connection Failed!");
}

TEST_F(PrintAgainstDcmprscp, DisplayFormatThePrinterRefusesFailsAtTheFilmBox) {
  const PrintResult result = Print(testing::PydicomFile("CT_small.dcm"), true, "STANDARD\\2,1");
  EXPECT_EQ(result.failedStep, PrintStep::kFilmBox);
  EXPECT_EQ(result.failure, ServiceFailure::kStatus);
  EXPECT_EQ(result.status, 0x0106);
  ASSERT_TRUE(printer_.WaitForRequests(3));
  EXPECT_EQ(printer_.Requests(), (std::vector<std::string>{"N-GET RQ 0x0000", "N-CREATE RQ 0x0000",
                                                           "N-CREATE RQ 0x0106"}));
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"Create Film Session: OK!", "Create Film Box: Failed!"}));
  EXPECT_TRUE(printer_.Spooled("HG_").empty());
}

}  // namespace
}  // namespace norvane
