#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "dimse/query_records.hpp"
#include "dimse/query_responses.hpp"
#include "elements/tag_record.hpp"
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

// The same query with an identifier the caller built, in the information model `sopClass`
// (Patient Root or Study Root Query/Retrieve FIND, Modality Worklist FIND): `matches` gets
// the identifier of every response that adds a record, as it came.
FindResult FindIdentifiers(const AssociationParameters& peer, std::string_view sopClass,
                           const TagList& identifier, std::vector<TagList>& matches,
                           size_t maxResults = kDefaultMaxResults);

}  // namespace norvane
