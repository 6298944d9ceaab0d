#pragma once

// What the workflow services need to know of object files: the instance each holds and
// the series it belongs to, for the references of MPPS and storage commitment.

#include <string>
#include <vector>

#include "net/service_result.hpp"

namespace norvane {

// One instance an object holds: what a reference names.
struct InstanceReference {
  std::string sopClass;
  std::string sopInstance;
};

// The top-level attributes of one object file the references are built from.
struct InstanceHeader {
  std::string file;
  InstanceReference reference;
  std::string seriesInstanceUID;
  std::string seriesDescription;
  std::string protocolName;
  std::string performingPhysician;
  std::string operatorsName;
};

// The headers of the files, in order. Fails (kLocal), naming the file, at the first one that
// cannot be read as a DICOM file or has no SOP Class or SOP Instance UID (a UID longer than
// 64 characters counts as none).
struct [[nodiscard]] InstanceHeadersResult : ServiceResult {
  std::vector<InstanceHeader> headers;
};
InstanceHeadersResult ReadInstanceHeaders(const std::vector<std::string>& files);

}  // namespace norvane
