#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "log/log.hpp"
#include "net/verification.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "ECHO";

void PrintHelp() {
  std::printf(
      "usage: norvane echo [HOST PORT] [options]\n\n"
      "Verifies a DICOM node: opens an association proposing the Verification SOP class\n"
      "with implicit VR little endian, sends one C-ECHO request and releases. Prints\n"
      "\"ECHO OK\", or \"ECHO failed to connect to: AEC (HOST:PORT)\" for every failure\n"
      "(no connection, association rejected, no or unsuccessful response), after the\n"
      "reason on standard error.\n\n"
      "options:\n%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 ECHO OK, 1 echo failed, 2 bad command line\n",
      kNetworkHelp);
}

}  // namespace

int RunEcho(int argc, char** argv) {
  ParsedArgs args = ParseArgs(argc, argv, kNetworkOptions);
  if (args.help) {
    PrintHelp();
    return 0;
  }
  if (!args.error.empty()) {
    std::fprintf(stderr, "norvane echo: %s (see norvane echo --help)\n", args.error.c_str());
    return 2;
  }
  Peer peer = ResolvePeer(args, 0);
  if (!args.positionals.empty()) {
    std::fprintf(stderr, "norvane echo: expected HOST PORT, got '%s' (see norvane echo --help)\n",
                 args.positionals.front().c_str());
    return 2;
  }
  if (!ApplyLogOptions(args, peer.logLevel)) return 2;

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const ServiceResult result = EchoSCU(peer.host, peer.port, peer.callingAET, peer.calledAET);
  ReportFailureReason("echo", result);
  ReportOperation(kOperation, result.Ok(), peer);
  return result.Ok() ? 0 : 1;
}

}  // namespace norvane::cli
