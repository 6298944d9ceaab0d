#pragma once

#include <string>

#include "scp/service_handler.hpp"

namespace norvane {

// C-FIND of the test archive, in the Study Root and Patient Root models, answered from the
// storage folder's database (QueryStoredObjects): one pending C-FIND-RSP (0xFF00) with an
// identifier per match, sent as it is found, and a final one with status success. A
// C-CANCEL-RQ read meanwhile ends the responses with 0xFE00. A query that cannot be served
// gets one final response with a failure status and no identifier: 0xA900 (Identifier
// does not match SOP Class) for an identifier without a level of the model, 0xC000
// (Unable to process) for a request without an identifier.
class QueryService : public ServiceHandler {
 public:
  bool Serves(std::string_view sopClass) const override;
  bool Handles(uint16_t commandField) const override { return commandField == kCFindRQ; }
  bool Handle(ServiceRequest& request) const override;
};

// The modality worklist, answered as QueryService answers its queries, from the worklist
// files of a folder (QueryWorklist).
class WorklistService : public ServiceHandler {
 public:
  explicit WorklistService(std::string folder) : folder_(std::move(folder)) {}

  bool Serves(std::string_view sopClass) const override;
  bool Handles(uint16_t commandField) const override { return commandField == kCFindRQ; }
  bool Handle(ServiceRequest& request) const override;

 private:
  std::string folder_;
};

}  // namespace norvane
