// norvane ecg on a big-endian copy made by DCMTK's dcmconv.

#include <gtest/gtest.h>

#include "platform/raster_png.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

TEST(EcgCommand, BigEndianCopyDrawsTheSameChart) {
  NORVANE_REQUIRE_PROGRAMS("dcmconv");
  testing::TempDir dir;
  const std::string big = dir / "big.dcm";
  const auto made =
      testing::RunProgram({"dcmconv", "+tb", testing::PydicomFile("waveform_ecg.dcm"), big});
  ASSERT_EQ(made.exitCode, 0) << made.output;

  const std::string tool = testing::NorvaneTool();
  const auto little = testing::RunProgram({tool, "ecg", testing::PydicomFile("waveform_ecg.dcm"),
                                           dir / "little.png", "--size", "900x700"});
  ASSERT_EQ(little.exitCode, 0) << little.output;
  const auto bigResult =
      testing::RunProgram({tool, "ecg", big, dir / "big.png", "--size", "900x700"});
  ASSERT_EQ(bigResult.exitCode, 0) << bigResult.output;

  const std::optional<Raster> a = ReadPngFile(dir / "little.png");
  const std::optional<Raster> b = ReadPngFile(dir / "big.png");
  ASSERT_TRUE(a && b);
  int differing = 0;
  for (int y = 0; y < 700; ++y) {
    for (int x = 0; x < 900; ++x)
      differing += a->ColourAt(x, y) != b->ColourAt(x, y);
  }
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace norvane
