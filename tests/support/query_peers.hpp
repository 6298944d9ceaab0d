#pragma once

// DCMTK's query/retrieve SCP (dcmqrscp) and modality worklist SCP (wlmscpfs) on loopback
// ports, and readers for what findscu prints.

#include <cstdint>
#include <string>
#include <vector>

#include "support/peers.hpp"

namespace norvane::testing {

inline constexpr const char* kQueryRetrieveTitle = "QRSCP";
inline constexpr const char* kWorklistTitle = "WLMSCP";

// pydicom's dicomdirtests: 31 small CR/CT/MR images of 2 patients, 6 studies, 13 series.
std::vector<std::string> DicomdirTestFolders();

// dcmqrscp with one database under the called title QRSCP, which anyone may query.
class QueryRetrieveSCP {
 public:
  struct Destination {
    std::string aeTitle;
    uint16_t port = 0;
  };

  // Writes the configuration under `folder` (HostTable: the move destinations, all on
  // 127.0.0.1), starts dcmqrscp on a free port and waits until it answers C-ECHO.
  bool Start(const std::string& folder, const std::vector<Destination>& destinations);
  // Stores the dicomdirtests images into it with storescu; false with storescu's output.
  bool LoadDicomdirTests(std::string& output);
  void Stop() { process_.Stop(); }

  uint16_t port() const { return port_; }
  std::string Port() const { return std::to_string(port_); }
  std::string Log() const { return process_.Log(); }

 private:
  PeerProcess process_;
  uint16_t port_ = 0;
};

// One scheduled procedure step for wlmscpfs.
struct WorklistEntry {
  std::string accession;
  std::string patientName;
  std::string patientID;
  std::string birthDate;
  std::string sex;
  std::string studyUID;
  std::string modality;
  std::string stationAET;
  std::string startDate;
  std::string startTime;
  std::string performer;
  std::string description;
  std::string stepID;
};

// wlmscpfs serving one .wl file per entry (made with dump2dcm) under the called title
// WLMSCP.
class WorklistSCP {
 public:
  bool Start(const std::string& folder, const std::vector<WorklistEntry>& entries,
             std::string& problem);
  void Stop() { process_.Stop(); }

  uint16_t port() const { return port_; }
  std::string Port() const { return std::to_string(port_); }
  std::string Log() const { return process_.Log(); }

 private:
  PeerProcess process_;
  uint16_t port_ = 0;
};

// Responses in findscu's output: the number of "Find Response: N" lines.
size_t FindscuResponseCount(const std::string& output);
// The value of the tag (written "(0020,000d)") in each response, in order, without the
// brackets and without trailing blanks and NULs. A response without it gives nothing.
std::vector<std::string> FindscuValues(const std::string& output, const std::string& tag);

// Text without trailing blanks and NULs.
std::string TrimPadding(std::string text);

// Names of the files in a folder (not its subfolders), sorted.
std::vector<std::string> FileNames(const std::string& folder);

}  // namespace norvane::testing
