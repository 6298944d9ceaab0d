#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "dimse/dimse_exchange.hpp"
#include "dimse/move_request.hpp"
#include "dimse/query_records.hpp"
#include "net/association_parameters.hpp"
#include "net/service_result.hpp"

namespace norvane {

// How a retrieval went: success only for a final status 0x0000 (a warning 0xB000 or a
// cancel is no success); otherwise the association's failure, kNotSent, kTimeout (also
// when the retrieval stalled and was cancelled), or that of the last response.
struct [[nodiscard]] MoveResult : ServiceResult {
  bool associated = false;  // the association was opened
  size_t responses = 0;     // C-MOVE-RSPs read, pending and final
  // The sub-operation numbers of the latest response that carried each of them.
  std::optional<uint16_t> completed;
  std::optional<uint16_t> failed;
  std::optional<uint16_t> warning;
  // The pending responses made no progress for the DIMSE time-out: the retrieval was
  // cancelled.
  bool stalled = false;
};

// Called after each response read, pending ones and the final one.
using MoveProgress = std::function<void(const DimseCommand&)>;

// One whole retrieval from the peer: opens an association proposing the Study Root
// Query/Retrieve MOVE SOP class with implicit VR little endian only, asks the peer to send
// what the query record matches at its level to `moveDestination`, reads responses while
// they are pending (0xFF00) and releases. Pending responses must make progress: when the
// number of remaining sub-operations (or, without one, the number done) has not changed
// for the DIMSE time-out, a C-CANCEL-RQ is sent, the responses are read to the final one,
// and the result is stalled. The association trace is on when the log level is above 1.
template <class Record>
MoveResult MoveSCU(const AssociationParameters& peer, std::string_view moveDestination,
                   const Record& query, const MoveProgress& progress = {});

}  // namespace norvane
