#pragma once

// The modality worklist C-FIND on an association the caller opened with a presentation
// context for the Modality Worklist Information Model - FIND SOP class.

#include <string_view>
#include <vector>

#include "dimse/worklist_item.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// Sends a C-FIND-RQ (next message ID, priority medium) with the worklist identifier built
// from the query record. True when both went to the association.
ServiceResult WriteWLFindRQ(PDU_Service& pdu, const TWorklistItem& query,
                            std::string_view sopClass);

// Reads one C-FIND-RSP as ReadFindResponse does. For every response read whose status is
// not 0x0000, appends one item filled from the response identifier (an empty item when none
// came). A step sequence of defined length is read in the transfer syntax of the response's
// context.
ServiceResult ReadWLFindRSP(PDU_Service& pdu, std::vector<TWorklistItem>& results);

}  // namespace norvane
