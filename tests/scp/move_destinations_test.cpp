#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "scp/move_destinations.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

TEST(MoveDestinations, ParsesAetHostPortAndRefusesTheRest) {
  const struct {
    const char* text;
    bool parses;
    const char* aeTitle;
    const char* host;
    const char* port;
    bool tls = false;
  } cases[] = {
      {"MOVEDEST=127.0.0.1:11121", true, "MOVEDEST", "127.0.0.1", "11121"},
      {" VIEWER = localhost : 104 ", true, "VIEWER", "localhost", "104"},
      {"EXACTLY16CHARSAE=h:1", true, "EXACTLY16CHARSAE", "h", "1"},
      {"SECURE=pacs.example:2762:tls", true, "SECURE", "pacs.example", "2762", true},
      {"DEST=host:tls", false, "", "", ""},
      {"DEST=host:104:ssl", false, "", "", ""},
      {"SEVENTEEN_CHARSAE=h:1", false, "", "", ""},
      {"=h:1", false, "", "", ""},
      {"A\\B=h:1", false, "", "", ""},
      {"DEST=:104", false, "", "", ""},
      {"DEST=host", false, "", "", ""},
      {"DEST=host:0", false, "", "", ""},
      {"DEST=host:65536", false, "", "", ""},
      {"DEST=host:10x", false, "", "", ""},
      {"host:104", false, "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::optional<MoveDestination> destination = ParseMoveDestination(c.text, error);
    ASSERT_EQ(destination.has_value(), c.parses) << error;
    if (!c.parses) {
      EXPECT_NE(error.find(c.text), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(destination->aeTitle, c.aeTitle);
    EXPECT_EQ(destination->host, c.host);
    EXPECT_EQ(destination->port, c.port);
    EXPECT_EQ(destination->tls, c.tls);
  }
}

TEST(MoveDestinations, FileSkipsCommentsAndNamesTheBadLine) {
  testing::TempDir dir;
  {
    std::ofstream file(dir / "dest.cfg");
    file << "# destinations\n\nVIEWER=127.0.0.1:4000\r\n  # indented comment\nPACS=pacs:104\n";
  }
  std::string error;
  const auto destinations = ReadMoveDestinations(dir / "dest.cfg", error);
  ASSERT_TRUE(destinations) << error;
  ASSERT_EQ(destinations->size(), 2u);
  EXPECT_EQ(FindMoveDestination(*destinations, "PACS  ")->host, "pacs");
  EXPECT_EQ(FindMoveDestination(*destinations, "VIEWER")->port, "4000");
  EXPECT_EQ(FindMoveDestination(*destinations, "viewer"), nullptr) << "titles keep their case";

  {
    std::ofstream file(dir / "bad.cfg");
    file << "VIEWER=127.0.0.1:4000\nPACS pacs 104\n";
  }
  EXPECT_FALSE(ReadMoveDestinations(dir / "bad.cfg", error));
  EXPECT_NE(error.find("bad.cfg line 2"), std::string::npos) << error;
  EXPECT_FALSE(ReadMoveDestinations(dir / "missing.cfg", error));
}

}  // namespace
}  // namespace norvane
