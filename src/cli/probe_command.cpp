// norvane probe HOST PORT: which SOP classes a node accepts, with which transfer syntaxes.

#include <cstdio>
#include <string>

#include "app/query_operation.hpp"
#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/json_report.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "dimse/negotiation_probe.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane probe [HOST PORT] [options]\n\n"
      "Asks a node which SOP classes and transfer syntaxes it accepts. Each SOP class is\n"
      "proposed once per transfer syntax, each in a presentation context of its own, so\n"
      "that the node decides on every pair: Verification; the storage classes of CR, DX,\n"
      "MG, CT, MR, US, SC, XA, RF, NM, PET and RT images with implicit, explicit little and\n"
      "big endian, JPEG Baseline, JPEG Extended, JPEG Lossless SV1, JPEG-LS lossless,\n"
      "JPEG 2000 lossless and RLE; SR, PDF, ECG, RT and presentation state storage with\n"
      "the uncompressed syntaxes and deflate; Patient and Study Root Query/Retrieve FIND,\n"
      "MOVE and GET, Modality Worklist FIND, Basic Grayscale and Color Print Management and\n"
      "Presentation LUT with the uncompressed syntaxes. An association holds at most 128\n"
      "contexts, so the proposals go out in as few associations as that allows, each with\n"
      "Verification beside them; each is released at once.\n\n"
      "Prints the node's implementation class UID, implementation version name and\n"
      "maximum PDU length from its first A-ASSOCIATE-AC, the numbers of associations and\n"
      "of presentation contexts proposed and accepted, then one line per SOP class:\n"
      "  \"NAME (UID): SYNTAX, SYNTAX\" with the accepted transfer syntaxes, or\n"
      "  \"NAME (UID): not accepted (WHY)\", WHY being the node's result for the class\n"
      "  (abstract syntax not supported, transfer syntaxes not supported, rejected by the\n"
      "  user, no reason, or not answered when its association was not accepted).\n\n"
      "options:\n%s%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 at least one association was accepted, 1 none was or an answer broke\n"
      "the protocol (contexts or transfer syntaxes never proposed), 2 bad command\n"
      "line\n",
      kNetworkHelp, kJsonHelp);
}

std::string_view ResultText(int result) {
  switch (result) {
    case 1:
      return "rejected by the user";
    case 2:
      return "rejected, no reason";
    case 3:
      return "abstract syntax not supported";
    case 4:
      return "transfer syntaxes not supported";
    default:
      return "not answered";
  }
}

// One line per class: the accepted syntaxes, or the answer to its first context; and the
// class's JSON entry.
void ReportClasses(Invocation& run, const ProbeReport& report) {
  Json classes = Json::array();
  size_t at = 0;
  for (const ProbedClass& probed : ProbedClasses()) {
    std::string accepted;
    Json syntaxes = Json::array();
    int refusal = ProbedContext::kNotAnswered;
    for (size_t i = 0; i < probed.transferSyntaxes.size(); ++i, ++at) {
      const ProbedContext& context = report.contexts[at];
      if (context.result == 0) {
        accepted += (accepted.empty() ? "" : ", ") +
                    std::string(TransferSyntaxName(context.transferSyntax));
        syntaxes.push_back(context.transferSyntax);
      } else if (refusal == ProbedContext::kNotAnswered || refusal == 4) {
        refusal = context.result;
      }
    }
    std::string line = std::string(probed.name) + " (" + std::string(probed.uid) + "): ";
    line += accepted.empty() ? "not accepted (" + std::string(ResultText(refusal)) + ")" : accepted;
    run.Out(line);
    classes.push_back({{"name", probed.name},
                       {"uid", probed.uid},
                       {"acceptedTransferSyntaxes", std::move(syntaxes)},
                       {"refusal", accepted.empty() ? Json(ResultText(refusal)) : Json(nullptr)}});
  }
  run.Report()["classes"] = std::move(classes);
}

// What the node agreed to, over all the probe's associations: the identity from its first
// A-ASSOCIATE-AC and every accepted context.
AssociationSummary Agreed(const ProbeReport& report) {
  AssociationSummary summary;
  summary.implementationClassUID = report.implementationClassUID;
  summary.implementationVersionName = report.implementationVersionName;
  summary.maximumPDULength = report.maximumLength;
  for (const ProbedContext& context : report.contexts) {
    if (context.result == 0) {
      summary.acceptedContexts.push_back(
          {std::string(context.sopClass), std::string(context.transferSyntax)});
    }
  }
  return summary;
}

}  // namespace

std::vector<OptionSpec> ProbeOptions() {
  return NetworkOptionsAnd({});
}

int RunProbe(int argc, char** argv) {
  Invocation run("probe", argc, argv, ProbeOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 0, peer)) return *status;

  const ProbeReport report = ProbeNode(peer.Parameters());
  for (const std::string& problem : report.problems) {
    ReportReason("probe", problem);
  }
  run.Report()["associations"] = {{"requested", report.associations},
                                  {"accepted", report.accepted}};
  run.Report()["presentationContexts"] = {{"proposed", report.proposedContexts},
                                          {"accepted", report.acceptedContexts}};
  if (report.accepted == 0) {
    run.Out(kAssociationFailedLine);
    ReportOperation(run, "PROBE", false, peer);
    return run.Finish(1, report.reason);
  }
  run.Report().SetAssociation(Agreed(report));
  // Both texts come from the peer.
  run.OutPeerText("implementation class UID: " + report.implementationClassUID);
  run.OutPeerText("implementation version name: " + report.implementationVersionName);
  run.Out("maximum PDU length: " + std::to_string(report.maximumLength));
  run.Out("associations: " + std::to_string(report.associations) + " requested, " +
          std::to_string(report.accepted) + " accepted");
  run.Out("presentation contexts: " + std::to_string(report.proposedContexts) + " proposed, " +
          std::to_string(report.acceptedContexts) + " accepted");
  ReportClasses(run, report);
  // A node that answers what was never proposed is the finding, whatever else it accepted.
  if (!report.violation.empty()) return run.Finish(1, report.violation);
  return run.Finish(0);
}

}  // namespace norvane::cli
