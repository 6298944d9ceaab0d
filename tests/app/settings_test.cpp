#include "app/setup/settings.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

TEST(Settings, FirstRunShowsDialogInitialValues) {
  testing::TempDir dir;
  Settings s;
  EXPECT_FALSE(s.Load(dir / "testscu.cfg"));
  EXPECT_EQ(s.host(), "127.0.0.1");
  EXPECT_EQ(s.port(), "104");
  EXPECT_EQ(s.localAET(), "local");
  EXPECT_EQ(s.remoteAET(), "remote");
  EXPECT_EQ(s.logLevel(), 0);
  EXPECT_EQ(FilmDestinationText(s.filmDestination()), "MAGAZINE");
  EXPECT_EQ(FilmSizeText(s.filmSize()), "14INX17IN");
}

TEST(Settings, SaveWritesMaskedRecordOf440Bytes) {
  testing::TempDir dir;
  Settings s;
  ASSERT_TRUE(s.Save(dir / "testscu.cfg"));
  const std::vector<uint8_t> file = testing::ReadFileBytes(dir / "testscu.cfg");
  ASSERT_EQ(file.size(), 440u);
  EXPECT_EQ(file[0], '1' ^ 0xB6);
  EXPECT_EQ(file[9], 0xB6);  // the NUL after "127.0.0.1" is stored as the mask itself
  EXPECT_EQ(file[128], '1' ^ 0xB6);
  EXPECT_EQ(file[439], 0xB6);
}

TEST(Settings, SaveAndLoadRestoreEveryFieldIncludingUnselectedLists) {
  testing::TempDir dir;
  Settings s;
  s.setHost("pacs.example");
  s.setPort("11112");
  s.setLocalAET("NORVANE");
  s.setRemoteAET("ARCHIVE");
  s.setLogLevel(3);
  s.setFilmDestination(-1);
  s.setFilmOrientation(1);
  s.setFilmSize(3);
  s.setMagnificationType(2);
  s.setPlanarConfiguration(true);
  ASSERT_TRUE(s.Save(dir / "testscu.cfg"));
  Settings loaded;
  ASSERT_TRUE(loaded.Load(dir / "testscu.cfg"));
  EXPECT_EQ(loaded.record(), s.record());
  EXPECT_EQ(loaded.host(), "pacs.example");
  EXPECT_EQ(loaded.logLevel(), 3);
  EXPECT_EQ(loaded.filmDestination(), -1);
  EXPECT_EQ(FilmDestinationText(loaded.filmDestination()), "");
  EXPECT_EQ(FilmOrientationText(loaded.filmOrientation()), "LANDSCAPE");
  EXPECT_TRUE(loaded.planarConfiguration());
}

TEST(Settings, LongTextIsCutToKeepTheTerminator) {
  Settings s;
  s.setPort(std::string(40, '9'));
  EXPECT_EQ(s.port(), std::string(31, '9'));
  EXPECT_EQ(s.host(), "127.0.0.1");  // neighbouring field untouched
}

TEST(Settings, ShortFileCountsAsAbsent) {
  testing::TempDir dir;
  std::ofstream(dir / "testscu.cfg", std::ios::binary) << std::string(100, '\xB6');
  Settings s;
  EXPECT_FALSE(s.Load(dir / "testscu.cfg"));
  EXPECT_EQ(s.host(), "127.0.0.1");
}

TEST(Settings, FileByteEqualToTheMaskDecodesToZero) {
  testing::TempDir dir;
  std::ofstream(dir / "testscu.cfg", std::ios::binary) << std::string(440, '\xB6');
  Settings s;
  ASSERT_TRUE(s.Load(dir / "testscu.cfg"));
  EXPECT_EQ(s.record(), (std::array<uint8_t, 440>{}));
  EXPECT_EQ(s.host(), "");
  EXPECT_EQ(s.logLevel(), 0);
}

TEST(Settings, SaveThatCannotWriteSaysWhyAndLeavesNothingBehind) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir / "testscu.cfg");  // a folder where the file goes
  const std::string cases[] = {dir / "missing/testscu.cfg", dir / "testscu.cfg"};
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    const SettingsSaveResult saved = Settings().Save(path);
    EXPECT_FALSE(saved);
    EXPECT_NE(saved.reason.find(path), std::string::npos) << saved.reason;
  }
  EXPECT_EQ(testing::FileNames(dir.path().string()), std::vector<std::string>{});
}

}  // namespace
}  // namespace norvane
