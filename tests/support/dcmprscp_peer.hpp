#pragma once

// DCMTK's dcmprscp as a Basic Grayscale Print SCP on a free loopback port: a config of its
// own in a temporary folder, its spool database beside it, its DIMSE dump in a log file.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/peers.hpp"

namespace norvane::testing {

class DcmprscpPeer {
 public:
  static constexpr const char* kTitle = "PRINTSCP";

  // Writes the config (display formats 1,1 1,2 2,2 only) and starts the SCP; true once it
  // answers C-ECHO.
  bool Start() {
    port_ = FreePort();
    std::filesystem::create_directories(Database());
    std::ofstream config(dir_ / "scp.cfg");
    config << "[[GENERAL]]\n[DATABASE]\nDirectory = " << Database() << "\n\n"
           << "[[COMMUNICATION]]\n[PRINTSCP]\nType = LOCALPRINTER\nAetitle = " << kTitle
           << "\nHostname = localhost\nPort = " << port_ << "\n"
           << "DisplayFormat = 1,1\\1,2\\2,2\n"
           << "FilmSizeID = 8INX10IN\\14INX17IN\n"
           << "MediumType = PAPER\\CLEAR FILM\\BLUE FILM\n"
           << "FilmDestination = MAGAZINE\\PROCESSOR\n"
           << "MagnificationType = REPLICATE\\BILINEAR\\CUBIC\\NONE\n"
           << "MaxDensity = 320\nMinDensity = 20\nSupports12Bit = true\n"
           << "SupportsPresentationLUT = true\n";
    config.close();
    if (!process_.Start({"dcmprscp", "-v", "+d", "-c", dir_ / "scp.cfg", "-p", kTitle},
                        dir_ / "dcmprscp.log", dir_.path().string())) {
      return false;
    }
    return WaitForEcho(port_, kTitle);
  }

  std::string Port() const { return std::to_string(port_); }
  std::string Database() const { return dir_ / "scpdb"; }
  std::string Log() const { return process_.Log(); }

  // The "Message Type ... RQ" and "DIMSE Status" lines of its dump, in order, as
  // "N-CREATE RQ 0x0000" pairs: request type and the status it answered with. The
  // association with the C-ECHO that waited for the start is left out.
  std::vector<std::string> Requests() const {
    std::vector<std::string> requests;
    std::string log = Log();
    size_t at = 0;
    std::string pending;
    while (at < log.size()) {
      size_t end = log.find('\n', at);
      if (end == std::string::npos) end = log.size();
      const std::string line = log.substr(at, end - at);
      at = end + 1;
      const size_t colon = line.find(": ", 2);
      if (colon == std::string::npos) continue;
      const std::string value = line.substr(colon + 2);
      if (line.find("Message Type") != std::string::npos && value.ends_with(" RQ")) {
        pending = value;
      } else if (line.find("DIMSE Status") != std::string::npos && !pending.empty()) {
        if (pending.starts_with("N-")) requests.push_back(pending + " " + value.substr(0, 6));
        pending.clear();
      }
    }
    return requests;
  }

  // Files of the spool database whose names start with `prefix` ("SP_", "HG_").
  std::vector<std::string> Spooled(const std::string& prefix) const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(Database())) {
      if (entry.path().filename().string().starts_with(prefix)) {
        files.push_back(entry.path().string());
      }
    }
    return files;
  }

  // Waits until the dump holds `count` answered DIMSE-N requests (its log is written a
  // little after each answer).
  bool WaitForRequests(size_t count) const {
    for (int i = 0; i < 100; ++i) {
      if (Requests().size() >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  TempDir dir_;
  uint16_t port_ = 0;
  PeerProcess process_;  // last: stopped before the folder goes
};

}  // namespace norvane::testing
