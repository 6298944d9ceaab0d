#pragma once

// The JSON document a subcommand writes on standard output with --json, in place of its
// text lines: "command", "ok", "exitCode", "elapsedMs", "reason" and, for the network
// subcommands, "peer"; then the subcommand's own fields in the order it adds them.

#include <chrono>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {
class PDU_Service;
}

namespace norvane::cli {

using Json = nlohmann::ordered_json;

struct Peer;

// What an association was agreed with, for the "association" object of "peer".
struct AcceptedContext {
  std::string abstractSyntax;
  std::string transferSyntax;
};
struct AssociationSummary {
  std::vector<AcceptedContext> acceptedContexts;
  std::string implementationClassUID;     // the peer's
  std::string implementationVersionName;  // the peer's; may be empty
  uint32_t maximumPDULength = 0;          // the peer's; 0 for no limit
};

// What an open association agreed: its accepted contexts and the peer's identity.
AssociationSummary AgreedWith(const PDU_Service& pdu);

// {"host", "port" (a number), "calledAET", "callingAET"}.
Json PeerJson(const Peer& peer);

// {"acceptedContexts": [{"abstractSyntax", "transferSyntax"}], "implementationClassUID",
// "implementationVersionName", "maximumPDULength"}.
Json AssociationJson(const AssociationSummary& association);

class JsonReport {
 public:
  // Starts the clock of "elapsedMs".
  explicit JsonReport(std::string_view command);

  void SetPeer(const Peer& peer);
  // "association" inside "peer", for a subcommand that made one.
  void SetAssociation(const AssociationSummary& association);

  // A field of the subcommand's own, added after the common ones.
  Json& operator[](const char* key) { return document_[key]; }

  // The whole document as text (two-space indent; bytes that are no UTF-8 replaced), with
  // "ok" true for exit status 0 and "reason" null for an empty text.
  std::string Finish(int exitCode, std::string_view reason);

 private:
  Json document_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace norvane::cli
