#include "support/dcmdump_reference.hpp"

#include <regex>
#include <sstream>

#include "support/peers.hpp"

namespace norvane::testing {

std::optional<std::string> DumpedElement::Text() const {
  if (value.size() < 2 || value.front() != '[') return std::nullopt;
  const size_t close = value.rfind(']');
  if (close == std::string::npos || close == 0) return std::nullopt;
  return value.substr(1, close - 1);
}

DcmdumpOutput RunDcmdump(const std::string& path, const std::vector<std::string>& options) {
  std::vector<std::string> argv = {"dcmdump", "+L", "-M", "-Un"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(path);
  const RunResult run = RunProgram(argv);
  DcmdumpOutput out;
  out.exitCode = run.exitCode;
  out.raw = run.output;

  static const std::regex kElementLine(R"(^( *)\(([0-9a-f]{4}),([0-9a-f]{4})\) (\S\S) (.*))");
  static const std::regex kTail(R"(#\s*(u/l|\d+),\s*(\d+)\s+(.+)$)");
  static const std::regex kOffsetLine(R"(^ *#  offset=\$(\d+))");
  bool meta = false;
  std::istringstream lines(run.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0) {
      out.problems.push_back(line);
      continue;
    }
    if (line.rfind("# Dicom-Meta-Information-Header", 0) == 0) meta = true;
    if (line.rfind("# Dicom-Data-Set", 0) == 0) meta = false;
    std::smatch m;
    if (std::regex_search(line, m, kOffsetLine) && !out.elements.empty()) {
      out.elements.back().itemOffset = static_cast<uint32_t>(std::stoul(m[1]));
      continue;
    }
    if (!std::regex_match(line, m, kElementLine)) continue;
    DumpedElement e;
    e.depth = static_cast<int>(m[1].length() / 2);
    e.meta = meta;
    e.group = static_cast<uint16_t>(std::stoul(m[2], nullptr, 16));
    e.element = static_cast<uint16_t>(std::stoul(m[3], nullptr, 16));
    e.vr = m[4];
    const std::string rest = m[5];
    // The length column is the last '#' followed by "length, multiplicity name".
    size_t hash = rest.rfind('#');
    std::smatch t;
    std::string tail;
    while (hash != std::string::npos) {
      tail = rest.substr(hash);
      if (std::regex_match(tail, t, kTail)) break;
      hash = hash == 0 ? std::string::npos : rest.rfind('#', hash - 1);
    }
    if (hash == std::string::npos) continue;
    e.undefinedLength = t[1] == "u/l";
    e.length = e.undefinedLength ? 0xFFFFFFFFu : static_cast<uint32_t>(std::stoul(t[1]));
    std::string value = rest.substr(0, hash);
    while (!value.empty() && value.back() == ' ')
      value.pop_back();
    e.value = value;
    e.pseudo = value.find("for re-encod") != std::string::npos;
    out.elements.push_back(std::move(e));
  }
  return out;
}

}  // namespace norvane::testing
