#pragma once

#include <cstddef>
#include <vector>

#include "dimse/query_records.hpp"
#include "dimse/query_responses.hpp"
#include "net/association_parameters.hpp"

namespace norvane {

// One whole Study Root query with the peer: opens an association proposing the Study Root
// Query/Retrieve FIND SOP class with implicit VR little endian only, sends the query
// record's identifier at the record's level, reads responses while they are pending and
// releases. Every response other than the final success appends one record to `results`,
// in arrival order, up to `maxResults` (0: no limit); past it the query is cancelled and
// the result is cut off. The association trace is on when the log level is above 1.
template <class Record>
FindResult FindSCU(const AssociationParameters& peer, const Record& query,
                   std::vector<Record>& results, size_t maxResults = kDefaultMaxResults);

}  // namespace norvane
