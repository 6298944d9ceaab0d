#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "dimse/verification.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "ECHO";

void PrintHelp() {
  std::printf(
      "usage: norvane echo [HOST PORT] [options]\n\n"
      "Verifies a DICOM node: opens an association proposing the Verification SOP class\n"
      "with implicit VR little endian, sends one C-ECHO request and releases. Prints\n"
      "\"ECHO OK\", or \"ECHO failed to connect to: AEC (HOST:PORT)\" for every failure\n"
      "(no connection, association rejected or aborted, a time-out, no or unsuccessful\n"
      "response), after the reason on standard error and in the log, e.g.\n"
      "  norvane echo: association rejected (permanent) by the service user: called AE\n"
      "  title not recognized\n"
      "  norvane echo: no answer to the A-ASSOCIATE-RQ within 30 s (ACSE time-out)\n\n"
      "options:\n%s%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 ECHO OK, 1 echo failed, 2 bad command line\n",
      kNetworkHelp, kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> EchoOptions() {
  return NetworkOptionsAnd({});
}

int RunEcho(int argc, char** argv) {
  Invocation run("echo", argc, argv, EchoOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 0, peer)) return *status;

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const ServiceResult result = EchoSCU(peer.Parameters());
  ReportFailureReason("echo", result);
  ReportOperation(run, kOperation, result.Ok(), peer);
  return run.Finish(result.Ok() ? 0 : 1, result.reason);
}

}  // namespace norvane::cli
