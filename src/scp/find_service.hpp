#pragma once

#include <cstdint>
#include <string>

#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "scp/store_association.hpp"

namespace norvane {

// The abstract syntax the context was accepted for; empty for a context not accepted.
std::string ContextSOPClass(const PDU_Service& pdu, uint8_t contextID);

// Answers one C-FIND request that came on the context `contextID`: reads its identifier,
// then sends one pending C-FIND-RSP (0xFF00) with an identifier per match and a final one
// with status success. The Study Root and Patient Root models are answered from the
// storage folder's database (QueryStoredObjects), the modality worklist from the worklist
// folder (QueryWorklist). A query that cannot be served gets one final response with a
// failure status and no identifier: 0xA900 (Identifier does not match SOP Class) for an
// identifier without a level the model has, 0xC000 (Unable to process) for a request
// without an identifier, a context of another SOP class, or a worklist query while no
// worklist folder is set. A request without an Affected SOP Class UID is answered with
// the context's abstract syntax. False when the association has ended.
bool ServeFind(PDU_Service& pdu, const TagList& command, uint8_t contextID,
               const StoreSCPSettings& settings, const AssociationActivity& activity);

}  // namespace norvane
