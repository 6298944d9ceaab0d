#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dimse/query_records.hpp"
#include "net/service_result.hpp"

namespace norvane {

// How a C-FIND over an association of its own went: success when the query ended with a
// final status 0x0000; otherwise the association's failure, kNotSent, or that of the last
// response (its status, when one was read).
struct [[nodiscard]] FindResult : ServiceResult {
  bool associated = false;  // the association was opened
  bool sent = false;        // the request went out (the query record has been used)
};

// One whole Study Root query: opens an association proposing the Study Root Query/Retrieve
// FIND SOP class with implicit VR little endian only, sends the query record's identifier
// at the record's level, reads responses while they are pending and releases. Every
// response other than the final success appends one record to `results`, in arrival order.
// The association trace is on when
// the log level is above 1; an empty calling title becomes the default title, written back.
template <class Record>
FindResult FindSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                   std::string_view calledApTitle, const Record& query,
                   std::vector<Record>& results);

}  // namespace norvane
