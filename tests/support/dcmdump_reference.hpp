#pragma once

// DCMTK's dcmdump as the reference reading of a DICOM file: its text output parsed into
// one entry per printed element.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane::testing {

struct DumpedElement {
  int depth = 0;      // 0 for the top level, one more inside each item
  bool meta = false;  // printed under "# Dicom-Meta-Information-Header"
  uint16_t group = 0;
  uint16_t element = 0;
  std::string vr;
  std::string value;  // as printed: "[text]", numbers, hex bytes, "(no value available)"
  bool undefinedLength = false;
  uint32_t length = 0;
  bool pseudo = false;                 // a delimiter dcmdump shows but the file lacks
  std::optional<uint32_t> itemOffset;  // "offset=$N" of a directory record item

  // The text inside [...] when the value is printed as text.
  std::optional<std::string> Text() const;
};

struct DcmdumpOutput {
  int exitCode = -1;
  std::vector<DumpedElement> elements;
  std::vector<std::string> problems;  // every "E: " and "W: " line
  std::string raw;
};

// Runs "dcmdump +L -M -Un" (full text values, long values not loaded, UIDs as numbers)
// plus `options` on the file and parses what it prints.
DcmdumpOutput RunDcmdump(const std::string& path, const std::vector<std::string>& options = {});

// What differs between a record read by this system and dcmdump's line for the same
// element (tag; VR when `explicitVR`; length; text, US/SS/UL/SL numbers and OB bytes when
// dcmdump printed them); empty when they agree.
std::string DumpMismatch(const TagRecord& record, const DumpedElement& dumped, bool explicitVR,
                         bool bigEndian);

std::string TagText(uint16_t group, uint16_t element);

}  // namespace norvane::testing
