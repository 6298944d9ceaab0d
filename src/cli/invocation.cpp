#include "cli/invocation.hpp"

#include <cstdio>

#include "dictionary/uid_names.hpp"
#include "net/pdu_service.hpp"
#include "platform/terminal_text.hpp"

namespace norvane::cli {

Invocation::Invocation(std::string_view subcommand, int argc, char** argv,
                       std::span<const OptionSpec> specs)
    : name_(subcommand), args_(ParseArgs(argc, argv, specs)), report_(subcommand) {}

std::optional<int> Invocation::Start(void (*printHelp)()) {
  if (args_.help) {
    printHelp();
    return 0;
  }
  if (!args_.error.empty()) return Usage(args_.error);
  return std::nullopt;
}

std::optional<int> Invocation::StartNetwork(void (*printHelp)(), size_t requiredAfter, Peer& peer) {
  if (const std::optional<int> status = Start(printHelp)) return status;
  std::string problem;
  peer = ResolvePeer(args_, requiredAfter, problem);
  if (!problem.empty()) return Usage(problem);
  if (requiredAfter == 0 && !args_.positionals.empty()) {
    return Usage("expected HOST PORT, got '" + TerminalText(args_.positionals.front()) + "'");
  }
  problem = ApplyTimeoutOptions(args_, peer);
  if (problem.empty()) problem = ApplyTlsOptions(peer.tls);
  if (problem.empty()) problem = ApplyLogOptions(args_, peer.logLevel);
  if (!problem.empty()) return Usage(problem);
  report_.SetPeer(peer);
  peer.accepted = [this](const PDU_Service& pdu) {
    std::lock_guard lock(associationMutex_);
    if (associationReported_) return;
    associationReported_ = true;
    report_.SetAssociation(AgreedWith(pdu));
  };
  return std::nullopt;
}

std::string Invocation::ApplyTlsOptions(TlsSettings& tls) {
  std::string warning;
  std::string problem = cli::ApplyTlsOptions(args_, tls, warning);
  if (problem.empty() && !warning.empty()) {
    std::fprintf(stderr, "norvane %s: %s\n", name_.c_str(), warning.c_str());
    std::fflush(stderr);
  }
  return problem;
}

void Invocation::Out(std::string_view line) {
  if (Json()) return;
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

void Invocation::OutPeerText(std::string_view line) {
  if (!Json()) PrintPeerText(stdout, line);
}

int Invocation::Usage(std::string_view problem) {
  std::fflush(stdout);
  std::fprintf(stderr, "norvane %s: %s (see norvane %s --help)\n", name_.c_str(),
               TerminalText(problem).c_str(), name_.c_str());
  std::fflush(stderr);
  return Finish(2, problem);
}

int Invocation::Finish(int exitCode, std::string_view reason) {
  if (Json()) {
    const std::string document = report_.Finish(exitCode, NameUIDsInText(reason));
    std::fwrite(document.data(), 1, document.size(), stdout);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);
  return exitCode;
}

}  // namespace norvane::cli
