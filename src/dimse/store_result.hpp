#pragma once

#include <string>

#include "convert/convert_status.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "net/service_result.hpp"

namespace norvane {

// How the sending of one file ended: a success only for status 0x0000 (warnings count as
// failures, kStatus). Files that cannot be sent as they are fail with kLocal (unreadable,
// no or an overlong SOP class, a failed conversion) or kNoPresentationContext (no context
// for the SOP class, or only one in another syntax with conversion off).
struct [[nodiscard]] StoreResult : ServiceResult {
  bool associated = false;                              // the request had an open association
  Part10ReadStatus readStatus = Part10ReadStatus::kOk;  // why a file was unreadable
  std::string sopClass;
  std::string fileSyntax;      // the file's transfer syntax
  std::string acceptedSyntax;  // the syntax of the context the request used
  bool converted = false;      // the data set was sent converted to acceptedSyntax
  ConvertStatus conversion = ConvertStatus::kOk;  // why a conversion failed
};

// One line for the operator: "stored (0x0000)", "stored (0x0000), converted from ... to
// ...", "failed, status 0xA700", "failed, " and the reason.
std::string DescribeStoreResult(const StoreResult& result);

}  // namespace norvane
