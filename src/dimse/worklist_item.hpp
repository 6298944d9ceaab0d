#pragma once

// One scheduled procedure step of a modality worklist: the query sent to a worklist
// provider and each item it returns. Fields marked "return key" are always sent empty
// and only filled from responses.

#include <string>

#include "dimse/record_fields.hpp"

namespace norvane {

struct TWorklistItem {
  std::string PatientName;                    // (0010,0010) PN
  std::string PatientID;                      // (0010,0020) LO
  std::string PatientBD;                      // (0010,0030) DA
  std::string PatientSex;                     // (0010,0040) CS
  std::string AccessionNumber;                // (0008,0050) SH
  std::string RequestingPhysician;            // (0032,1032) PN
  std::string Reserved;                       // never sent, never filled
  std::string ContrastAllergies;              // (0010,2110) LO, return key
  std::string StudyInstanceUID;               // (0020,000D) UI
  std::string RequestedProcedureDescription;  // (0032,1060) LO
  // Scheduled Procedure Step Sequence (0040,0100), one item:
  std::string SPSStartTime;                  // (0040,0003) TM
  std::string SPSStartDate;                  // (0040,0002) DA
  std::string Modality;                      // (0008,0060) CS
  std::string ScheduledStationAET;           // (0040,0001) AE, return key
  std::string ScheduledPerformingPhysician;  // (0040,0006) PN
  std::string RequestedContrastAgent;        // (0032,1070) LO, return key
  std::string SPSID;                         // (0040,0009) SH
  std::string SPSDescription;                // (0040,0007) LO
  std::string ScheduledStationName;          // (0040,0010) SH
  std::string SPSLocation;                   // (0040,0011) SH
  std::string PreMedication;                 // (0040,0012) LO
  // Back at the top level:
  std::string RequestedProcedureID;        // (0040,1001) SH, return key
  std::string RequestedProcedurePriority;  // (0040,1003) SH, return key
};

template <>
std::span<const RecordField<TWorklistItem>> RecordFields<TWorklistItem>();

}  // namespace norvane
