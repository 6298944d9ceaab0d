// norvane print against DCMTK's dcmprscp.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cli_runs.hpp"
#include "support/dcmprscp_peer.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Norvane;

using testing::DcmprscpPeer;
using testing::RunResult;

TEST(PrintCommandAgainstDcmprscp, CtSmallPrintsOkAndAClosedPortFails) {
  NORVANE_REQUIRE_PROGRAMS("dcmprscp", "echoscu");
  DcmprscpPeer printer;
  ASSERT_TRUE(printer.Start()) << printer.Log();
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const RunResult print = Norvane({"print", "127.0.0.1", printer.Port(), file, "--aec",
                                   DcmprscpPeer::kTitle, "--size", "8INX10IN"});
  EXPECT_EQ(print.exitCode, 0) << print.output << printer.Log();
  EXPECT_EQ(print.output, "PRINT OK\n");
  ASSERT_TRUE(printer.WaitForRequests(6)) << printer.Log();
  EXPECT_EQ(printer.Requests().size(), 6u);
  EXPECT_EQ(printer.Spooled("HG_").size(), 1u);
  EXPECT_NE(printer.Log().find("8INX10IN"), std::string::npos);

  const std::string closed = std::to_string(testing::FreePort());
  const RunResult failed =
      Norvane({"print", "127.0.0.1", closed, file, "--aec", DcmprscpPeer::kTitle});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.output.find("PRINT failed to connect to: PRINTSCP (127.0.0.1:" + closed + ")\n"),
            std::string::npos)
      << failed.output;
}

}  // namespace
}  // namespace norvane
