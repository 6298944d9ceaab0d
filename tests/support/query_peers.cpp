#include "support/query_peers.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace norvane::testing {

std::vector<std::string> DicomdirTestFolders() {
  const std::string base = PydicomFile("dicomdirtests/");
  return {base + "77654033", base + "98892001", base + "98892003"};
}

bool QueryRetrieveSCP::Start(const std::string& folder,
                             const std::vector<Destination>& destinations) {
  const std::string database = folder + "/db/" + kQueryRetrieveTitle;
  std::filesystem::create_directories(database);
  port_ = FreePort();
  std::ofstream config(folder + "/dcmqrscp.cfg");
  config << "NetworkTCPPort  = " << port_ << "\nMaxPDUSize      = 16384\n"
         << "MaxAssociations = 16\n\nHostTable BEGIN\n";
  for (size_t i = 0; i < destinations.size(); ++i) {
    config << "dest" << i << " = (" << destinations[i].aeTitle << ", 127.0.0.1, "
           << destinations[i].port << ")\n";
  }
  config << "HostTable END\n\nVendorTable BEGIN\nVendorTable END\n\n"
         << "AETable BEGIN\n"
         << kQueryRetrieveTitle << " " << database << " RW (200, 1024mb) ANY\n"
         << "AETable END\n";
  config.close();
  if (!process_.Start({"dcmqrscp", "-v", "-c", folder + "/dcmqrscp.cfg"}, folder + "/dcmqrscp.log",
                      folder)) {
    return false;
  }
  return WaitForEcho(port_, kQueryRetrieveTitle);
}

bool QueryRetrieveSCP::LoadDicomdirTests(std::string& output) {
  std::vector<std::string> argv = {"storescu", "-aet", "LOADER",    "-aec", kQueryRetrieveTitle,
                                   "+sd",      "+r",   "127.0.0.1", Port()};
  for (const std::string& f : DicomdirTestFolders())
    argv.push_back(f);
  const RunResult r = RunProgram(argv);
  output = r.output;
  return r.exitCode == 0;
}

namespace {

std::string ItemDump(const WorklistEntry& e) {
  std::ostringstream d;
  d << "(0008,0005) CS [ISO_IR 100]\n"
    << "(0008,0050) SH [" << e.accession << "]\n"
    << "(0008,0090) PN [REFERRER^RITA]\n"
    << "(0008,1110) SQ (Sequence with undefined length #=0)\n"
    << "(fffe,e0dd) na (SequenceDelimitationItem)\n"
    << "(0008,1120) SQ (Sequence with undefined length #=0)\n"
    << "(fffe,e0dd) na (SequenceDelimitationItem)\n"
    << "(0010,0010) PN [" << e.patientName << "]\n"
    << "(0010,0020) LO [" << e.patientID << "]\n"
    << "(0010,0030) DA [" << e.birthDate << "]\n"
    << "(0010,0040) CS [" << e.sex << "]\n"
    << "(0020,000d) UI [" << e.studyUID << "]\n"
    << "(0032,1032) PN [REQUESTER^ROBERT]\n"
    << "(0032,1060) LO [" << e.description << "]\n"
    << "(0040,0100) SQ (Sequence with undefined length #=1)\n"
    << "  (fffe,e000) na (Item with undefined length #=10)\n"
    << "    (0008,0060) CS [" << e.modality << "]\n"
    << "    (0040,0001) AE [" << e.stationAET << "]\n"
    << "    (0040,0002) DA [" << e.startDate << "]\n"
    << "    (0040,0003) TM [" << e.startTime << "]\n"
    << "    (0040,0006) PN [" << e.performer << "]\n"
    << "    (0040,0007) LO [" << e.description << "]\n"
    << "    (0040,0009) SH [" << e.stepID << "]\n"
    << "    (0040,0010) SH [ROOM1]\n"
    << "    (0040,0011) SH [RADIOLOGY]\n"
    << "    (0040,0020) CS [SCHEDULED]\n"
    << "  (fffe,e00d) na (ItemDelimitationItem)\n"
    << "(fffe,e0dd) na (SequenceDelimitationItem)\n"
    << "(0040,1001) SH [RP" << e.stepID << "]\n"
    << "(0040,1003) SH [ROUTINE]\n";
  return d.str();
}

}  // namespace

bool WorklistSCP::Start(const std::string& folder, const std::vector<WorklistEntry>& entries,
                        std::string& problem) {
  const std::string items = folder + "/db/" + kWorklistTitle;
  std::filesystem::create_directories(items);
  std::ofstream(items + "/lockfile").close();
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string dump = folder + "/item" + std::to_string(i) + ".dump";
    std::ofstream(dump) << ItemDump(entries[i]);
    const RunResult made =
        RunProgram({"dump2dcm", "+te", dump, items + "/item" + std::to_string(i) + ".wl"});
    if (made.exitCode != 0) {
      problem = "dump2dcm: " + made.output;
      return false;
    }
  }
  port_ = FreePort();
  if (!process_.Start({"wlmscpfs", "-v", "-dfp", folder + "/db", std::to_string(port_)},
                      folder + "/wlmscpfs.log", folder)) {
    problem = "wlmscpfs did not start";
    return false;
  }
  if (!WaitForEcho(port_, kWorklistTitle)) {
    problem = "wlmscpfs does not answer: " + process_.Log();
    return false;
  }
  return true;
}

size_t FindscuResponseCount(const std::string& output) {
  size_t count = 0;
  for (size_t at = output.find("Find Response: "); at != std::string::npos;
       at = output.find("Find Response: ", at + 1)) {
    const size_t digit = at + 15;
    if (digit < output.size() && output[digit] >= '0' && output[digit] <= '9') ++count;
  }
  return count;
}

std::string TrimPadding(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
    text.pop_back();
  return text;
}

std::vector<std::string> FindscuValues(const std::string& output, const std::string& tag) {
  std::vector<std::string> values;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t at = line.find(tag);
    if (at == std::string::npos) continue;
    const size_t open = line.find('[', at);
    const size_t close = line.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close < open) continue;
    values.push_back(TrimPadding(line.substr(open + 1, close - open - 1)));
  }
  return values;
}

std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace norvane::testing
