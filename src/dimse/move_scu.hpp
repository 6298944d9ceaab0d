#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "dimse/move_request.hpp"
#include "dimse/query_records.hpp"

namespace norvane {

enum class MoveOutcome : uint8_t {
  kFinished,           // a final response came; its status says how the move went
  kAssociationFailed,  // no association: no connection, rejected, or nothing accepted
  kNotSent,            // the request could not be sent
  kNoResponse,         // the connection ended, or another message came, before a final one
};

struct MoveResult {
  MoveOutcome outcome = MoveOutcome::kAssociationFailed;
  MoveResponse last;  // the last response read (status kNoMoveResponse when none)
  size_t responses = 0;
  // The sub-operation numbers of the latest response that carried each of them.
  std::optional<uint16_t> completed;
  std::optional<uint16_t> failed;
  std::optional<uint16_t> warning;

  // The move ended with status 0x0000; a warning (0xB000) or cancel is no success.
  bool Succeeded() const { return outcome == MoveOutcome::kFinished && last.status == 0; }
};

// Called after each response read, pending ones and the final one.
using MoveProgress = std::function<void(const MoveResponse&)>;

// One whole retrieval: opens an association proposing the Study Root Query/Retrieve MOVE
// SOP class with implicit VR little endian only, asks the peer to send what the query
// record matches at its level to `moveDestination`, reads responses while they are
// pending (0xFF00) and releases. The association trace is on when the log level is above
// 1; an empty calling title becomes the default title, written back.
template <class Record>
MoveResult MoveSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                   std::string_view calledApTitle, std::string_view moveDestination,
                   const Record& query, const MoveProgress& progress = {});

}  // namespace norvane
