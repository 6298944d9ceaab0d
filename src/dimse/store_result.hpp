#pragma once

#include <cstdint>
#include <string>

#include "convert/convert_status.hpp"
#include "datadec/dicom_file_reader.hpp"

namespace norvane {

// How the sending of one file ended.
enum class StoreOutcome : uint8_t {
  kStored,                 // the peer answered with status 0x0000
  kFailureStatus,          // the peer answered with another status (warnings included)
  kUnreadableFile,         // not a readable Part 10 file, or no Transfer Syntax UID
  kNoSOPClass,             // SOP Class UID (0008,0016) missing or empty
  kUIDTooLong,             // SOP class or transfer syntax UID longer than 64 characters
  kAssociationFailed,      // no association: no connection, rejected, or nothing accepted
  kNoPresentationContext,  // the peer accepted no context for the SOP class
  kConversionOff,          // the peer accepted another syntax and conversion is off
  kNotConverted,           // the conversion to the accepted syntax failed
  kNotSent,                // the request could not be sent
  kNoResponse,             // no response could be read
  kUnexpectedResponse,     // the answer was not a C-STORE-RSP
};

struct StoreResult {
  StoreOutcome outcome = StoreOutcome::kUnreadableFile;
  int status = -1;  // the C-STORE-RSP status when one came, else -1 (no response) or -2
  Part10ReadStatus readStatus = Part10ReadStatus::kOk;  // why kUnreadableFile
  std::string sopClass;
  std::string fileSyntax;      // the file's transfer syntax
  std::string acceptedSyntax;  // the syntax of the context the request used
  bool converted = false;      // the data set was sent converted to acceptedSyntax
  ConvertStatus conversion = ConvertStatus::kOk;  // why kNotConverted

  bool Stored() const { return outcome == StoreOutcome::kStored; }
};

// A status as the usual four hex digits: "0xA700".
std::string StatusText(int status);

// One line for the operator: "stored (0x0000)", "stored (0x0000), converted from ... to
// ...", "failed, status 0xA700", "failed, not sent: ...".
std::string DescribeStoreResult(const StoreResult& result);

}  // namespace norvane
