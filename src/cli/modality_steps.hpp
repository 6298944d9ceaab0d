#pragma once

// What mpps, commit and workflow share: the worklist item a step is performed for, the
// options that describe the step, the listener a commitment report may come to, and the
// lines that tell how each instance fared.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "dimse/instance_headers.hpp"
#include "dimse/mpps_scu.hpp"
#include "dimse/storage_commitment_scu.hpp"
#include "dimse/worklist_item.hpp"

namespace norvane::cli {

// The options of the step a modality starts (mpps create, workflow).
inline constexpr OptionSpec kStepOptions[] = {{"--step-id", true},  {"--station-name", true},
                                              {"--location", true}, {"--description", true},
                                              {"--modality", true}, {"--study-id", true}};
inline constexpr const char* kStepHelp =
    "  --step-id ID       Performed Procedure Step ID (default: the scheduled step's ID,\n"
    "                     else 1)\n"
    "  --station-name NAME, --location TEXT, --description TEXT, --study-id ID\n"
    "                     Performed Station Name, Performed Location, Performed Procedure\n"
    "                     Step Description (default: the scheduled step's), Study ID\n"
    "  --modality CS      Modality (default: the worklist item's)\n";

// The commitment options (commit, workflow).
inline constexpr OptionSpec kCommitOptions[] = {
    {"--listen-port", true}, {"--loopback", false}, {"--commit-timeout", true}};
inline constexpr const char* kCommitHelp =
    "  --listen-port N    also accept the report on a new association: listen on port N for\n"
    "                     the Storage Commitment Push Model class (SCP role granted to the\n"
    "                     caller; our --aet is the title it calls). The first association is\n"
    "                     then released 1.5 s after the N-ACTION-RSP if no report came on it\n"
    "  --loopback         listen on 127.0.0.1 only (default: every local address)\n"
    "  --commit-timeout S wait at most S seconds (decimals allowed) for the report after the\n"
    "                     N-ACTION-RSP (default 60)\n";

// The options of one subcommand: the network ones, then `own`, then the tables given.
std::vector<OptionSpec> ModalityOptions(std::initializer_list<OptionSpec> own, bool step,
                                        bool commit);

// The worklist item of a .wl or other DICOM file. Nothing, with `problem` set, when the
// file cannot be read.
std::optional<TWorklistItem> ReadWorklistItemFile(const std::string& file, std::string& problem);

// The step's start as the options and the peer's calling title give it.
PerformedStepStart StepStartOf(const ParsedArgs& args, const Peer& peer);

// The files FILE and FOLDER arguments stand for (a folder's DICOM files); `problem` names
// a folder without DICOM files.
std::vector<std::string> FilesOfArguments(const std::vector<std::string>& arguments,
                                          std::string& problem);

// --listen-port and --commit-timeout.
struct CommitSettings {
  std::optional<std::string> listenPort;
  bool loopbackOnly = false;
  std::chrono::milliseconds timeout{std::chrono::seconds(60)};
};
std::optional<CommitSettings> CommitSettingsOf(const ParsedArgs& args, std::string& problem);

// One commitment with the options: the listener when --listen-port asks for one.
CommitResult CommitWithSettings(const Peer& peer, const std::vector<InstanceReference>& refs,
                                const CommitSettings& settings);

// Prints one line per instance ("committed UID (FILE)", "failed UID (FILE): no such object
// instance (0x0112)") and adds "transactionUID", "reportOnNewAssociation" and "instances" to
// the JSON document. Returns how many were not committed (an instance the report does not
// name counts as not committed).
size_t ReportCommitment(Invocation& run, const CommitResult& result,
                        const std::vector<InstanceHeader>& headers);

}  // namespace norvane::cli
