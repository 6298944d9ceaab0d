#include "dimse/negotiation_probe.hpp"

#include <algorithm>
#include <map>

#include "dimse/storage_classes.hpp"
#include "log/log.hpp"
#include "net/pdu_layout.hpp"
#include "net/requester_association.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

constexpr std::string_view kDeflated = "1.2.840.10008.1.2.1.99";
constexpr std::string_view kJPEGExtended = "1.2.840.10008.1.2.4.51";
constexpr std::string_view kJPEGLSLossless = "1.2.840.10008.1.2.4.80";
constexpr std::string_view kJPEG2000Lossless = "1.2.840.10008.1.2.4.90";
constexpr std::string_view kRLELossless = "1.2.840.10008.1.2.5";

const std::vector<std::string_view> kUncompressed = {
    uid::kImplicitVRLittleEndian, uid::kExplicitVRLittleEndian, uid::kExplicitVRBigEndian};

struct SyntaxName {
  std::string_view uid;
  std::string_view name;
};
constexpr SyntaxName kSyntaxNames[] = {
    {uid::kImplicitVRLittleEndian, "Implicit VR Little Endian"},
    {uid::kExplicitVRLittleEndian, "Explicit VR Little Endian"},
    {uid::kExplicitVRBigEndian, "Explicit VR Big Endian"},
    {kDeflated, "Deflated Explicit VR Little Endian"},
    {uid::kJPEGBaseline, "JPEG Baseline"},
    {kJPEGExtended, "JPEG Extended"},
    {uid::kJPEGLossless, "JPEG Lossless SV1"},
    {kJPEGLSLossless, "JPEG-LS Lossless"},
    {kJPEG2000Lossless, "JPEG 2000 Lossless"},
    {kRLELossless, "RLE Lossless"},
};

// The contexts of one association: Verification first, then a run of the proposals.
struct ProposalRun {
  size_t first = 0;
  size_t count = 0;
};

// Proposes one run; fills the answers of its contexts and the report's peer details.
void ProbeRun(const AssociationParameters& peer, ProposalRun run, bool verificationToo,
              ProbeReport& report) {
  std::vector<ContextProposal> proposals;
  proposals.push_back(
      {std::string(uid::kVerification), {std::string(uid::kImplicitVRLittleEndian)}});
  for (size_t i = run.first; i < run.first + run.count; ++i) {
    const ProbedContext& context = report.contexts[i];
    proposals.push_back({std::string(context.sopClass), {std::string(context.transferSyntax)}});
  }
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  ++report.associations;
  if (!pdu.Propose(peer.callingAETitle, peer.calledAETitle, proposals)) {
    report.problems.push_back("the contexts could not be proposed");
    return;
  }
  pdu.SetTimeouts(peer.timeouts);
  pdu.SetTls(peer.tls);
  const ServiceResult connected = pdu.Connect(peer.host, peer.port);
  // An association with nothing accepted still names the peer and answers each context.
  const bool answered = connected || connected.failure == ServiceFailure::kNoPresentationContext;
  if (!answered) {
    if (connected.failure == ServiceFailure::kProtocol && report.violation.empty()) {
      report.violation = connected.reason;
    }
    report.problems.push_back(connected.reason);
    if (report.problems.size() == 1) report.Set(connected);
    return;
  }
  ++report.accepted;
  if (report.implementationClassUID.empty()) {
    report.implementationClassUID = pdu.Peer().implementationClassUID;
    report.implementationVersionName = pdu.Peer().implementationVersionName;
    report.maximumLength = pdu.Peer().maximumLength;
  }
  // The answers in proposal order: the first is Verification.
  const std::vector<NegotiatedContext>& answers = pdu.Contexts();
  for (const NegotiatedContext& context : answers) {
    if (context.Accepted()) ++report.acceptedContexts;
  }
  report.proposedContexts += proposals.size();
  if (verificationToo) report.contexts.front().result = answers[0].result;
  for (size_t i = 0; i < run.count; ++i) {
    report.contexts[run.first + i].result = answers[i + 1].result;
  }
  if (pdu.Connected()) (void)pdu.ReleaseAssociation();
}

}  // namespace

const std::vector<ProbedClass>& ProbedClasses() {
  static const std::vector<ProbedClass> classes = [] {
    std::vector<ProbedClass> all;
    all.push_back({uid::kVerification, "Verification", {uid::kImplicitVRLittleEndian}});
    for (const StorageClass& storage : CommonStorageClasses()) {
      std::vector<std::string_view> syntaxes = kUncompressed;
      if (storage.image) {
        syntaxes.insert(syntaxes.end(), {uid::kJPEGBaseline, kJPEGExtended, uid::kJPEGLossless,
                                         kJPEGLSLossless, kJPEG2000Lossless, kRLELossless});
      } else {
        syntaxes.push_back(kDeflated);
      }
      all.push_back({storage.uid, storage.name, std::move(syntaxes)});
    }
    const ProbedClass services[] = {
        {"1.2.840.10008.5.1.4.1.2.1.1", "Patient Root Query/Retrieve - FIND", kUncompressed},
        {uid::kPatientRootQueryRetrieveMove, "Patient Root Query/Retrieve - MOVE", kUncompressed},
        {uid::kPatientRootQueryRetrieveGet, "Patient Root Query/Retrieve - GET", kUncompressed},
        {uid::kStudyRootQueryRetrieveFind, "Study Root Query/Retrieve - FIND", kUncompressed},
        {uid::kStudyRootQueryRetrieveMove, "Study Root Query/Retrieve - MOVE", kUncompressed},
        {uid::kStudyRootQueryRetrieveGet, "Study Root Query/Retrieve - GET", kUncompressed},
        {uid::kModalityWorklistFind, "Modality Worklist Information Model - FIND", kUncompressed},
        {uid::kBasicGrayscalePrintManagementMeta, "Basic Grayscale Print Management Meta",
         kUncompressed},
        {uid::kBasicColorPrintManagementMeta, "Basic Color Print Management Meta", kUncompressed},
        {"1.2.840.10008.5.1.1.23", "Presentation LUT", kUncompressed},
    };
    all.insert(all.end(), std::begin(services), std::end(services));
    return all;
  }();
  return classes;
}

std::string_view TransferSyntaxName(std::string_view uid) {
  for (const SyntaxName& syntax : kSyntaxNames) {
    if (syntax.uid == uid) return syntax.name;
  }
  return uid;
}

ProbeReport ProbeNode(const AssociationParameters& peer) {
  ProbeReport report;
  for (const ProbedClass& probed : ProbedClasses()) {
    for (std::string_view syntax : probed.transferSyntaxes) {
      report.contexts.push_back({probed.uid, syntax});
    }
  }
  // Context 0 is Verification, proposed in every association; the rest go in runs that
  // fill each association up to the limit beside it.
  const size_t perAssociation = kMaxPresentationContexts - 1;
  bool verificationToo = true;
  for (size_t first = 1; first < report.contexts.size(); first += perAssociation) {
    const size_t count = std::min(perAssociation, report.contexts.size() - first);
    ProbeRun(peer, {first, count}, verificationToo, report);
    // A node that cannot be reached will not be reached by the next association either.
    if (report.failure == ServiceFailure::kConnection) break;
    verificationToo = report.accepted == 0;
  }
  if (!report.violation.empty()) {
    report.Set(ServiceResult::Failed(ServiceFailure::kProtocol, report.violation));
  } else if (report.accepted > 0) {
    report.Set(ServiceResult::Success());
  }
  return report;
}

}  // namespace norvane
