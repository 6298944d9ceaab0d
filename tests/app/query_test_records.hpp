#pragma once

// Responses of a query peer and the lines the test application writes for them, shared by
// the tests of the query operations and of the service runner.

#include <initializer_list>
#include <string>
#include <vector>

#include "dimse/scripted_query_peer.hpp"

namespace norvane::testing {

using Lines = std::vector<std::string>;

inline Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

inline ScriptedResponse Match(const Bytes& identifier, uint16_t status = 0xFF00) {
  return {FindResponseCommand(3, status, true), identifier};
}

inline ScriptedResponse Final(uint16_t status = 0x0000) {
  return {FindResponseCommand(3, status, false), {}};
}

inline Bytes ArchibaldStudy() {
  return MessageBuilder()
      .Implicit(0x0008, 0x0020, Text("19950903"))
      .Implicit(0x0008, 0x0030, Text("173032"))
      .Implicit(0x0008, 0x0050, Text("2 "))
      .Implicit(0x0008, 0x0052, Text("STUDY "))
      .Implicit(0x0008, 0x1030, Text("CT, HEAD/BRAIN WO CONTRAST"))
      .Implicit(0x0010, 0x0010, Text("Doe^Archibald "))
      .Implicit(0x0010, 0x0020, Text("77654033"))
      .Implicit(0x0010, 0x1010, Text("042Y"))
      .Implicit(0x0020, 0x000D, Uid("1.2.3.4.5"))
      .Implicit(0x0020, 0x0010, Text("2 "))
      .bytes();
}

inline const Lines kArchibaldLines = {
    "PatientName: Doe^Archibald ",
    "PatientID: 77654033",
    "PatientSex: ",
    "PatientBD: ",
    "StudyID: 2 ",
    "StudyInstanceUID: 1.2.3.4.5",
    "StudyDate: 19950903",
    "StudyTime: 173032",
    "StudyDescription: CT, HEAD/BRAIN WO CONTRAST",
    "Modalities: ",
    "InstitutionName: ",
    "AccessionNumber: 2 ",
    "PhysiciansName: ",
};

inline Bytes WorklistItemOne() {
  MessageBuilder item;
  item.Implicit(0x0010, 0x0010, Text("TEST^WORKLIST^ONE "))
      .Implicit(0x0010, 0x0020, Text("WLPID001"))
      .Implicit(0x0010, 0x0030, Text("19700101"))
      .Implicit(0x0010, 0x0040, Text("F "))
      .Tag(0x0040, 0x0100)
      .U32(0xFFFFFFFF)
      .Tag(0xFFFE, 0xE000)
      .U32(0xFFFFFFFF)
      .Implicit(0x0008, 0x0060, Text("CT"))
      .Implicit(0x0040, 0x0001, Text("CTSCANNER1"))
      .Implicit(0x0040, 0x0002, Text("20240115"))
      .Implicit(0x0040, 0x0003, Text("093000"))
      .Implicit(0x0040, 0x0006, Text("PERFORMER^PAULA "))
      .Tag(0xFFFE, 0xE00D)
      .U32(0)
      .Tag(0xFFFE, 0xE0DD)
      .U32(0);
  return item.bytes();
}

inline const Lines kWorklistItemOneLines = {
    "PatientName: TEST^WORKLIST^ONE ",
    "PatientID: WLPID001",
    "PatientBD: 19700101",
    "PatientSex: F ",
    "Modality: CT",
    "Scheduled Station AET: CTSCANNER1",
    "Scheduled Procedure Step Start Date: 20240115",
    "Scheduled Procedure Step Start Time: 093000",
    "Scheduled Performing Physician: PERFORMER^PAULA ",
};

// The value of one key of a request identifier as it came off the wire.
inline std::string KeyValue(const Bytes& identifier, uint16_t group, uint16_t element) {
  size_t at = 0;
  while (at + 8 <= identifier.size()) {
    const uint16_t g = static_cast<uint16_t>(identifier[at] | (identifier[at + 1] << 8));
    const uint16_t e = static_cast<uint16_t>(identifier[at + 2] | (identifier[at + 3] << 8));
    const uint32_t length = identifier[at + 4] | (identifier[at + 5] << 8) |
                            (identifier[at + 6] << 16) | (uint32_t{identifier[at + 7]} << 24);
    at += 8;
    if (length == 0xFFFFFFFF) continue;
    if (g == group && e == element) {
      return std::string(identifier.begin() + static_cast<ptrdiff_t>(at),
                         identifier.begin() + static_cast<ptrdiff_t>(at + length));
    }
    at += length;
  }
  return "(absent)";
}

}  // namespace norvane::testing
