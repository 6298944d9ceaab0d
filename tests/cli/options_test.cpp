#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane::cli {
namespace {

constexpr OptionSpec kStoreOptions[] = {
    {"--aet", true}, {"--aec", true}, {"--ts", true}, {"--no-convert", false}, {"-v", false}};

ParsedArgs Parse(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& w : words)
    argv.push_back(w.data());
  return ParseArgs(static_cast<int>(argv.size()), argv.data(), kStoreOptions);
}

TEST(CliOptions, PeerComesFirstWhenSecondWordIsAPort) {
  ParsedArgs args = Parse({"pacs", "11112", "a.dcm", "b.dcm", "--aec", "ARCHIVE"});
  ASSERT_TRUE(args.error.empty()) << args.error;
  std::string problem;
  const Peer peer = ResolvePeer(args, 1, problem);
  EXPECT_EQ(problem, "");
  EXPECT_EQ(peer.host, "pacs");
  EXPECT_EQ(peer.port, "11112");
  EXPECT_EQ(peer.calledAET, "ARCHIVE");
  EXPECT_EQ(args.positionals, (std::vector<std::string>{"a.dcm", "b.dcm"}));
}

TEST(CliOptions, WithoutPeerTheSettingsDefaultsApply) {
  ParsedArgs args = Parse({"a.dcm", "--ts=lossless", "--no-convert"});
  std::string problem;
  const Peer peer = ResolvePeer(args, 1, problem);
  EXPECT_EQ(problem, "");
  EXPECT_EQ(peer.host, "127.0.0.1");
  EXPECT_EQ(peer.port, "104");
  EXPECT_EQ(peer.callingAET, "local");
  EXPECT_EQ(args.Value("--ts"), "lossless");
  EXPECT_TRUE(args.Has("--no-convert"));
  EXPECT_EQ(args.positionals, std::vector<std::string>{"a.dcm"});
}

TEST(CliOptions, ASecondWordMeantAsAPortMustBeOne) {
  const struct {
    std::vector<std::string> words;
    size_t requiredAfter;
    const char* problem;
  } cases[] = {
      {{"pacs", "0", "a.dcm"}, 1, "port '0' is not a number from 1 to 65535"},
      {{"pacs", "65536", "a.dcm"}, 1, "port '65536' is not a number from 1 to 65535"},
      {{"a.dcm", "b.dcm"}, 1, ""},  // two files
      {{"pacs", "dicom"}, 0, "port 'dicom' is not a number from 1 to 65535"},
      {{"pacs", "104", "--aet", "ABCDEFGHIJKLMNOPQ"},
       0,
       "--aet 'ABCDEFGHIJKLMNOPQ' is longer than 16 characters, the most an AE title holds"},
      {{"pacs", "104", "--aec", " "}, 0, "--aec needs an AE title of 1 to 16 characters"},
      {{"pacs", "104", "--aec", "ABCDEFGHIJKLMNOP"}, 0, ""},
  };
  for (const auto& c : cases) {
    ParsedArgs args = Parse(c.words);
    std::string problem;
    ResolvePeer(args, c.requiredAfter, problem);
    EXPECT_EQ(problem, c.problem) << ::testing::PrintToString(c.words);
  }
}

TEST(CliOptions, JsonIsSeenEvenOnABadCommandLine) {
  EXPECT_TRUE(Parse({"--bogus", "--json"}).json);
  EXPECT_FALSE(Parse({"--", "--json"}).json);
  EXPECT_EQ(Parse({"--json", "a.dcm"}).positionals, std::vector<std::string>{"a.dcm"});
}

TEST(CliOptions, BadCommandLinesAreReported) {
  EXPECT_EQ(Parse({"--bogus"}).error, "unknown option '--bogus'");
  EXPECT_EQ(Parse({"--ts"}).error, "option '--ts' needs a value");
  EXPECT_EQ(Parse({"--no-convert=1"}).error, "option '--no-convert' takes no value");
  EXPECT_TRUE(Parse({"--help"}).help);
}

TEST(CliOptions, NumbersAreWholeDecimals) {
  EXPECT_EQ(ParseNumber("104"), 104);
  EXPECT_FALSE(ParseNumber("10x"));
  EXPECT_FALSE(ParseNumber(""));
  EXPECT_FALSE(ParseNumber("-3"));
}

}  // namespace
}  // namespace norvane::cli
