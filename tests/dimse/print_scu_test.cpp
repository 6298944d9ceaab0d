// PrintSCU_Ex against a print SCP the test plays: what the association proposes, every
// DIMSE-N request byte for byte and in order, the log lines, and how each failing step
// ends the job.

#include "dimse/print_scu.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "log/log.hpp"
#include "scripted_print_peer.hpp"
#include "store_test_objects.hpp"
#include "support/bmp_builder.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::CommandBytes;
using testing::Hex;
using testing::ImageBoxListing;
using testing::MessageBuilder;
using testing::PrintPeerRecord;
using testing::PrintPeerScript;
using testing::ScriptedPrintPeer;
using testing::Slice;
using testing::TextValue;
using testing::U32Value;
using testing::UidValue;
using testing::US;

FilmSessioncfg Session() {
  return {"1", "MED", "BLUE FILM", "MAGAZINE"};
}

FilmBoxcfg Box() {
  FilmBoxcfg box;
  box.ImageDisplayFormat = "STANDARD\\1,1";
  box.FilmOrientation = "PORTRAIT";
  box.FilmSizeID = "14INX17IN";
  box.MagnificationType = "REPLICATE";
  return box;
}

Bytes Undefined(uint16_t group, uint16_t element) {
  return MessageBuilder().Tag(group, element).U32(0xFFFFFFFF).bytes();
}

Bytes Delimiter(uint16_t element) {
  return MessageBuilder().Tag(0xFFFE, element).U32(0).bytes();
}

std::vector<uint16_t> Fields(const PrintPeerRecord& seen) {
  std::vector<uint16_t> fields;
  for (const auto& request : seen.requests)
    fields.push_back(request.CommandField());
  return fields;
}

class PrintSCUWire : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(log_, 1); }
  void TearDown() override { SetLOG("", 0); }

  PrintResult Print(ScriptedPrintPeer& peer, const std::string& file, bool allowColor = true,
                    int planar = 0, const FilmSessioncfg& session = Session()) {
    std::string calling = "NORVANE";
    return PrintSCU_Ex(file, "127.0.0.1", peer.Port(), calling, "PRINTER", session, Box(),
                       allowColor, planar);
  }

  std::vector<std::string> Log() const { return testing::LogTexts(log_); }

  // A 3 x 3 8-bit grey DICOM image with the levels 0, 1, 2, 10, 11, ...
  std::string GreyImage() {
    TagList dataset;
    dataset.push_back(testing::Padded(0x0008, 0x0016, "UI", testing::kSecondaryCapture));
    dataset.push_back(testing::Padded(0x0008, 0x0018, "UI", "1.2.826.0.1.3680043.2.4821.9.2"));
    dataset.push_back(GenerateUSTag(0x0028, 0x0002, 1));
    dataset.push_back(testing::Padded(0x0028, 0x0004, "CS", "MONOCHROME2"));
    dataset.push_back(GenerateUSTag(0x0028, 0x0010, 3));
    dataset.push_back(GenerateUSTag(0x0028, 0x0011, 3));
    dataset.push_back(GenerateUSTag(0x0028, 0x0100, 8));
    dataset.push_back(GenerateTag(0x7FE0, 0x0010, "OB", Bytes{0, 1, 2, 10, 11, 12, 20, 21, 22, 0}));
    const std::string path = dir_ / "grey.dcm";
    EXPECT_TRUE(testing::WriteObject(path, dataset));
    return path;
  }

  // A 2 x 2 bitmap file: 24-bit colour, or 8-bit with a colour palette.
  std::string BitmapFile(const std::string& name, uint16_t bitCount) {
    testing::BmpSpec spec;
    spec.width = 2;
    spec.height = -2;
    spec.bitCount = bitCount;
    Bytes pixels;
    if (bitCount == 24) {
      // (B, G, R) per pixel: red, green / blue, white
      pixels = testing::BmpBuilder::Rows({{0, 0, 90, 0, 90, 0}, {90, 0, 0, 255, 255, 255}});
    } else {
      spec.palette = {{90, 0, 0}, {0, 90, 0}, {0, 0, 90}, {255, 255, 255}};
      pixels = testing::BmpBuilder::Rows({{0, 1}, {2, 3}});
    }
    const Bytes file = testing::BmpBuilder::File(spec, pixels);
    const std::string path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return path;
  }

  testing::TempDir dir_;
  std::string log_ = dir_ / "print.log";
};

TEST_F(PrintSCUWire, GreyJobSendsSixRequestsByteForByteAndLogsEachStep) {
  ScriptedPrintPeer peer({});
  ASSERT_TRUE(Print(peer, GreyImage()));
  const PrintPeerRecord& seen = peer.Finish();

  ASSERT_EQ(seen.Proposed().size(), 1u);
  EXPECT_EQ(seen.Proposed()[0].id, 1);
  EXPECT_EQ(seen.Proposed()[0].abstractSyntax, testing::kGrayscalePrintMeta);
  EXPECT_EQ(seen.Proposed()[0].transferSyntaxes,
            std::vector<std::string>{std::string(testing::kImplicitSyntax)});
  ASSERT_EQ(seen.requests.size(), 6u);
  for (const auto& request : seen.requests)
    EXPECT_EQ(request.contextID, 1);

  const Bytes get = CommandBytes({{0x0003, UidValue(testing::kPrinterClass)},
                                  {0x0100, US(0x0110)},
                                  {0x0110, US(3)},
                                  {0x0800, US(0x0101)},
                                  {0x1001, UidValue(testing::kPrinterInstance)}});
  EXPECT_EQ(Hex(seen.requests[0].command), Hex(get));
  EXPECT_EQ(Hex(seen.requests[0].command, 8, 4), Hex(U32Value(22 + 22 + 46)));
  EXPECT_TRUE(seen.requests[0].dataset.empty());

  const Bytes createSession = CommandBytes({{0x0002, UidValue(testing::kFilmSessionClass)},
                                            {0x0100, US(0x0140)},
                                            {0x0110, US(5)},
                                            {0x0800, US(0x0102)}});
  EXPECT_EQ(Hex(seen.requests[1].command), Hex(createSession));
  const Bytes sessionData = MessageBuilder()
                                .Implicit(0x2000, 0x0010, Bytes{'1', ' '})
                                .Implicit(0x2000, 0x0020, TextValue("MED"))
                                .Implicit(0x2000, 0x0030, TextValue("BLUE FILM"))
                                .Implicit(0x2000, 0x0040, TextValue("MAGAZINE"))
                                .bytes();
  EXPECT_EQ(Hex(seen.requests[1].dataset), Hex(sessionData));

  const Bytes createBox = CommandBytes({{0x0002, UidValue(testing::kFilmBoxClass)},
                                        {0x0100, US(0x0140)},
                                        {0x0110, US(7)},
                                        {0x0800, US(0x0102)}});
  EXPECT_EQ(Hex(seen.requests[2].command), Hex(createBox));
  const Bytes boxData = MessageBuilder()
                            .Implicit(0x2010, 0x0010, TextValue("STANDARD\\1,1"))
                            .Implicit(0x2010, 0x0040, TextValue("PORTRAIT"))
                            .Implicit(0x2010, 0x0050, TextValue("14INX17IN"))
                            .Implicit(0x2010, 0x0060, TextValue("REPLICATE"))
                            .Implicit(0x2010, 0x0150, {})
                            .Append(Undefined(0x2010, 0x0500))
                            .Append(Undefined(0xFFFE, 0xE000))
                            .Implicit(0x0008, 0x1150, UidValue(testing::kFilmSessionClass))
                            .Implicit(0x0008, 0x1155, UidValue(testing::kFilmSessionUID))
                            .Append(Delimiter(0xE00D))
                            .Append(Delimiter(0xE0DD))
                            .bytes();
  EXPECT_EQ(Hex(seen.requests[2].dataset), Hex(boxData));

  const Bytes setImage = CommandBytes({{0x0003, UidValue(testing::kGrayscaleImageBoxClass)},
                                       {0x0100, US(0x0120)},
                                       {0x0110, US(9)},
                                       {0x0800, US(0x0102)},
                                       {0x1001, UidValue(testing::kImageBoxUID)}});
  EXPECT_EQ(Hex(seen.requests[3].command), Hex(setImage));
  const Bytes imageData = MessageBuilder()
                              .Implicit(0x2020, 0x0010, US(1))
                              .Implicit(0x2020, 0x0020, TextValue("NORMAL"))
                              .Append(Undefined(0x2020, 0x0110))
                              .Append(Undefined(0xFFFE, 0xE000))
                              .Implicit(0x0028, 0x0002, US(1))
                              .Implicit(0x0028, 0x0004, TextValue("MONOCHROME2"))
                              .Implicit(0x0028, 0x0010, US(3))
                              .Implicit(0x0028, 0x0011, US(3))
                              .Implicit(0x0028, 0x0100, US(8))
                              .Implicit(0x0028, 0x0101, US(8))
                              .Implicit(0x0028, 0x0102, US(7))
                              .Implicit(0x0028, 0x0103, US(0))
                              .Implicit(0x7FE0, 0x0010, Bytes{0, 1, 2, 10, 11, 12, 20, 21, 22, 0})
                              .Append(Delimiter(0xE00D))
                              .Append(Delimiter(0xE0DD))
                              .bytes();
  EXPECT_EQ(Hex(seen.requests[3].dataset), Hex(imageData));

  const Bytes action = CommandBytes({{0x0003, UidValue(testing::kFilmBoxClass)},
                                     {0x0100, US(0x0130)},
                                     {0x0110, US(11)},
                                     {0x0800, US(0x0101)},
                                     {0x1001, UidValue(testing::kFilmBoxUID)},
                                     {0x1008, US(1)}});
  EXPECT_EQ(Hex(seen.requests[4].command), Hex(action));
  EXPECT_EQ(Hex(seen.requests[4].command, 8, 4), Hex(U32Value(22 + 30 + 46 + 10)));
  EXPECT_TRUE(seen.requests[4].dataset.empty());

  const Bytes remove = CommandBytes({{0x0003, UidValue(testing::kFilmBoxClass)},
                                     {0x0100, US(0x0150)},
                                     {0x0110, US(13)},
                                     {0x0800, US(0x0101)},
                                     {0x1001, UidValue(testing::kFilmBoxUID)}});
  EXPECT_EQ(Hex(seen.requests[5].command), Hex(remove));
  EXPECT_TRUE(seen.released);

  EXPECT_EQ(Log(), (std::vector<std::string>{"Create Film Session: OK!", "Create Film Box: OK!",
                                             "Width: 3, Height: 3", "Set Image Box: OK!",
                                             "FilmBox Action: OK!", "FilmBox Delete: OK!"}));
}

TEST_F(PrintSCUWire, LogLevelZeroWritesNoSuccessLines) {
  SetLOG(log_, 0);
  ScriptedPrintPeer peer({});
  EXPECT_TRUE(Print(peer, GreyImage()));
  peer.Finish();
  EXPECT_TRUE(Log().empty()) << Log().front();
}

TEST_F(PrintSCUWire, ColourBitmapWithoutColourIsConvertedAndSentAsGrey) {
  ScriptedPrintPeer peer({});
  ASSERT_TRUE(Print(peer, BitmapFile("colour.bmp", 24), false));
  const PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(seen.Proposed()[0].abstractSyntax, testing::kGrayscalePrintMeta);
  ASSERT_EQ(seen.requests.size(), 6u);
  const Bytes& data = seen.requests[3].dataset;
  EXPECT_EQ(Hex(data, 24, 4), Hex(Undefined(0x2020, 0x0110), 0, 4));
  // red 90 -> 30, green 90 -> 30, blue 90 -> 30, white 255, padded to even: no pad for 4.
  const Bytes tail = Slice(data, data.size() - 16 - 4, 4);
  EXPECT_EQ(tail, (Bytes{30, 30, 30, 255}));
}

TEST_F(PrintSCUWire, ColourBitmapWithColourGoesThroughTheColourMetaClassAndPlanarFlag) {
  PrintPeerScript script;
  script.imageBoxClass = std::string(testing::kColorImageBoxClass);
  ScriptedPrintPeer peer(script);
  ASSERT_TRUE(Print(peer, BitmapFile("colour.bmp", 24), true, 1));
  const PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(seen.Proposed()[0].abstractSyntax, testing::kColorPrintMeta);
  ASSERT_EQ(seen.requests.size(), 6u);
  EXPECT_EQ(Hex(seen.requests[3].command),
            Hex(CommandBytes({{0x0003, UidValue(testing::kColorImageBoxClass)},
                              {0x0100, US(0x0120)},
                              {0x0110, US(9)},
                              {0x0800, US(0x0102)},
                              {0x1001, UidValue(testing::kImageBoxUID)}})));
  const Bytes imageData =
      MessageBuilder()
          .Implicit(0x2020, 0x0010, US(1))
          .Implicit(0x2020, 0x0020, TextValue("NORMAL"))
          .Append(Undefined(0x2020, 0x0111))
          .Append(Undefined(0xFFFE, 0xE000))
          .Implicit(0x0028, 0x0002, US(3))
          .Implicit(0x0028, 0x0004, TextValue("RGB"))
          .Implicit(0x0028, 0x0006, US(1))
          .Implicit(0x0028, 0x0010, US(2))
          .Implicit(0x0028, 0x0011, US(2))
          .Implicit(0x0028, 0x0100, US(8))
          .Implicit(0x0028, 0x0101, US(8))
          .Implicit(0x0028, 0x0102, US(7))
          .Implicit(0x0028, 0x0103, US(0))
          .Implicit(0x7FE0, 0x0010, Bytes{90, 0, 0, 255, 0, 90, 0, 255, 0, 0, 90, 255})
          .Append(Delimiter(0xE00D))
          .Append(Delimiter(0xE0DD))
          .bytes();
  EXPECT_EQ(Hex(seen.requests[3].dataset), Hex(imageData));
}

TEST_F(PrintSCUWire, PaletteBitmapIsPrintedGreyEvenWithColourAllowed) {
  ScriptedPrintPeer peer({});
  ASSERT_TRUE(Print(peer, BitmapFile("palette.bmp", 8), true));
  const PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(seen.Proposed()[0].abstractSyntax, testing::kGrayscalePrintMeta);
  ASSERT_EQ(seen.requests.size(), 6u);
  const Bytes& data = seen.requests[3].dataset;
  EXPECT_EQ(Slice(data, data.size() - 16 - 4, 4), (Bytes{30, 30, 30, 255}));
}

TEST_F(PrintSCUWire, PrintSCUIsGreyOnly) {
  ScriptedPrintPeer peer({});
  std::string calling = "NORVANE";
  ASSERT_TRUE(PrintSCU(BitmapFile("colour.bmp", 24), "127.0.0.1", peer.Port(), calling, "PRINTER",
                       Session(), Box()));
  EXPECT_EQ(peer.Finish().Proposed()[0].abstractSyntax, testing::kGrayscalePrintMeta);
}

TEST_F(PrintSCUWire, FilesThatCannotBeLoadedConnectToNothing) {
  // JPEG bytes under ".jpeg" are taken for a DICOM file.
  const std::string jpeg = dir_ / "picture.jpeg";
  std::ofstream(jpeg, std::ios::binary) << "\xFF\xD8\xFF\xE0 not dicom";
  ScriptedPrintPeer peer({});
  const PrintResult dicom = Print(peer, jpeg);
  EXPECT_EQ(dicom.failedStep, PrintStep::kOpenDicomFile);
  EXPECT_EQ(dicom.failure, ServiceFailure::kLocal);
  EXPECT_FALSE(peer.Stop().connected);
  EXPECT_EQ(Log(), std::vector<std::string>{"ERROR: opening DICOM File"});

  std::ofstream(dir_ / "broken.jpg", std::ios::binary) << "\xFF\xD8\xFF";  // SOI, then nothing
  ScriptedPrintPeer second({});
  const PrintResult jpegResult = Print(second, dir_ / "broken.jpg");
  EXPECT_EQ(jpegResult.failedStep, PrintStep::kOpenJpegFile);
  EXPECT_EQ(jpegResult.reason, "JPEG file cut short");
  EXPECT_FALSE(second.Stop().connected);
  EXPECT_EQ(Log().back(), "ERROR: opening JPEG File: JPEG file cut short");
}

TEST_F(PrintSCUWire, DicomImageWithShortPixelDataIsRefusedBeforeConnecting) {
  TagList dataset = testing::SmallImage(testing::kCTImageStorage, "1.2.826.0.1.3680043.2.4821.9.3",
                                        "1.2.3", "1.2.3.4", 8, 8);
  dataset.back() = GenerateTag(0x7FE0, 0x0010, "OW", Bytes(100, 0));
  ASSERT_TRUE(testing::WriteObject(dir_ / "short.dcm", dataset));
  ScriptedPrintPeer peer({});
  EXPECT_FALSE(Print(peer, dir_ / "short.dcm"));
  EXPECT_FALSE(peer.Stop().connected);
  EXPECT_EQ(Log(), std::vector<std::string>{"ERROR: opening DICOM File"});
}

TEST_F(PrintSCUWire, PrinterStatusWarningIsLoggedAndPrintingGoesOnInStep) {
  PrintPeerScript script;
  script.statuses[0] = 0x0107;  // attribute list error, with the attributes it has
  ScriptedPrintPeer peer(script);
  const PrintResult result = Print(peer, GreyImage());
  EXPECT_TRUE(result.Ok()) << result.reason;
  EXPECT_EQ(result.printerStatus.failure, ServiceFailure::kStatus);
  EXPECT_EQ(result.printerStatus.status, 0x0107);
  const PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(Fields(seen), (std::vector<uint16_t>{0x0110, 0x0140, 0x0140, 0x0120, 0x0130, 0x0150}));
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().front(), "Unable to Get Status");
  EXPECT_EQ(Log().back(), "FilmBox Delete: OK!");
}

TEST_F(PrintSCUWire, EachFailingStepEndsTheJobWithItsLine) {
  struct Case {
    size_t request;
    uint16_t status;
    const char* line;
    PrintStep step;
    const char* reason;
  };
  const Case cases[] = {
      {1, 0x0106, "Create Film Session: Failed!", PrintStep::kFilmSession,
       "N-CREATE-RSP status 0x0106"},
      // a warning counts as failure
      {2, 0xB600, "Create Film Box: Failed!", PrintStep::kFilmBox, "N-CREATE-RSP status 0xB600"},
      {3, 0xC000, "Set Image Box: Failed!", PrintStep::kImageBox, "N-SET-RSP status 0xC000"},
      {4, 0xC600, "Film Box Action: Failed!", PrintStep::kPrintAction,
       "N-ACTION-RSP status 0xC600"},
      {5, 0x0110, "FilmBox Delete: Failed!", PrintStep::kDeleteFilmBox,
       "N-DELETE-RSP status 0x0110"},
  };
  for (const Case& c : cases) {
    PrintPeerScript script;
    script.statuses[c.request] = c.status;
    ScriptedPrintPeer peer(script);
    std::filesystem::remove(log_);
    const PrintResult result = Print(peer, GreyImage());
    EXPECT_EQ(result.failure, ServiceFailure::kStatus) << c.line;
    EXPECT_EQ(result.status, c.status) << c.line;
    EXPECT_EQ(result.failedStep, c.step) << c.line;
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(PrintStepFailureLine(result.failedStep), c.line);
    const PrintPeerRecord& seen = peer.Finish();
    // Nothing is sent after the failing step, nothing created is deleted, and the
    // association is released.
    EXPECT_EQ(seen.requests.size(), c.request + 1) << c.line;
    EXPECT_TRUE(seen.released) << c.line;
    ASSERT_FALSE(Log().empty()) << c.line;
    EXPECT_EQ(Log().back(), c.line);
  }
}

TEST_F(PrintSCUWire, FilmSessionFailureStopsBeforeTheFilmBox) {
  PrintPeerScript script;
  script.statuses[1] = 0x0106;
  ScriptedPrintPeer peer(script);
  EXPECT_FALSE(Print(peer, GreyImage()));
  const PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(Fields(seen), (std::vector<uint16_t>{0x0110, 0x0140}));
  EXPECT_EQ(Log(), std::vector<std::string>{"Create Film Session: Failed!"});
}

TEST_F(PrintSCUWire, NoImageBoxListedMeansNothingIsSetAndTheJobFails) {
  PrintPeerScript script;
  script.listing = ImageBoxListing::kNone;
  ScriptedPrintPeer peer(script);
  const PrintResult result = Print(peer, GreyImage());
  EXPECT_EQ(result.failedStep, PrintStep::kImageBox);
  EXPECT_EQ(result.failure, ServiceFailure::kNoPresentationContext);
  const PrintPeerRecord& seen = peer.Finish();
  EXPECT_EQ(Fields(seen), (std::vector<uint16_t>{0x0110, 0x0140, 0x0140}));
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back(), "Set Image Box: Failed!");
}

TEST_F(PrintSCUWire, ColourImageBoxOnAGreyAssociationIsNotSet) {
  PrintPeerScript script;
  script.imageBoxClass = std::string(testing::kColorImageBoxClass);
  ScriptedPrintPeer peer(script);
  const PrintResult result = Print(peer, GreyImage());
  EXPECT_EQ(result.failedStep, PrintStep::kImageBox);
  EXPECT_EQ(result.failure, ServiceFailure::kNoPresentationContext);
  EXPECT_EQ(peer.Finish().requests.size(), 3u);
  EXPECT_EQ(Log().back(), "Set Image Box: Failed!");
}

TEST_F(PrintSCUWire, FlatImageBoxListGivesTheFirstBox) {
  PrintPeerScript script;
  script.listing = ImageBoxListing::kFlat;
  script.imageBoxes = 4;
  ScriptedPrintPeer peer(script);
  ASSERT_TRUE(Print(peer, GreyImage()));
  const PrintPeerRecord& seen = peer.Finish();
  ASSERT_EQ(seen.requests.size(), 6u);
  EXPECT_EQ(testing::CommandValue(seen.requests[3].Command(), 0x1001),
            UidValue(testing::kImageBoxUID));
}

TEST_F(PrintSCUWire, RefusedAssociationOrContextLogsConnectionFailed) {
  PrintPeerScript rejecting;
  rejecting.reject = true;
  ScriptedPrintPeer rejected(rejecting);
  const PrintResult rejectedResult = Print(rejected, GreyImage());
  EXPECT_EQ(rejectedResult.failedStep, PrintStep::kAssociation);
  EXPECT_EQ(rejectedResult.failure, ServiceFailure::kRejected);
  EXPECT_TRUE(rejected.Finish().requests.empty());
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back(), "Connection Failed!");

  PrintPeerScript noContext;
  noContext.contextResult = 3;
  ScriptedPrintPeer refused(noContext);
  const PrintResult refusedResult = Print(refused, BitmapFile("colour.bmp", 24));
  EXPECT_EQ(refusedResult.failedStep, PrintStep::kAssociation);
  EXPECT_EQ(refusedResult.failure, ServiceFailure::kNoPresentationContext);
  EXPECT_TRUE(refused.Finish().requests.empty());
  EXPECT_EQ(Log().back(), "Connection Failed!");
}

TEST_F(PrintSCUWire, FilmSessionWithoutAttributesAnnouncesNoDataSet) {
  ScriptedPrintPeer peer({});
  EXPECT_TRUE(Print(peer, GreyImage(), true, 0, FilmSessioncfg{}));
  const PrintPeerRecord& seen = peer.Finish();
  ASSERT_EQ(seen.requests.size(), 6u);
  EXPECT_EQ(testing::CommandUS(seen.requests[1].Command(), 0x0800), 0x0101);
  EXPECT_TRUE(seen.requests[1].dataset.empty());
}

}  // namespace
}  // namespace norvane
