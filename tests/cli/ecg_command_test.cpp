// norvane ecg, run as the program.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/raster_png.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::NorvaneTool;
using testing::PydicomFile;
using testing::RunProgram;

testing::RunResult Norvane(std::vector<std::string> args) {
  args.insert(args.begin(), NorvaneTool());
  return RunProgram(args);
}

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, size_t at) {
  return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
         (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

TEST(EcgCommand, WaveformFileBecomesAPngOfTheAskedSize) {
  testing::TempDir dir;
  const std::string out = dir / "ecg.png";
  const auto result = Norvane({"ecg", PydicomFile("waveform_ecg.dcm"), out, "--size", "1200x800"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("ecg.png"), std::string::npos) << result.output;

  const std::vector<uint8_t> png = testing::ReadFileBytes(out);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  EXPECT_EQ(BigEndian32(png, 16), 1200u);
  EXPECT_EQ(BigEndian32(png, 20), 800u);
  const std::optional<Raster> chart = ReadPngFile(out);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->Width(), 1200);
  ASSERT_EQ(chart->Height(), 800);
  // Paper, grid and the first lead's calibration pulse.
  EXPECT_EQ(chart->ColourAt(10, 790), (PaletteEntry{255, 255, 255}));
  EXPECT_EQ(chart->ColourAt(100, 790), (PaletteEntry{128, 128, 128}));
  EXPECT_EQ(chart->ColourAt(120, 790), (PaletteEntry{192, 192, 192}));
  EXPECT_EQ(chart->ColourAt(1199, 790), (PaletteEntry{0, 0, 0}));
  EXPECT_EQ(chart->ColourAt(15, 150), (PaletteEntry{0, 0, 0}));

  const auto other =
      Norvane({"ecg", PydicomFile("waveform_ecg.dcm"), dir / "small.png", "--size=300X200"});
  ASSERT_EQ(other.exitCode, 0) << other.output;
  const std::optional<Raster> small = ReadPngFile(dir / "small.png");
  ASSERT_TRUE(small);
  EXPECT_EQ(small->Width(), 300);
  EXPECT_EQ(small->Height(), 200);
}

TEST(EcgCommand, FilesThatAreNoWaveformExitWithOneAndSayWhy) {
  testing::TempDir dir;
  const std::string out = dir / "out.png";
  const auto ct = Norvane({"ecg", PydicomFile("CT_small.dcm"), out, "--size", "1200x800"});
  EXPECT_EQ(ct.exitCode, 1);
  EXPECT_NE(ct.output.find("CT_small.dcm is not a waveform object"), std::string::npos)
      << ct.output;
  EXPECT_FALSE(std::filesystem::exists(out));

  const auto missing = Norvane({"ecg", dir / "none.dcm", out, "--size", "1200x800"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("none.dcm does not exist"), std::string::npos) << missing.output;

  const auto unwritable = Norvane(
      {"ecg", PydicomFile("waveform_ecg.dcm"), dir / "no-folder/out.png", "--size", "1200x800"});
  EXPECT_EQ(unwritable.exitCode, 1);
  EXPECT_NE(unwritable.output.find("cannot be written"), std::string::npos) << unwritable.output;
}

TEST(EcgCommand, BadCommandLinesExitWithTwoAndHelpTellsTheOptions) {
  testing::TempDir dir;
  const std::string in = PydicomFile("waveform_ecg.dcm");
  const std::string out = dir / "out.png";
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"ecg", in, out}, "--size is required"},
      {{"ecg", in, out, "--size", "1200"}, "--size takes WxH"},
      {{"ecg", in, out, "--size", "0x800"}, "--size takes WxH"},
      {{"ecg", in, out, "--size", "40000x800"}, "--size takes WxH"},
      {{"ecg", in, out, "--size", "1200x-8"}, "--size takes WxH"},
      {{"ecg", in, "--size", "1200x800"}, "give IN and OUT.png"},
      {{"ecg", in, out, "--width", "5"}, "--width"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const auto result = Norvane(c.args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("(see norvane ecg --help)\n"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(out));

  const auto help = Norvane({"ecg", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("--size WxH"), std::string::npos) << help.output;
  EXPECT_NE(help.output.find("100 pixels per"), std::string::npos) << help.output;

  const auto list = Norvane({"--help"});
  EXPECT_NE(list.output.find("ecg"), std::string::npos) << list.output;
}

}  // namespace
}  // namespace norvane
