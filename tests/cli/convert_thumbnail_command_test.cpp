// The convert and thumbnail subcommands, run as the norvane program.

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/jpeg_frame_info.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "elements/tag_list.hpp"
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

std::string SyntaxOf(const std::string& file) {
  const DicomFileContent content = DICOMFile(file);
  return GetTagText(content.meta, 0x0002, 0x0010);
}

TEST(ConvertCommand, AliasesNameTheirSyntaxes) {
  testing::TempDir dir;
  const struct {
    std::vector<std::string> options;
    const char* uid;
  } cases[] = {{{"--ts", "implicit"}, "1.2.840.10008.1.2"},
               {{"--ts", "big"}, "1.2.840.10008.1.2.2"},
               {{"--ts", "lossless"}, "1.2.840.10008.1.2.4.70"},
               {{"--ts", "rle"}, "1.2.840.10008.1.2.5"},
               {{"--ts", "jpeg-ls"}, "1.2.840.10008.1.2.4.80"},
               {{"--ts", "j2k-lossless"}, "1.2.840.10008.1.2.4.90"},
               {{"--ts", "deflate"}, "1.2.840.10008.1.2.1.99"},
               {{"--ts", "explicit"}, "1.2.840.10008.1.2.1"},
               {{"--ts", "1.2.840.10008.1.2.2"}, "1.2.840.10008.1.2.2"},
               {{"--ts", "jpeg-ls-near", "--near", "1"}, "1.2.840.10008.1.2.4.81"},
               {{"--ts", "j2k", "--ratio", "5"}, "1.2.840.10008.1.2.4.91"}};
  std::string in = PydicomFile("MR_small.dcm");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options[1]);
    const std::string out = dir / (c.options[1] + ".dcm");
    std::vector<std::string> args = {"convert", in, out};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto result = Norvane(args);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(SyntaxOf(out), c.uid);
    in = out;
  }
  // Baseline of 8-bit data.
  const auto rgb =
      Norvane({"convert", PydicomFile("SC_rgb_small_odd.dcm"), dir / "b.dcm", "--ts", "baseline"});
  EXPECT_EQ(rgb.exitCode, 0) << rgb.output;
  EXPECT_EQ(SyntaxOf(dir / "b.dcm"), "1.2.840.10008.1.2.4.50");
}

TEST(ConvertCommand, FailuresExitWithOneAndBadCommandLinesWithTwo) {
  testing::TempDir dir;
  const std::string out = dir / "out.dcm";
  const auto sixteen = Norvane({"convert", PydicomFile("CT_small.dcm"), out, "--ts", "baseline"});
  EXPECT_EQ(sixteen.exitCode, 1);
  EXPECT_NE(sixteen.output.find("Bits Allocated"), std::string::npos) << sixteen.output;
  EXPECT_FALSE(std::filesystem::exists(out));

  const auto extended =
      Norvane({"convert", PydicomFile("JPEG-lossy.dcm"), out, "--ts", "explicit"});
  EXPECT_EQ(extended.exitCode, 1);
  EXPECT_NE(extended.output.find("1.2.840.10008.1.2.4.51"), std::string::npos) << extended.output;

  for (const std::vector<std::string>& setting : std::vector<std::vector<std::string>>{
           {"--near", "256"}, {"--near", "-1"}, {"--ratio", "0"}, {"--ratio", "1001"}}) {
    const auto bad = Norvane(
        {"convert", PydicomFile("CT_small.dcm"), out, "--ts", "j2k", setting[0], setting[1]});
    EXPECT_EQ(bad.exitCode, 2) << setting[0] << " " << setting[1];
    EXPECT_NE(bad.output.find(setting[0]), std::string::npos) << bad.output;
  }
  EXPECT_FALSE(std::filesystem::exists(out));

  const auto unknown = Norvane({"convert", PydicomFile("CT_small.dcm"), out, "--ts", "jpeg2000"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.output.find("jpeg2000"), std::string::npos) << unknown.output;

  const auto missing = Norvane({"convert", PydicomFile("CT_small.dcm"), out});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.output.find("--ts is required"), std::string::npos) << missing.output;

  const auto unreadable = Norvane({"convert", dir / "none.dcm", out, "--ts", "big"});
  EXPECT_EQ(unreadable.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(out));

  const auto help = Norvane({"convert", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("usage: norvane convert IN OUT --ts UID"), std::string::npos);
}

TEST(ThumbnailCommand, WritesTheJpegUnderTheJpgName) {
  testing::TempDir dir;
  const auto result =
      Norvane({"thumbnail", PydicomFile("CT_small.dcm"), dir / "ct.bmp", "--width", "64"});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("ct.jpg"), std::string::npos) << result.output;
  const auto info = ReadJpegFrameInfo(testing::ReadFileBytes(dir / "ct.jpg"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->columns, 64);
  EXPECT_FALSE(std::filesystem::exists(dir / "ct.bmp"));
}

TEST(ThumbnailCommand, FailuresExitWithOneAndBadWidthsWithTwo) {
  testing::TempDir dir;
  const auto big =
      Norvane({"thumbnail", PydicomFile("MR_small_bigendian.dcm"), dir / "t.jpg", "--width", "64"});
  EXPECT_EQ(big.exitCode, 1);
  EXPECT_NE(big.output.find("neither uncompressed little endian"), std::string::npos) << big.output;
  for (const char* width : {"0", "-5", "abc", "70000"}) {
    const auto bad =
        Norvane({"thumbnail", PydicomFile("CT_small.dcm"), dir / "t.jpg", "--width", width});
    EXPECT_EQ(bad.exitCode, 2) << width;
    EXPECT_NE(bad.output.find("--width"), std::string::npos) << bad.output;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace norvane
