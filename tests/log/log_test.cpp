#include "log/log.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/peers.hpp"

namespace norvane {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(dir_ / "test.log", 0); }
  void TearDown() override { SetLOG("", 0); }
  std::string Log() const { return testing::ReadFileText(dir_ / "test.log"); }
  testing::TempDir dir_;
};

TEST_F(LogTest, LineIsDateTimeCommaText) {
  WriteLog("Starting ECHO Service");
  const std::regex line(R"(\d\d/\d\d/\d\d\d\d \d\d:\d\d:\d\d, Starting ECHO Service\n)");
  EXPECT_TRUE(std::regex_match(Log(), line)) << Log();
}

TEST_F(LogTest, EmptyPathKeepsFileAndChangesLevel) {
  SetLOG("", 3);
  EXPECT_EQ(LogLevel(), 3);
  EXPECT_EQ(LogFilePath(), dir_ / "test.log");
  WriteLog("still here");
  EXPECT_NE(Log().find("still here"), std::string::npos);
}

TEST_F(LogTest, ForwarderGetsTextWithoutStamp) {
  std::vector<std::string> seen;
  SetLogForwarder([&](std::string_view t) { seen.emplace_back(t); });
  WriteLog("Association Rejected...");
  SetLogForwarder(nullptr);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "Association Rejected...");
}

TEST_F(LogTest, TrafficDumpOfTwentyReceivedBytes) {
  std::vector<uint8_t> block(20);
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<uint8_t>(0x41 + i);
  block[0] = 0x01;
  block[1] = '{';
  block[2] = '~';
  block[3] = ' ';
  DumpTraffic(block.data(), block.size(), false);
  std::string expected = "    20 << ";
  const char* hex = "01 7B 7E 20 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54 ";
  expected += hex;
  expected += "\r\n... EFGHIJKLMNOPQRST\r\n\r\n";
  EXPECT_EQ(Log(), expected);
}

TEST_F(LogTest, TrafficDumpCapsAt256Bytes) {
  std::vector<uint8_t> exact(256, 'A');
  DumpTraffic(exact.data(), exact.size(), true);
  EXPECT_EQ(Log().find("[MORE DATA...]"), std::string::npos);
  EXPECT_EQ(Log().substr(0, 10), "   256 >> ");

  std::vector<uint8_t> longer(257, 'B');
  DumpTraffic(longer.data(), longer.size(), true);
  const std::string log = Log();
  const size_t start = log.find("   257 >> ");
  ASSERT_NE(start, std::string::npos);
  const std::string second = log.substr(start);
  EXPECT_EQ(second.find(std::string(256 * 3, ' ')), std::string::npos);
  const std::string hexLine = second.substr(0, second.find("\r\n"));
  EXPECT_EQ(hexLine.size(), 10 + 256 * 3 + std::string(" [MORE DATA...]").size());
  const std::string charLine = second.substr(second.find("\r\n") + 2);
  EXPECT_EQ(charLine, std::string(256, 'B') + " [MORE DATA...]\r\n\r\n");
}

TEST_F(LogTest, ConcurrentWritersNeverInterleaveLines) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < 200; ++i)
        WriteLog("writer " + std::to_string(t) + std::string(100, 'x'));
    });
  }
  for (std::thread& w : writers)
    w.join();
  const std::regex line(R"(\d\d/\d\d/\d\d\d\d \d\d:\d\d:\d\d, writer \dx{100})");
  std::stringstream lines(Log());
  std::string l;
  int count = 0;
  while (std::getline(lines, l)) {
    EXPECT_TRUE(std::regex_match(l, line)) << l;
    ++count;
  }
  EXPECT_EQ(count, 800);
}

}  // namespace
}  // namespace norvane
