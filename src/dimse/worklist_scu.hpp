#pragma once

#include <cstddef>
#include <vector>

#include "dimse/query_responses.hpp"
#include "dimse/worklist_item.hpp"
#include "net/association_parameters.hpp"

namespace norvane {

// One whole modality worklist query with the peer: opens an association proposing the
// Modality Worklist Information Model - FIND SOP class with implicit VR little endian
// only, sends the query item's identifier, reads responses while they are pending and
// releases. Every response other than the final success appends one item to `results`,
// up to `maxResults` (0: no limit); past it the query is cancelled and the result is cut
// off. The association trace is on when the log level is above 1.
FindResult WorklistSCU(const AssociationParameters& peer, const TWorklistItem& query,
                       std::vector<TWorklistItem>& results, size_t maxResults = kDefaultMaxResults);

}  // namespace norvane
