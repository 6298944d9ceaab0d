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

TEST(ConvertCommand, AliasesNameTheFiveSyntaxes) {
  testing::TempDir dir;
  const struct {
    const char* alias;
    const char* uid;
  } cases[] = {{"implicit", "1.2.840.10008.1.2"},
               {"big", "1.2.840.10008.1.2.2"},
               {"lossless", "1.2.840.10008.1.2.4.70"},
               {"explicit", "1.2.840.10008.1.2.1"},
               {"1.2.840.10008.1.2.2", "1.2.840.10008.1.2.2"}};
  std::string in = PydicomFile("MR_small.dcm");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alias);
    const std::string out = dir / (std::string(c.alias) + ".dcm");
    const auto result = Norvane({"convert", in, out, "--ts", c.alias});
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

  const auto j2k = Norvane({"convert", PydicomFile("JPEG2000.dcm"), out, "--ts", "explicit"});
  EXPECT_EQ(j2k.exitCode, 1);
  EXPECT_NE(j2k.output.find("1.2.840.10008.1.2.4.91"), std::string::npos) << j2k.output;

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
  EXPECT_NE(big.output.find("not uncompressed little endian"), std::string::npos) << big.output;
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
