#include "support/dcmdump_reference.hpp"

#include <cstdio>
#include <regex>
#include <sstream>

#include "elements/byte_order.hpp"
#include "support/peers.hpp"

namespace norvane::testing {
namespace {

std::string TrimmedText(const TagRecord& r) {
  std::string text(r.value.begin(), r.value.end());
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
    text.pop_back();
  return text;
}

// The numbers of a US, SS, UL or SL value as dcmdump prints them.
std::string Numbers(const TagRecord& r, const std::string& vr, bool bigEndian) {
  const size_t size = vr == "US" || vr == "SS" ? 2 : 4;
  std::string out;
  for (size_t i = 0; i + size <= r.value.size(); i += size) {
    long n = size == 2 ? LoadU16(r.value.data() + i, bigEndian)
                       : static_cast<long>(LoadU32(r.value.data() + i, bigEndian));
    if (vr == "SS") n = static_cast<int16_t>(n);
    if (vr == "SL") n = static_cast<int32_t>(n);
    out += (out.empty() ? "" : "\\") + std::to_string(n);
  }
  return out;
}

std::string HexBytes(const TagRecord& r) {
  std::string out;
  for (uint8_t b : r.value) {
    char h[4];
    std::snprintf(h, sizeof h, "%02x", b);
    out += (out.empty() ? "" : "\\") + std::string(h);
  }
  return out;
}

}  // namespace

std::string DumpMismatch(const TagRecord& r, const DumpedElement& d, bool explicitVR,
                         bool bigEndian) {
  std::ostringstream why;
  if (r.group != d.group || r.element != d.element) {
    why << "tag " << TagText(r.group, r.element) << " where dcmdump has "
        << TagText(d.group, d.element);
    return why.str();
  }
  if (explicitVR && r.VRText() != d.vr) why << "VR " << r.VRText() << " != " << d.vr << "; ";
  if (r.HasUndefinedLength() != d.undefinedLength || (!d.undefinedLength && r.length != d.length)) {
    why << "length " << r.length << " != " << d.length << "; ";
  }
  if (d.value == "(no value available)") {
    if (r.length != 0) why << "dcmdump has no value; ";
  } else if (std::optional<std::string> text = d.Text()) {
    // dcmdump keeps a NUL pad in the text it prints.
    while (!text->empty() && (text->back() == '\0' || text->back() == ' '))
      text->pop_back();
    if (TrimmedText(r) != *text) why << "value [" << TrimmedText(r) << "] != [" << *text << "]; ";
  } else if (d.vr == "US" || d.vr == "SS" || d.vr == "UL" || d.vr == "SL") {
    if (Numbers(r, d.vr, bigEndian) != d.value)
      why << "numbers " << Numbers(r, d.vr, bigEndian) << " != " << d.value << "; ";
  } else if (d.vr == "OB" && d.value != "(not loaded)" && !d.undefinedLength) {
    if (HexBytes(r) != d.value) why << "bytes " << HexBytes(r) << " != " << d.value << "; ";
  }
  std::string s = why.str();
  if (!s.empty()) s = TagText(r.group, r.element) + ": " + s;
  return s;
}

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

  static const std::regex kTail(R"(#\s*(u/l|\d+),\s*(\d+)\s+(.+)$)");
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
    // Lines are parsed by hand: pixel data lines are too long for std::regex's recursion.
    const size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) continue;
    if (line.compare(indent, 10, "#  offset=") == 0 && !out.elements.empty()) {
      out.elements.back().itemOffset = static_cast<uint32_t>(std::stoul(line.substr(indent + 11)));
      continue;
    }
    if (line.size() < indent + 15 || line[indent] != '(' || line[indent + 5] != ',' ||
        line[indent + 10] != ')' || line[indent + 11] != ' ' || line[indent + 14] != ' ') {
      continue;
    }
    const std::string group = line.substr(indent + 1, 4);
    const std::string element = line.substr(indent + 6, 4);
    if (group.find_first_not_of("0123456789abcdef") != std::string::npos ||
        element.find_first_not_of("0123456789abcdef") != std::string::npos) {
      continue;
    }
    DumpedElement e;
    e.depth = static_cast<int>(indent / 2);
    e.meta = meta;
    e.group = static_cast<uint16_t>(std::stoul(group, nullptr, 16));
    e.element = static_cast<uint16_t>(std::stoul(element, nullptr, 16));
    e.vr = line.substr(indent + 12, 2);
    const std::string rest = line.substr(indent + 15);
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

std::string TagText(uint16_t group, uint16_t element) {
  char text[16];
  std::snprintf(text, sizeof text, "(%04X,%04X)", group, element);
  return text;
}

}  // namespace norvane::testing
