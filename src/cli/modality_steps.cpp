#include "cli/modality_steps.hpp"

#include <map>

#include "cli/file_arguments.hpp"
#include "cli/operation_report.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/worklist_identifier.hpp"
#include "scp/commitment_listener.hpp"

namespace norvane::cli {

std::vector<OptionSpec> ModalityOptions(std::initializer_list<OptionSpec> own, bool step,
                                        bool commit) {
  std::vector<OptionSpec> specs = NetworkOptionsAnd(own);
  if (step) specs.insert(specs.end(), std::begin(kStepOptions), std::end(kStepOptions));
  if (commit) specs.insert(specs.end(), std::begin(kCommitOptions), std::end(kCommitOptions));
  return specs;
}

std::optional<TWorklistItem> ReadWorklistItemFile(const std::string& file, std::string& problem) {
  const DicomFileContent content = DICOMFile(file);
  if (!content.Ok()) {
    problem = file + ": " + std::string(Describe(content.status));
    return std::nullopt;
  }
  TWorklistItem item;
  ElementReaderState encoding;
  encoding.explicitVR = content.explicitVR;
  encoding.bigEndian = content.bigEndian;
  ParseWorklistResponse(item, content.dataset, encoding);
  return item;
}

PerformedStepStart StepStartOf(const ParsedArgs& args, const Peer& peer) {
  PerformedStepStart step;
  step.stepID = args.Value("--step-id").value_or("");
  step.stationAETitle = peer.callingAET;
  step.stationName = args.Value("--station-name").value_or("");
  step.location = args.Value("--location").value_or("");
  step.description = args.Value("--description").value_or("");
  step.modality = args.Value("--modality").value_or("");
  step.studyID = args.Value("--study-id").value_or("");
  return step;
}

std::vector<std::string> FilesOfArguments(const std::vector<std::string>& arguments,
                                          std::string& problem) {
  std::vector<std::string> emptyFolders;
  std::vector<std::string> files = ExpandFileArguments(arguments, emptyFolders);
  if (!emptyFolders.empty()) problem = emptyFolders.front() + " holds no DICOM files";
  return files;
}

std::optional<CommitSettings> CommitSettingsOf(const ParsedArgs& args, std::string& problem) {
  CommitSettings settings;
  if (const auto port = args.Value("--listen-port")) {
    const std::optional<long> number = ParseNumber(*port);
    if (!number || *number < 1 || *number > 65535) {
      problem = "--listen-port takes a port number from 1 to 65535, not '" + *port + "'";
      return std::nullopt;
    }
    settings.listenPort = *port;
  }
  settings.loopbackOnly = args.Has("--loopback");
  if (const auto timeout = args.Value("--commit-timeout")) {
    const std::optional<std::chrono::milliseconds> seconds = ParseSeconds(*timeout);
    if (!seconds || seconds->count() == 0) {
      problem = "--commit-timeout takes a number of seconds above 0, not '" + *timeout + "'";
      return std::nullopt;
    }
    settings.timeout = *seconds;
  }
  return settings;
}

CommitResult CommitWithSettings(const Peer& peer, const std::vector<InstanceReference>& refs,
                                const CommitSettings& settings) {
  CommitListener listener;
  if (settings.listenPort) {
    const std::string problem =
        listener.Start(*settings.listenPort, peer.callingAET, settings.loopbackOnly);
    if (!problem.empty()) {
      CommitResult failed;
      failed.Set(ServiceResult::Failed(ServiceFailure::kLocal, problem));
      return failed;
    }
  }
  return CommitSCU(peer.Parameters(), refs, settings.timeout,
                   settings.listenPort ? listener.Elsewhere() : ReportElsewhere{});
}

size_t ReportCommitment(Invocation& run, const CommitResult& result,
                        const std::vector<InstanceHeader>& headers) {
  std::map<std::string, std::optional<uint16_t>> outcome;  // nullopt: committed
  if (result.report) {
    for (const InstanceReference& ref : result.report->committed) {
      outcome.emplace(ref.sopInstance, std::nullopt);
    }
    for (const FailedInstance& failed : result.report->failed) {
      outcome.emplace(failed.reference.sopInstance, failed.reason);
    }
  }
  run.Report()["transactionUID"] = result.transactionUID;
  run.Report()["reportOnNewAssociation"] = result.onNewAssociation;
  Json instances = Json::array();
  size_t notCommitted = 0;
  for (const InstanceHeader& header : headers) {
    const std::string& uid = header.reference.sopInstance;
    const auto found = outcome.find(uid);
    Json entry = {
        {"file", header.file}, {"sopClassUID", header.reference.sopClass}, {"sopInstanceUID", uid}};
    std::string line;
    if (found != outcome.end() && !found->second) {
      entry["committed"] = true;
      line = "committed " + uid + " (" + header.file + ")";
    } else {
      ++notCommitted;
      entry["committed"] = false;
      std::string why = "not named in the report";
      if (!result.report) why = "no report";
      if (found != outcome.end()) {
        why = FailureReasonText(*found->second) + " (" + StatusText(*found->second) + ")";
        entry["failureReason"] = *found->second;
      }
      entry["reason"] = why;
      line = "failed " + uid + " (" + header.file + "): " + why;
    }
    run.OutPeerText(line);
    instances.push_back(std::move(entry));
  }
  run.Report()["instances"] = std::move(instances);
  return notCommitted;
}

}  // namespace norvane::cli
